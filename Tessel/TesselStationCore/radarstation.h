// CRadarStation: a fixed unit with a range. Team members activate it (they
// become its controllers) and deactivate it; while this station's own member
// controls it, what it holds in its range is visible to the station, and its
// active minutes are charged to the station.
//
// The controllers are team members of the document, not owned; the document
// deletes its units before its team members.
#pragma once

#include <map>
#include <string>

#include "TesselStationCore/resourceunit.h"

class CTeamMember;

class CRadarStation : public CResourceUnit {
 public:
  CRadarStation();

  // Ends a running activation of this station and forgets the controllers;
  // the position and the cost counters stay.
  void Reset() override;
  // "Radar: %s\nRange: %0.0f" with name and range.
  HeapText GetDescription() const override;
  // range x active minutes (a running activation counted up to now) +
  // activationCount; never negative.
  double GetCost() const override;
  // This station takes the radar (its own member becomes a controller) and
  // tells the team; nothing without a document.
  void Activate() override;
  // This station gives the radar up and tells the team.
  void Deactivate() override;
  // A bar in each controller's colour, 8 pixels under `where` and 4 pixels
  // lower for each further one.
  void DrawControl(CDC* dc, const CLatLng* where) override;

  // Refused (false) without a map or for a null text; the range in map units
  // and in cells.
  bool SetRange(const char* text);
  double GetRange() const { return range_; }
  int GetRangePixels() const { return rangePixels_; }
  bool IsActive() const { return active_; }
  int GetActivationCount() const { return activationCount_; }
  int GetTotalActiveTime() const { return totalActiveTime_; }

  // Controllers by name; a null member is never one.
  bool IsControlledBy(const CTeamMember* member) const;
  void AddController(CTeamMember* member);
  bool RemoveController(const CTeamMember* member);
  int GetControllerCount() const { return static_cast<int>(controllers_.size()); }
  const std::map<std::string, CTeamMember*>& GetControllers() const { return controllers_; }

  // The cross, the range circle (solid white when this station controls the
  // radar, dotted dark cyan otherwise) and the control bars.
  void Draw(CDC* dc);

 private:
  // Adds a running activation of this station to the total and ends it.
  void EndActivation();

  double range_ = 0.0;
  int rangePixels_ = 0;
  bool active_ = false;
  std::map<std::string, CTeamMember*> controllers_;
  int activeStart_ = -1;
  int activationCount_ = 0;
  int totalActiveTime_ = 0;
};
