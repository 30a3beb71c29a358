// CInfoPaneModel: the station's information pane as a tree of texts -- who
// this station is (agent, host, port, name server, location), its teammates,
// the mission's costs per team member and per kind of unit, and the weather
// reports of its balloons. The Qt pane shows the tree; the UI hands the
// model the pane calls of CStationUi (RefreshInfoPane, UpdateMemberCost,
// ShowWeatherReport, RemoveWeatherReport) and the pane's mouse, with which
// the operator highlights a weather report's cell on the map.
//
// Items are owned by their parent; an item stays at its address until it is
// deleted (a section rebuilt, a report removed). A weather report's first
// item points to its balloon, which lives until RemoveWeatherReport.
// The document is not owned; it is attached once it exists (SetDocument)
// and detached before it goes. Without a document the updates do nothing.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

class CTesselStationDoc;
class CWeatherBalloon;

class CInfoPaneItem {
 public:
  using Children = std::vector<std::unique_ptr<CInfoPaneItem>>;

  CInfoPaneItem(CInfoPaneItem* parent, std::string text)
      : parent_(parent), text_(std::move(text)) {}
  CInfoPaneItem(const CInfoPaneItem&) = delete;
  CInfoPaneItem& operator=(const CInfoPaneItem&) = delete;

  const char* GetText() const { return text_.c_str(); }
  const Children& GetChildren() const { return children_; }
  // Null for the root.
  const CInfoPaneItem* GetParent() const { return parent_; }
  bool IsExpanded() const { return expanded_; }
  // The balloon whose report the item heads; null for other items.
  const CWeatherBalloon* GetBalloon() const { return balloon_; }

 private:
  friend class CInfoPaneModel;

  CInfoPaneItem* parent_;
  std::string text_;
  Children children_;
  bool expanded_ = false;
  const CWeatherBalloon* balloon_ = nullptr;
};

class CInfoPaneModel {
 public:
  // The new pane: "TesselStation Information Pane" with "Agent: unknown",
  // "Mission Cost: 0.0", "Team Members:" (holding "none") and "Weather
  // Reports".
  CInfoPaneModel();
  CInfoPaneModel(const CInfoPaneModel&) = delete;
  CInfoPaneModel& operator=(const CInfoPaneModel&) = delete;

  void SetDocument(CTesselStationDoc* document) { document_ = document; }
  const CInfoPaneItem& GetRoot() const { return root_; }
  // The sections that change on their own, and a balloon's report (null
  // while it has none): a view brings just these up to date.
  const CInfoPaneItem& GetMissionCost() const { return *missionCost_; }
  // The member's line that the last cost update wrote; null before any.
  const CInfoPaneItem* GetLastCostLine() const { return lastCostLine_; }
  const CInfoPaneItem& GetWeatherReports() const { return *weatherReports_; }
  const CInfoPaneItem* GetReport(const CWeatherBalloon* balloon) const;

  // Rebuilds the section of a CStationUi pane code: team members, agent or
  // costs; other codes do nothing.
  void Refresh(int code);
  // The teammates by name, or "none".
  void UpdateTeamMembers();
  // The station's agent name with its host, port and name server as the
  // agent's service table holds them while it is registered (the name
  // server is not asked), and its location.
  void UpdateAgent();
  // The station's own costs as the map view summed them last.
  void UpdateCosts();
  // A team member's costs (texts as given) under "Mission Cost", whose own
  // text takes the mission total. Nothing for an empty or null name.
  void UpdateMemberCost(const char* name, const char* radar, const char* interceptor,
                        const char* balloon, const char* total);
  // A balloon's four lines under "Weather Reports": the first heads the
  // other three. Inserted the first time, replaced afterwards, in time that
  // does not grow with the reports; a report goes in time that grows with
  // the reports after it.
  void ShowWeatherReport(const CWeatherBalloon* balloon, const std::vector<std::string>& lines);
  void RemoveWeatherReport(const CWeatherBalloon* balloon);

  // --- Mouse

  // The left button went down on `item` (null: on no item): a weather
  // report's cell is highlighted on the map.
  void OnLButtonDown(const CInfoPaneItem* item);
  // The button went up or the mouse moved: the highlight goes.
  void OnLButtonUp() { ClearHighlight(); }
  void OnMouseMove() { ClearHighlight(); }

 private:
  // Among the root's children, in alphabetical order (case ignored).
  CInfoPaneItem* InsertSorted(std::string text);
  // As `parent`'s last child.
  static CInfoPaneItem* Append(CInfoPaneItem* parent, std::string text);
  static void Delete(CInfoPaneItem* item);
  void ClearHighlight();

  CTesselStationDoc* document_ = nullptr;
  CInfoPaneItem root_{nullptr, "TesselStation Information Pane"};
  CInfoPaneItem* agent_ = nullptr;
  CInfoPaneItem* missionCost_ = nullptr;
  CInfoPaneItem* teamMembers_ = nullptr;
  CInfoPaneItem* weatherReports_ = nullptr;
  // The first item of each balloon's report.
  std::unordered_map<const CWeatherBalloon*, CInfoPaneItem*> reports_;
  // Each team member's line under "Mission Cost", by the member's name.
  std::map<std::string, CInfoPaneItem*> memberCosts_;
  const CInfoPaneItem* lastCostLine_ = nullptr;
};
