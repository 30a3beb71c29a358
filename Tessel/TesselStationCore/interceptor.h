// CInterceptor: the station's active unit. The station activates it (takes
// it under its control), deploys it to a point, sends it to intercept an
// incursion inside the impact area, aborts it or deactivates it, or asks the
// teammate who controls it for it. Commands given at this station are told
// to the team (send true); the same commands reported by a teammate are
// replayed with send false, so that nothing is echoed and this station's
// counters stay. On reaching the interception point it turns the incursion
// towards the exit of the impact area and follows it out.
//
// The interceptor moves only when it advances (at every drawing). Its
// controller is a team member of the document and its target an incursion
// of the document, found by id each time it is needed; neither is owned.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "TesselStationCore/resourceunit.h"

class CIncursion;
class CTeamMember;

class CInterceptor : public CResourceUnit {
 public:
  enum : int {
    STATE_IDLE = 0,
    STATE_ON_STATION = 1,
    STATE_DEPLOYING = 2,
    STATE_ESCORTING = 3,  // following the incursion to the exit point
    STATE_INTERCEPTING = 4,
  };
  enum : int {
    SCOPE_NONE = 0,
    SCOPE_LAND = 1,
    SCOPE_SEA = 2,
    SCOPE_AIR = 3,
  };
  // Results of Intercept.
  enum : int8_t {
    INTERCEPT_OK = 0,
    INTERCEPT_NO_INCURSION = -1,
    INTERCEPT_NO_POINT = -2,          // out of range or too fast
    INTERCEPT_INCURSION_OUTSIDE = -3,  // the incursion is outside the impact area
    INTERCEPT_POINT_OUTSIDE = -4,     // it leaves the area before the meeting
    INTERCEPT_NO_DOCUMENT = -9,
  };
  static constexpr COLORREF kIdleColour = RGB(0xCC, 0xCC, 0xCC);
  static constexpr COLORREF kTrackColour = RGB(0xFF, 0xFF, 0xCC);
  static constexpr COLORREF kSelectionColour = RGB(0x4C, 0xEC, 0xFF);

  CInterceptor();
  ~CInterceptor() override;

  // Back to the scenario position, idle and uncontrolled, heading 0.0;
  // running activation and deployment minutes are added to the totals
  // first. The counters stay.
  void Reset() override;
  // "Interceptor: %s\nSpeed: %0.0f\nHeading: %0.0f" with name, speed and heading.
  HeapText GetDescription() const override;
  // activationCount + active minutes + deployment minutes, running intervals
  // counted up to now.
  double GetCost() const override;
  // The station takes control: it becomes the controller and the selected
  // interceptor, and tells the team. Nothing without a document.
  void Activate() override;
  // Abort (told), then the station gives the interceptor up and tells the
  // team; the document's selection is cleared when it was this interceptor.
  void Deactivate() override;
  // Asks the controlling teammate (and the simulation agent) for the
  // interceptor; nothing while no one controls it.
  void Request() override;
  // Dead reckoning while moving, else the start point.
  std::unique_ptr<CLatLng> PositionAt(double minute) const override;
  // The controller's bar 10 pixels under `where`, when controlled.
  void DrawControl(CDC* dc, const CLatLng* where) override;

  // "land", "sea" or "air", compared exactly; any other text (null too)
  // leaves the scope.
  void SetScope(const char* text);
  int GetScope() const { return scope_; }
  int GetState() const { return state_; }
  void SetState(int state) { state_ = state; }
  bool IsMoving() const;

  void SetController(CTeamMember* member);
  void ClearController() { SetController(nullptr); }
  bool IsControlled() const { return controlled_; }
  CTeamMember* GetController() const { return controller_; }

  // Towards (lat, lng) from the point where the interceptor last stopped.
  // With `send` the team is told and the deployment minutes are counted.
  void Deploy(double lat, double lng, bool send);
  // Sets course for the point where the interceptor meets `incursion`, from
  // where it is now; INTERCEPT_OK or a refusal, which changes nothing.
  int8_t Intercept(CIncursion* incursion, bool send);
  // Stops where it is now, on station; with `send` the team is told.
  void Abort(bool send);
  // From the interception point to the exit point, escorting.
  void ReturnToExit();
  // One movement step at `minute`: arrival at the destination ends the leg.
  // The position at the end of the step.
  std::unique_ptr<CLatLng> Advance(double minute);

  // The symbol after a step at the current minute, then the tracks.
  void Draw(CDC* dc);
  // While intercepting or escorting: the incursion's course, the
  // interceptor's own and the escort to the exit, in pale yellow.
  void DrawTracks(CDC* dc) const;
  // A circle of radius 16 around the interceptor while on station or moving.
  void DrawSelection(CDC* dc) const;

  // A discriminant this small against B² and 4AC is a double root, a
  // tangent meeting.
  static constexpr double kTangentTolerance = 1e-10;

  // The point where an interceptor at (c, d) with speed s2 meets an
  // incursion at (a, b) with speed s1 and heading `heading` (degrees) at the
  // same time, ahead of the incursion on its course; false when there is
  // none.
  static bool InterceptionPoint(double a, double b, double c, double d, double s1, double s2,
                                double heading, double* x, double* y);

  const CLatLng& GetInterceptPoint() const { return interceptPoint_; }
  const CLatLng& GetOrderPosition() const { return orderPosition_; }
  const CLatLng& GetIncursionPosition() const { return incursionPosition_; }
  const CLatLng& GetExitPoint() const { return exitPoint_; }
  double GetEscortHeading() const { return escortHeading_; }
  const char* GetTargetId() const { return targetId_.c_str(); }
  // The incursion being intercepted, looked up in the document; null when
  // none (or it is gone).
  CIncursion* GetTarget() const;

  int GetTaskStart() const { return taskStart_; }
  int GetActivationStart() const { return activationStart_; }
  int GetActivationCount() const { return activationCount_; }
  int GetTotalTaskTime() const { return totalTaskTime_; }
  int GetTotalActiveTime() const { return totalActiveTime_; }
  int GetInterceptCount() const { return interceptCount_; }
  int GetDeployCount() const { return deployCount_; }

 private:
  // Add a running deployment / activation to its total (up to `minute`) and
  // end it.
  void EndTask(int minute);
  void EndActivation(int minute);
  // The leg ends: arrival is tested against the next destination afresh.
  void NewLeg() { lastPosition_.reset(); }

  int scope_ = SCOPE_NONE;
  int state_ = STATE_IDLE;
  CLatLng interceptPoint_;
  CLatLng orderPosition_;
  CLatLng incursionPosition_;
  CLatLng exitPoint_;
  bool targeting_ = false;  // the target below is being intercepted
  std::string targetId_;
  double escortHeading_ = 0.0;
  bool controlled_ = false;
  CTeamMember* controller_ = nullptr;
  std::unique_ptr<CLatLng> lastPosition_;
  int taskStart_ = -1;
  int activationStart_ = -1;
  int activationCount_ = 0;
  int totalTaskTime_ = 0;
  int totalActiveTime_ = 0;
  int interceptCount_ = 0;
  int deployCount_ = 0;
};
