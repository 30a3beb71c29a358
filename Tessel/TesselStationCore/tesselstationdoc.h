// CTesselStationDoc: everything the station knows of the running exercise --
// the terrain map and its terrain types, the impact area and the trajectory,
// the units by kind, the team and its sides' go/no-go status, the station's
// own location and cost totals, the teammates' reported costs -- and the
// only road between the protocol handlers, the views and the units, and
// from all of them to the outgoing messages (the senders below).
//
// The document asks the screen for everything through CStationUi and reads
// the mission clock from its frame (CStationFrame); it sends through the
// station agent. None of the three is owned: the UI must outlive the
// document; the frame and the agent are attached when they exist and must
// be detached (set to null) before they go. Without a frame the clock reads
// 0; without an agent nothing is sent.
//
// Units, terrain types, team members and the map objects are owned by the
// document. A unit is found by its id each time it is needed: callers that
// can run a modal question in between must look it up again afterwards.
//
// The document runs on the thread of the event loop only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "Platform/rect.h"
#include "TesselMapsLib/worldmap.h"
#include "Toolwick/debug.h"
#include "Toolwick/heaptext.h"

class CImpactLines;
class CMapSource;
class CIncursion;
class CInterceptor;
class CLatLng;
class CRadarStation;
class CResourceUnit;
class CStationAgent;
class CStationFrame;
class CStationUi;
class CTeamMember;
class CTrajectory;
class CWeatherBalloon;

class CTesselStationDoc : public CDebug {
 public:
  // The phase, shown in the status bar.
  enum : int {
    PHASE_UNREGISTERED = 0,
    PHASE_REGISTERED = 1,
    PHASE_INITIALIZED = 2,
    PHASE_PAUSED = 3,
    PHASE_RUNNING = 4,
    PHASE_SYNC_PULSE = 5,
    PHASE_COMPLETE = 6,
  };
  // The largest map the station takes: 400 x 400 cells, four times the
  // demo's area. At the largest zoom (10) its picture is 4,000 x 4,000
  // pixels, 64 MB.
  static constexpr int64_t kMaxMapCells = 160'000;
  // The units the station holds, enough for an exercise many times the
  // demo's, and bounded so that at the limits a clock pulse and its paint
  // take a moment, what one paint tells the simulation agent of the
  // incursions in radar range (a message per radar and incursion) fits its
  // connection, and mission_stats fits one message. A scenario beyond
  // them is refused; a balloon beyond them is not deployed.
  static constexpr size_t kMaxRadars = 64;
  static constexpr size_t kMaxIncursions = 64;
  static constexpr size_t kMaxInterceptors = 256;
  static constexpr size_t kMaxBalloons = 4096;
  // The bytes of a unit's id, and of its name.
  static constexpr size_t kMaxUnitText = 64;
  // The view's pending mouse command.
  enum : int {
    MODE_NONE = 0,
    MODE_WEATHER_REPORT = 1,
    MODE_DEPLOY = 2,     // a deployment of the selected interceptor
    MODE_INTERCEPT = 3,  // an interception by the selected interceptor
  };

  template <typename Unit>
  using UnitMap = std::map<std::string, std::unique_ptr<Unit>>;
  using Balloons = std::vector<std::unique_ptr<CWeatherBalloon>>;
  using TeamMembers = std::map<std::string, std::unique_ptr<CTeamMember>>;

  // An empty document: no map objects until OnNewDocument or InitDocument.
  explicit CTesselStationDoc(CStationUi& ui);
  // Deletes everything it owns; the UI is not told.
  ~CTesselStationDoc() override;
  CTesselStationDoc(const CTesselStationDoc&) = delete;
  CTesselStationDoc& operator=(const CTesselStationDoc&) = delete;

  // --- Lifecycle

  // Phase 0, the empty exercise, the chat window opened; 1.
  int OnNewDocument();
  // The empty exercise: no simulation agent, no selection, mode 0, no
  // playback, station location (0, 0), and the map objects, own member and
  // cost table made where missing; title "Version 3.10"; all sides no-go.
  void InitDocument();
  // Back to the start of the scenario (stop_playback): balloons deleted,
  // chat cleared, own costs 0, every radar, interceptor and incursion reset
  // (in that order), the clock set to 0, views redrawn. Map, team, terrain,
  // impact area and trajectory stay.
  void ResetSimulation();
  // Everything deleted (reset_sim, closing): team, chat, terrain, units,
  // costs, the map objects and the own member; phase 1; the information
  // pane's team, agent and cost sections refreshed; views redrawn.
  void ClearDocument();
  void OnCloseDocument() { ClearDocument(); }

  // --- Attachments (not owned)

  CStationUi& GetUi() const { return ui_; }
  void SetAgent(CStationAgent* agent) { agent_ = agent; }
  CStationAgent* GetAgent() const { return agent_; }
  void SetMainFrame(CStationFrame* frame) { frame_ = frame; }
  CStationFrame* GetMainFrame() const { return frame_; }

  // --- State

  int GetPhase() const { return phase_; }
  void SetPhase(int phase) { phase_ = phase; }
  int GetCommandMode() const { return commandMode_; }
  void SetCommandMode(int mode) { commandMode_ = mode; }
  bool IsPlayback() const { return playback_; }
  void SetPlayback(bool playback) { playback_ = playback; }
  // Texts owned by the document; null arguments set "".
  const char* GetMapURL() const { return mapURL_.c_str(); }
  void SetMapURL(const char* url) { mapURL_ = url != nullptr ? url : ""; }
  const char* GetSimulationAgent() const { return simulationAgent_.c_str(); }
  void SetSimulationAgent(const char* name) { simulationAgent_ = name != nullptr ? name : ""; }
  const char* GetOwnName() const { return ownName_.c_str(); }
  // The title becomes name + " - " + the title before, the chat window's
  // name + " Chat Window".
  void SetOwnName(const char* name);
  // What a registration with the name server gives the document: registered
  // while unregistered, phase 1 and `name` as the own name; unregistered
  // while registered, phase 0 and no name. Otherwise nothing changes.
  void ApplyRegistration(bool registered, const char* name);
  const char* GetTitle() const { return title_.c_str(); }
  const char* GetHoverText() const { return hoverText_.c_str(); }
  void SetHoverText(const char* text) { hoverText_ = text != nullptr ? text : ""; }
  // In map cells; empty when nothing is highlighted.
  const CRect& GetSelectionRect() const { return selectionRect_; }
  void SetSelectionRect(const CRect& rect) { selectionRect_ = rect; }
  // The interceptor this station has selected, found by its id; null when
  // none or when it is gone.
  CInterceptor* GetSelectedInterceptor() const;
  void SetSelectedInterceptor(const CInterceptor* interceptor);

  // --- Map objects; null between ClearDocument and InitDocument.

  CWorldMap* GetWorldMap() const { return worldMap_.get(); }
  CImpactLines* GetImpactLines() const { return impactLines_.get(); }
  CTrajectory* GetTrajectory() const { return trajectory_.get(); }
  CLatLng* GetStationLocation() const { return stationLocation_.get(); }
  void SetStationLocation(double lat, double lng);
  // "%0.0f,%0.0f" of the station location; "" without one.
  HeapText StationLocationText() const;
  // Terrain types by code, owned by the document.
  const TerrainTable& GetTerrainTypes() const { return terrainTypes_; }

  // --- The map data file

  // Told once whether a map was read.
  using MapDone = std::function<void(bool read)>;

  // Takes a map location: with leading white space dropped it must begin
  // "http" or "file" (exact case), open, and start with a map data header.
  // Then it becomes the map URL, the map is read from that text
  // (GetMapFromURL) and, once read, the views render it anew
  // (CStationUi::LoadMap). `done` is told whether the map was read: before
  // the call returns for a file or a location refused at once, from the
  // event loop for an http location (CMapSource, which never holds the
  // loop). A location refused here shows nothing, except an http server
  // that did not answer in time ("Error in retriving " and the location).
  // A new location gives up one still being read, whose `done` is then
  // never told.
  void OpenMapURL(const char* url, MapDone done);
  // Reads the map data file's text, as `source` read it from the map URL,
  // into the world map, after giving the map the terrain types, zoom 3 and
  // 40 grid lines. Each failure is shown in a message box -- also a grid of
  // more than kMaxMapCells cells; the map stays as it was until the file's
  // header and size have been accepted. True when a map was built.
  bool GetMapFromURL(CMapSource& source);
  // Gives up the map being read, if any: its `done` is never told.
  void CancelMapRead();

  // --- Units

  const Balloons& GetBalloons() const { return balloons_; }
  const UnitMap<CRadarStation>& GetRadars() const { return radars_; }
  const UnitMap<CInterceptor>& GetInterceptors() const { return interceptors_; }
  const UnitMap<CIncursion>& GetIncursions() const { return incursions_; }
  // By id; null when there is none (or for null).
  CRadarStation* FindRadar(const char* id) const;
  CInterceptor* FindInterceptor(const char* id) const;
  CIncursion* FindIncursion(const char* id) const;
  CWeatherBalloon* FindBalloon(const char* id) const;
  // Whether any unit of any kind has this id.
  bool IsUnitIdInUse(const char* id) const;
  // Take a unit over under its id, giving it the world map and this
  // document. A unit whose id any unit of any kind already has is refused
  // (null, the unit deleted): the first one stays, since others may point to
  // it; so is one beyond its kind's limit (logged).
  CRadarStation* AddRadar(std::unique_ptr<CRadarStation> radar);
  CInterceptor* AddInterceptor(std::unique_ptr<CInterceptor> interceptor);
  CIncursion* AddIncursion(std::unique_ptr<CIncursion> incursion);
  // Appends; a balloon whose id is in use gets a new one. Null (logged)
  // once kMaxBalloons fly.
  CWeatherBalloon* AddBalloon(std::unique_ptr<CWeatherBalloon> balloon);
  // A new balloon from the station location to (lat, lng), told to the
  // team; null without a station location or beyond kMaxBalloons.
  CWeatherBalloon* DeployBalloon(double lat, double lng);

  // --- Clock and screen

  // The frame's mission clock in minutes; 0 without a frame.
  int MissionClock() const;
  void RedrawAllViews(bool erase);
  // The modeless wait notice: shown once however often it is opened, closed
  // only while shown.
  void OpenWaitDialog();
  void CloseWaitDialog();
  bool HasWaitDialog() const { return waitDialog_; }

  // --- Team

  // The member of that name: the own member for the own name, else a
  // teammate, made the first time. Its name is set and it takes the side
  // colour of the name. Null for a null name.
  CTeamMember* AddTeamMember(const char* name);
  // The own member for the own name, else the teammate; null when none.
  CTeamMember* FindTeamMember(const char* name) const;
  void RemoveAllTeamMembers();
  CTeamMember* GetOwnMember() const { return ownMember_.get(); }
  const TeamMembers& GetTeamMembers() const { return teamMembers_; }

  // --- Incursion course (update_inc_heading)

  // Every incursion of that id takes the heading and starts from the point
  // now. Nothing when a text is missing.
  void SetIncursionCourse(const char* id, const char* heading, const char* lat, const char* lng);
  void SendIncursionHeading(const char* id, double heading, double lat, double lng);

  // --- Senders: every outgoing message of the station passes here, as a
  // "tell" message through the agent.

  // 1 when the message went, 0 otherwise (logged).
  int SendToAgent(const char* receiver, const char* content);
  // To the simulation agent; 0 while none is known.
  int SendToSimulation(const char* content);
  // To every teammate in name order, then to the simulation agent.
  void SendToTeam(const char* content);

  // --- Sides and time

  // go for the side that `side` names ("alpha", "bravo", "charlie", exact
  // case); the own side also shows on the frame.
  void SetSideStatus(const char* side, bool go);
  // The station's own status, recorded and told to the team.
  void SendGoNoGo(bool go);
  bool GoAlpha() const { return goAlpha_; }
  bool GoBravo() const { return goBravo_; }
  bool GoCharlie() const { return goCharlie_; }
  // The mission time of a minute towards the mission's zero hour at minute
  // 960: "T-%d hours, %d mins" up to it, "T+%d hours, %d mins" after it. A
  // negative minute reads as 0.
  static HeapText FormatMissionTime(int minute);

  // --- Radar coverage

  // Whether a radar controlled by this station holds the incursion at the
  // current minute; tells the simulation agent of every radar range that
  // the incursion has entered or left since the last test.
  bool CheckRadarCoverage(CIncursion* incursion);
  void SendIncEnterRadar(const char* radarId, const char* incursionId);
  void SendIncExitRadar(const char* radarId, const char* incursionId);

  // --- Costs and statistics

  // The sums of the current costs of the balloons, radars and interceptors.
  void ComputeOwnCosts(double* balloons, double* radars, double* interceptors) const;
  // The teammates' reported totals plus the own totals stored last.
  double ComputeMissionCost() const;
  // The own totals as the view's drawing summed them last.
  void SetOwnCosts(double balloons, double radars, double interceptors);
  double GetOwnBalloonCost() const { return ownBalloonCost_; }
  double GetOwnRadarCost() const { return ownRadarCost_; }
  double GetOwnInterceptorCost() const { return ownInterceptorCost_; }
  // A teammate's reported total, replacing the one before.
  void SetTeamCost(const char* name, double total);
  const std::map<std::string, double>& GetTeamCosts() const { return teamCosts_; }
  // "(tell " + one entry per unit + " :count %d)".
  HeapText InterceptorStats() const;
  HeapText RadarStats() const;
  HeapText BalloonStats() const;

  // --- Numbers from messages and scenarios

  // What a number of a message or a scenario stands for.
  enum class Quantity { kLatitude, kLongitude, kRange, kSpeed, kHeading, kCost, kReading };
  // Bounds of the quantities that no map gives: a coordinate or range while
  // no map has bounds, a speed (map units an hour), a heading (degrees), a
  // cost and a weather reading.
  static constexpr double kMaxCoordinate = 1e6;
  static constexpr double kMaxSpeed = 1e6;
  static constexpr double kMaxHeading = 1e6;
  static constexpr double kMaxCost = 1e12;
  static constexpr double kMaxReading = 1e6;
  // `text` when the number it reads as (as atof reads it) is one the
  // station takes for `quantity`, else null, so that the caller handles the
  // field as a missing one. Taken: finite values; a coordinate on or near
  // the map, within its bounds widened by their span on either side; a
  // range up to three times the larger span; a cost from 0 to kMaxCost; the
  // other quantities within plus and minus their bound.
  const char* Accepted(const char* text, Quantity quantity);

  // --- Scenario lists (init_sim, init_playback, plume_refresh). Each
  // returns 1 when the text could be read, 0 otherwise.

  // Replaces the terrain types.
  int ParseTerrain(const char* text);
  int ParseImpactLines(const char* text);
  // Replaces the trajectory.
  int ParseTrajectory(const char* text);
  // Whether the unit lists of a scenario keep the station within its
  // limits, with the units it holds already, and each id and name (as the
  // unit keeps it) within kMaxUnitText bytes; what does not is logged. A
  // missing list fits.
  bool ScenarioUnitsFit(const char* radars, const char* interceptors, const char* incursions);
  // Add their units; the units already there stay.
  int ParseRadars(const char* text);
  int ParseInterceptors(const char* text);
  int ParseIncursions(const char* text);

 private:
  void DeleteTerrainTypes();
  // Deletes the balloons, taking their lines out of the information pane.
  void DeleteBalloons();
  void DeleteUnits();
  // Gives a unit of a scenario list the map and this document.
  void Adopt(CResourceUnit* unit);
  template <typename Unit>
  Unit* AddUnit(UnitMap<Unit>* store, size_t limit, std::unique_ptr<Unit> unit);

  CStationUi& ui_;
  int phase_ = PHASE_UNREGISTERED;
  int commandMode_ = MODE_NONE;
  TerrainTable terrainTypes_;  // owns its terrain types
  std::string mapURL_;
  bool playback_ = false;
  CStationAgent* agent_ = nullptr;
  CStationFrame* frame_ = nullptr;
  std::string simulationAgent_;
  std::string ownName_;
  std::unique_ptr<CTeamMember> ownMember_;
  TeamMembers teamMembers_;
  Balloons balloons_;
  std::unordered_map<std::string, CWeatherBalloon*> balloonIds_;  // the balloons by id
  UnitMap<CRadarStation> radars_;
  UnitMap<CInterceptor> interceptors_;
  UnitMap<CIncursion> incursions_;
  std::unique_ptr<CLatLng> stationLocation_;
  CRect selectionRect_;
  std::string selectedInterceptor_;  // its id; empty for none
  std::unique_ptr<CWorldMap> worldMap_;
  std::unique_ptr<CImpactLines> impactLines_;
  std::unique_ptr<CTrajectory> trajectory_;
  std::string hoverText_;
  bool goAlpha_ = false;
  bool goBravo_ = false;
  bool goCharlie_ = false;
  double ownBalloonCost_ = 0.0;
  double ownRadarCost_ = 0.0;
  double ownInterceptorCost_ = 0.0;
  std::map<std::string, double> teamCosts_;
  std::string title_;
  bool waitDialog_ = false;
  std::unique_ptr<CMapSource> mapSource_;  // while a map is read
};
