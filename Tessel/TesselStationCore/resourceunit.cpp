#include "TesselStationCore/resourceunit.h"

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "Talkwick/kqmlstring.h"
#include "TesselMapsLib/worldmap.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/stationnumbers.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"
#include "Toolwick/utils.h"

using station::kThirdTurn;
using station::kTwoPi;

namespace {

double distance(const CLatLng& p, const CLatLng& q) {
  return std::hypot(p.latitude - q.latitude, p.longitude - q.longitude);
}

}  // namespace

double station::HeadingRadians(double degrees) {
  double within = std::fmod(degrees, 360.0);
  if (within < 0) within += 360.0;
  // A tiny negative heading rounds up to a whole turn.
  if (within >= 360.0) within = 0.0;
  return within * kDegreesToRadians;
}

void LatLngToGrid(double first, double second, int* column, int* row) {
  *column = station::truncated(first / 23.75);
  // Wide enough that neither the subtraction nor the sign can overflow.
  const long long band = static_cast<long long>(station::truncated((second - 95.0) / 14.0)) - 39;
  *row = station::saturated(std::llabs(band));
}

HeapText GridCellText(double first, double second) {
  int column = 0;
  int row = 0;
  LatLngToGrid(first, second, &column, &row);
  return HeapText(str_format("%d,%d", column, row));
}

CResourceUnit::CResourceUnit() = default;

CResourceUnit::CResourceUnit(int type) : type_(type) {}

CResourceUnit::~CResourceUnit() = default;

void CResourceUnit::Reset() {
  start_.SetLatLng(&initial_);
  startTime_ = 0;
  heading_ = initialHeading_;
}

HeapText CResourceUnit::GetDescription() const { return HeapText(""); }

double CResourceUnit::GetCost() const { return 0.0; }

void CResourceUnit::Activate() {}

void CResourceUnit::Deactivate() {}

void CResourceUnit::Request() {}

std::unique_ptr<CLatLng> CResourceUnit::PositionAt(double minute) const {
  return DeadReckoning(minute);
}

void CResourceUnit::DrawControl(CDC* /*dc*/, const CLatLng* /*where*/) {}

void CResourceUnit::SetId(const char* id) {
  if (id != nullptr) id_ = id;
}

void CResourceUnit::SetName(const char* name) {
  if (name != nullptr) name_ = StoredName(name);
}

std::string CResourceUnit::StoredName(const char* name) {
  // A string stands for its text, escapes taken.
  if (name[0] == '"') return kqml_string_text(name);
  std::vector<char> copy(name, name + std::strlen(name) + 1);
  CUtils utils;
  return utils.remove_quotes(copy.data());
}

const char* CResourceUnit::TypeName(int type) {
  switch (type) {
    case UNIT_RADAR:
      return "Radar";
    case UNIT_INCURSION:
      return "Incursion";
    case UNIT_INTERCEPTOR:
      return "Interceptor";
    default:
      return "Unknown";
  }
}

bool CResourceUnit::SetSpeed(const char* text) {
  if (text == nullptr) return false;
  speed_ = read_real(text);
  return true;
}

bool CResourceUnit::SetHeading(const char* text) {
  if (text == nullptr) return false;
  heading_ = read_real(text);
  return true;
}

bool CResourceUnit::SetInitialHeading(const char* text) {
  if (text == nullptr) return false;
  initialHeading_ = read_real(text);
  return true;
}

bool CResourceUnit::SetStart(const char* first, const char* second) {
  if (map_ == nullptr || first == nullptr || second == nullptr) return false;
  start_.SetLatLng(read_real(first), read_real(second));
  return true;
}

bool CResourceUnit::SetInitial(const char* first, const char* second) {
  if (map_ == nullptr || first == nullptr || second == nullptr) return false;
  initial_.SetLatLng(read_real(first), read_real(second));
  return true;
}

HeapText CResourceUnit::GridText() const {
  const std::unique_ptr<CLatLng> now = PositionAt(Now());
  return GridCellText(now->latitude, now->longitude);
}

HeapText CResourceUnit::DestinationGridText() const {
  return GridCellText(destination_.latitude, destination_.longitude);
}

double CResourceUnit::DistanceTo(double first, double second) const {
  return distance(CLatLng(first, second), destination_);
}

int CResourceUnit::MinutesTo(double first, double second) const {
  return station::rounded(DistanceTo(first, second) * 60.0 / speed_);
}

double CResourceUnit::HeadingTo(double fromFirst, double fromSecond, double toFirst,
                                double toSecond) {
  const double a = std::atan2(toFirst - fromFirst, toSecond - fromSecond);
  return a < 0 ? a + kTwoPi : a;
}

CPoint CResourceUnit::PointAt(int x, int y, double r, double a) {
  // One remainder instead of stepping, so that a large angle costs nothing.
  a = std::fmod(a, kTwoPi);
  if (a < 0) a += kTwoPi;
  if (a >= kTwoPi) a -= kTwoPi;
  const double dx = std::fabs(std::sin(a)) * r;
  const double dy = std::fabs(std::cos(a)) * r;
  const double nx = a <= station::kPi ? x + dx : x - dx;
  double ny = y - dy;
  if (a >= station::kHalfPi && a <= station::kThreeHalvesPi) ny = y + dy;
  return CPoint(station::rounded(nx), station::rounded(ny));
}

void CResourceUnit::DrawSymbol(CDC* dc, double first, double second, double heading, int radius,
                               int lineExtra, int lineWidth, int noseExtra, bool fourPoints,
                               COLORREF fill, COLORREF pen) const {
  if (dc == nullptr || map_ == nullptr) return;
  int x = 0;
  int y = 0;
  map_->LatLng2PixelLoc(&x, &y, first, second);

  CPoint points[4];
  int count = 0;
  points[count++] = PointAt(x, y, radius + noseExtra, heading);
  points[count++] = PointAt(x, y, radius, heading + kThirdTurn);
  // The notch: the centre, then the last point at the angle it would have had.
  if (fourPoints) points[count++] = CPoint(x, y);
  points[count++] = PointAt(x, y, radius, heading + 2 * kThirdTurn);

  CPen* previousPen = nullptr;
  CPen line;
  if (lineWidth > 0 && line.CreatePen(PS_SOLID, lineWidth, pen)) {
    previousPen = dc->SelectObject(&line);
    dc->MoveTo(x, y);
    dc->LineTo(PointAt(x, y, radius + lineExtra, heading));
  }
  CPen outline(PS_SOLID, 1, pen);
  CBrush inside(fill);
  CPen* before = dc->SelectObject(&outline);
  if (previousPen == nullptr) previousPen = before;
  CBrush* previousBrush = dc->SelectObject(&inside);
  dc->Polygon(points, count);
  CBrush dot(pen);
  dc->FillRect(CRect(x - 1, y - 1, x + 2, y + 2), &dot);
  dc->SelectObject(previousBrush);
  dc->SelectObject(previousPen);
}

void CResourceUnit::DrawMarker(CDC* dc, const CLatLng& where, COLORREF colour, int penWidth,
                               int halfWidth, int offset) const {
  if (dc == nullptr || map_ == nullptr) return;
  int x = 0;
  int y = 0;
  map_->LatLng2PixelLoc(&x, &y, where.latitude, where.longitude);
  CPen bar(PS_SOLID, penWidth, colour);
  CPen* previous = dc->SelectObject(&bar);
  dc->MoveTo(x - halfWidth, y + offset);
  dc->LineTo(x + halfWidth, y + offset);
  dc->SelectObject(previous);
}

std::string CResourceUnit::NewUnitId() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm local{};
  localtime_r(&seconds, &local);
  char clock[16];
  std::strftime(clock, sizeof clock, "%H%M%S", &local);
  const auto milliseconds =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return clock + str_format("%d%d", static_cast<int>(milliseconds), std::rand());
}

std::string CResourceUnit::NewFreeUnitId(const std::function<bool(const std::string&)>& taken,
                                         const std::function<std::string()>& draw) {
  std::string id = draw();
  while (taken(id)) id = draw();
  return id;
}

int CResourceUnit::Now() const { return document_ != nullptr ? document_->MissionClock() : 0; }

void CResourceUnit::SendToTeam(const std::string& content) const {
  if (document_ != nullptr) document_->SendToTeam(content.c_str());
}

void CResourceUnit::SendToSimulation(const std::string& content) const {
  if (document_ != nullptr) document_->SendToSimulation(content.c_str());
}

void CResourceUnit::SendToAgent(const char* receiver, const std::string& content) const {
  if (document_ != nullptr) document_->SendToAgent(receiver, content.c_str());
}

void CResourceUnit::RedrawMainWindow() const {
  if (document_ != nullptr) document_->GetUi().RedrawMainWindow();
}

std::string CResourceUnit::UnitCommand(const char* command, const CLatLng& at) const {
  int column = 0;
  int row = 0;
  LatLngToGrid(at.latitude, at.longitude, &column, &row);
  return station::message::UnitCommand(command, TypeName(), GetId(), at.latitude, at.longitude,
                                       column, row);
}

std::unique_ptr<CLatLng> CResourceUnit::DeadReckoning(double minute) const {
  const double h = station::HeadingRadians(heading_);
  const double hours = minute / 60.0 - startTime_ / 60.0;
  return std::make_unique<CLatLng>(hours * (std::sin(h) * speed_) + start_.latitude,
                                   hours * (std::cos(h) * speed_) + start_.longitude);
}

bool CResourceUnit::ReachedDestination(const CLatLng& p, const CLatLng* last) const {
  if (last == nullptr) return false;
  return distance(p, *last) >= distance(destination_, *last) ||
         distance(p, start_) >= distance(destination_, start_);
}
