#include "TesselStationCore/radarstation.h"

#include <algorithm>

#include "TesselMapsLib/worldmap.h"
#include "TesselStationCore/stationnumbers.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

CRadarStation::CRadarStation() : CResourceUnit(UNIT_RADAR) {}

void CRadarStation::Reset() {
  EndActivation();
  active_ = false;
  controllers_.clear();
}

HeapText CRadarStation::GetDescription() const {
  return HeapText(str_format("Radar: %s\nRange: %0.0f", GetName(), range_));
}

double CRadarStation::GetCost() const {
  long long active = totalActiveTime_;
  if (activeStart_ != -1) active += station::elapsed(activeStart_, Now());
  return std::max(0.0, range_ * 1.0 * static_cast<double>(active) + activationCount_ * 1.0);
}

void CRadarStation::Activate() {
  CTesselStationDoc* document = GetDocument();
  if (document == nullptr) return;
  AddController(document->GetOwnMember());
  active_ = true;
  activeStart_ = Now();
  ++activationCount_;
  SendToTeam(UnitCommand("activate", GetStart()));
  RedrawMainWindow();
}

void CRadarStation::Deactivate() {
  CTesselStationDoc* document = GetDocument();
  if (document != nullptr) RemoveController(document->GetOwnMember());
  active_ = false;
  EndActivation();
  SendToTeam(UnitCommand("deactivate", GetStart()));
  RedrawMainWindow();
}

void CRadarStation::DrawControl(CDC* dc, const CLatLng* where) {
  if (where == nullptr) return;
  int offset = 8;
  for (const auto& [name, member] : controllers_) {
    DrawMarker(dc, *where, member->GetColour(), 3, 10, offset);
    offset += 4;
  }
}

bool CRadarStation::SetRange(const char* text) {
  if (GetMap() == nullptr || text == nullptr) return false;
  range_ = read_real(text);
  rangePixels_ = GetMap()->pixradius(range_);
  return true;
}

bool CRadarStation::IsControlledBy(const CTeamMember* member) const {
  return member != nullptr && controllers_.count(member->GetName()) != 0;
}

void CRadarStation::AddController(CTeamMember* member) {
  if (member != nullptr) controllers_[member->GetName()] = member;
}

bool CRadarStation::RemoveController(const CTeamMember* member) {
  return member != nullptr && controllers_.erase(member->GetName()) != 0;
}

void CRadarStation::Draw(CDC* dc) {
  const CWorldMap* map = GetMap();
  if (dc == nullptr || map == nullptr) return;
  const long long zoom = map->getScalefactor();
  const long long s = zoom / 2 * 5;
  int x = 0;
  int y = 0;
  map->LatLng2PixelLoc(&x, &y, GetStart().latitude, GetStart().longitude);

  CPen cross(PS_SOLID, 2, RGB(0xFF, 0xFF, 0xFF));
  CPen* previousPen = dc->SelectObject(&cross);
  using station::saturated;
  dc->MoveTo(saturated(x - s), saturated(y + s));
  dc->LineTo(saturated(x + zoom + s), saturated(y - zoom - s));
  dc->MoveTo(saturated(x - s), saturated(y - zoom - s));
  dc->LineTo(saturated(x + zoom + s), saturated(y + s));

  const CTesselStationDoc* document = GetDocument();
  const bool ours = document != nullptr && IsControlledBy(document->GetOwnMember());
  CPen ring;
  if (ours) {
    ring.CreatePen(PS_SOLID, 1, RGB(0xFF, 0xFF, 0xFF));
  } else {
    ring.CreatePen(PS_DOT, 1, RGB(0x00, 0x63, 0x63));
  }
  dc->SelectObject(&ring);
  CGdiObject* previousBrush = dc->SelectStockObject(NULL_BRUSH);
  const long long r = zoom * rangePixels_;
  dc->Ellipse(saturated(x - r), saturated(y + r), saturated(x + zoom + r),
              saturated(y - zoom - r));
  dc->SelectObject(previousBrush);
  dc->SelectObject(previousPen);
  DrawControl(dc, &GetStart());
}

void CRadarStation::EndActivation() {
  if (activeStart_ == -1) return;
  totalActiveTime_ = station::saturated_sum(totalActiveTime_, station::elapsed(activeStart_, Now()));
  activeStart_ = -1;
}
