#include "TesselStationCore/interceptor.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/worldmap.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/stationnumbers.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/format.h"

using station::ToDegrees;

CInterceptor::CInterceptor() : CResourceUnit(UNIT_INTERCEPTOR) {}

CInterceptor::~CInterceptor() = default;

void CInterceptor::Reset() {
  const int now = Now();
  EndTask(now);
  EndActivation(now);
  SetStartTime(0);
  SetStart(GetInitial().latitude, GetInitial().longitude);
  ClearController();
  state_ = STATE_IDLE;
  SetHeading(0.0);
  targeting_ = false;
  NewLeg();
}

HeapText CInterceptor::GetDescription() const {
  return HeapText(str_format("Interceptor: %s\nSpeed: %0.0f\nHeading: %0.0f", GetName(), GetSpeed(),
                             GetHeading()));
}

double CInterceptor::GetCost() const {
  const int now = Now();
  double active = totalActiveTime_;
  if (activationStart_ != -1) active += station::elapsed(activationStart_, now);
  double task = totalTaskTime_;
  if (taskStart_ != -1) task += station::elapsed(taskStart_, now);
  return activationCount_ * 1.0 + active * 1.0 + task * 1.0;
}

void CInterceptor::Activate() {
  CTesselStationDoc* document = GetDocument();
  if (document == nullptr) return;
  SetController(document->GetOwnMember());
  state_ = STATE_ON_STATION;
  activationStart_ = Now();
  ++activationCount_;
  document->SetSelectedInterceptor(this);
  SendToTeam(UnitCommand("activate", *PositionAt(Now())));
  RedrawMainWindow();
}

void CInterceptor::Deactivate() {
  Abort(true);
  ClearController();
  state_ = STATE_IDLE;
  EndActivation(Now());
  CTesselStationDoc* document = GetDocument();
  if (document != nullptr && document->GetSelectedInterceptor() == this) {
    document->SetSelectedInterceptor(nullptr);
  }
  SendToTeam(UnitCommand("deactivate", *PositionAt(Now())));
  RedrawMainWindow();
}

void CInterceptor::Request() {
  if (!controlled_ || controller_ == nullptr) return;
  const std::unique_ptr<CLatLng> at = PositionAt(Now());
  int column = 0;
  int row = 0;
  LatLngToGrid(at->latitude, at->longitude, &column, &row);
  const std::string content = station::message::UnitRequest(
      controller_->GetName(), TypeName(), GetId(), at->latitude, at->longitude, column, row);
  SendToAgent(controller_->GetName(), content);
  SendToSimulation(content);
}

std::unique_ptr<CLatLng> CInterceptor::PositionAt(double minute) const {
  if (IsMoving()) return DeadReckoning(minute);
  return std::make_unique<CLatLng>(&GetStart());
}

void CInterceptor::DrawControl(CDC* dc, const CLatLng* where) {
  if (!controlled_ || controller_ == nullptr || where == nullptr) return;
  DrawMarker(dc, *where, controller_->GetColour(), 3, 10, 10);
}

void CInterceptor::SetScope(const char* text) {
  if (text == nullptr) return;
  if (std::strcmp(text, "land") == 0) {
    scope_ = SCOPE_LAND;
  } else if (std::strcmp(text, "sea") == 0) {
    scope_ = SCOPE_SEA;
  } else if (std::strcmp(text, "air") == 0) {
    scope_ = SCOPE_AIR;
  }
}

bool CInterceptor::IsMoving() const {
  return state_ == STATE_DEPLOYING || state_ == STATE_ESCORTING || state_ == STATE_INTERCEPTING;
}

void CInterceptor::SetController(CTeamMember* member) {
  controller_ = member;
  controlled_ = member != nullptr;
}

void CInterceptor::Deploy(double lat, double lng, bool send) {
  const int now = Now();
  state_ = STATE_DEPLOYING;
  SetDestination(lat, lng);
  SetHeading(ToDegrees(HeadingTo(GetStart().latitude, GetStart().longitude, lat, lng)));
  SetStartTime(now);
  NewLeg();
  if (!send) return;
  const CLatLng& from = GetStart();
  int fromColumn = 0;
  int fromRow = 0;
  LatLngToGrid(from.latitude, from.longitude, &fromColumn, &fromRow);
  int toColumn = 0;
  int toRow = 0;
  LatLngToGrid(lat, lng, &toColumn, &toRow);
  SendToTeam(station::message::Deploy(TypeName(), GetId(), from.latitude, from.longitude,
                                      fromColumn, fromRow, lat, lng, toColumn, toRow));
  // A deployment that replaces a running one keeps the minutes of the first.
  EndTask(now);
  taskStart_ = now;
  ++deployCount_;
}

int8_t CInterceptor::Intercept(CIncursion* incursion, bool send) {
  if (incursion == nullptr) return INTERCEPT_NO_INCURSION;
  const CTesselStationDoc* document = GetDocument();
  if (document == nullptr) return INTERCEPT_NO_DOCUMENT;
  const int now = Now();
  const std::unique_ptr<CLatLng> target = incursion->PositionAt(now);
  const CImpactLines* area = document->GetImpactLines();
  if (area == nullptr || !area->Inside(target->latitude, target->longitude)) {
    return INTERCEPT_INCURSION_OUTSIDE;
  }
  const std::unique_ptr<CLatLng> own = PositionAt(now);
  double x = 0.0;
  double y = 0.0;
  if (!InterceptionPoint(target->latitude, target->longitude, own->latitude, own->longitude,
                         incursion->GetSpeed(), GetSpeed(), incursion->GetHeading(), &x, &y)) {
    return INTERCEPT_NO_POINT;
  }
  if (!area->Inside(x, y)) return INTERCEPT_POINT_OUTSIDE;

  targetId_ = incursion->GetId();
  targeting_ = true;
  orderPosition_.SetLatLng(own.get());
  incursionPosition_.SetLatLng(target.get());
  interceptPoint_.SetLatLng(x, y);
  double exitLat = x;
  double exitLng = y;
  area->GetExitPoint(&exitLat, &exitLng, x, y);
  exitPoint_.SetLatLng(exitLat, exitLng);
  escortHeading_ = ToDegrees(std::atan2(exitLat - x, exitLng - y));
  state_ = STATE_INTERCEPTING;
  // The course starts where the interceptor is now, also in mid-deployment.
  SetStart(own->latitude, own->longitude);
  SetDestination(x, y);
  SetHeading(ToDegrees(HeadingTo(own->latitude, own->longitude, x, y)));
  SetStartTime(now);
  NewLeg();
  incursion->SetIntercepted(true);
  if (!send) return INTERCEPT_OK;
  int ownColumn = 0;
  int ownRow = 0;
  LatLngToGrid(own->latitude, own->longitude, &ownColumn, &ownRow);
  int targetColumn = 0;
  int targetRow = 0;
  LatLngToGrid(target->latitude, target->longitude, &targetColumn, &targetRow);
  SendToTeam(station::message::Intercept(TypeName(), GetId(), own->latitude, own->longitude,
                                         ownColumn, ownRow, incursion->GetId(), target->latitude,
                                         target->longitude, targetColumn, targetRow));
  ++interceptCount_;
  return INTERCEPT_OK;
}

void CInterceptor::Abort(bool send) {
  const int now = Now();
  const std::unique_ptr<CLatLng> here = PositionAt(now);
  SetStart(here->latitude, here->longitude);
  SetStartTime(now);
  state_ = STATE_ON_STATION;
  EndTask(now);
  NewLeg();
  if (send) SendToTeam(UnitCommand("abort", GetStart()));
}

void CInterceptor::ReturnToExit() {
  state_ = STATE_ESCORTING;
  SetStart(interceptPoint_.latitude, interceptPoint_.longitude);
  SetDestination(exitPoint_.latitude, exitPoint_.longitude);
  SetStartTime(Now());
  SetHeading(ToDegrees(HeadingTo(interceptPoint_.latitude, interceptPoint_.longitude,
                                 exitPoint_.latitude, exitPoint_.longitude)));
  NewLeg();
}

std::unique_ptr<CLatLng> CInterceptor::Advance(double minute) {
  std::unique_ptr<CLatLng> p = PositionAt(minute);
  if (!IsMoving()) return p;
  if (!ReachedDestination(*p, lastPosition_.get())) {
    lastPosition_ = std::make_unique<CLatLng>(p.get());
    return p;
  }

  const int now = station::truncated(minute);
  if (state_ == STATE_INTERCEPTING) {
    CIncursion* target = GetTarget();
    if (target != nullptr && target->IsIntercepted()) {
      target->SetHeading(escortHeading_);
      target->SetStart(interceptPoint_.latitude, interceptPoint_.longitude);
      target->SetStartTime(now);
      target->SetIntercepted(false);
      targeting_ = false;
      ReturnToExit();
    } else {
      Abort(true);
    }
  } else {
    state_ = STATE_ON_STATION;
    SetStartTime(now);
    SetStart(GetDestination().latitude, GetDestination().longitude);
    EndTask(now);
  }
  NewLeg();
  return std::make_unique<CLatLng>(&GetStart());
}

void CInterceptor::Draw(CDC* dc) {
  const std::unique_ptr<CLatLng> at = Advance(Now());
  const COLORREF colour =
      controlled_ && controller_ != nullptr ? controller_->GetColour() : kIdleColour;
  DrawSymbol(dc, at->latitude, at->longitude, station::HeadingRadians(GetHeading()), 8, 4, 0,
             GetSpeed() >= 500 ? 10 : 0, false, colour, colour);
  DrawTracks(dc);
}

void CInterceptor::DrawTracks(CDC* dc) const {
  const CWorldMap* map = GetMap();
  if (dc == nullptr || map == nullptr) return;
  if (state_ != STATE_ESCORTING && state_ != STATE_INTERCEPTING) return;
  const auto pixel = [map](const CLatLng& p) {
    int x = 0;
    int y = 0;
    map->LatLng2PixelLoc(&x, &y, p.latitude, p.longitude);
    return CPoint(x, y);
  };
  CPen pen(PS_SOLID, 1, kTrackColour);
  CPen* previous = dc->SelectObject(&pen);
  const CPoint meeting = pixel(interceptPoint_);
  dc->MoveTo(pixel(incursionPosition_));
  dc->LineTo(meeting);
  dc->MoveTo(pixel(orderPosition_));
  dc->LineTo(meeting);
  dc->MoveTo(meeting);
  dc->LineTo(pixel(exitPoint_));
  dc->SelectObject(previous);
}

void CInterceptor::DrawSelection(CDC* dc) const {
  const CWorldMap* map = GetMap();
  if (dc == nullptr || map == nullptr) return;
  if (state_ != STATE_ON_STATION && !IsMoving()) return;
  const std::unique_ptr<CLatLng> at = PositionAt(Now());
  int x = 0;
  int y = 0;
  map->LatLng2PixelLoc(&x, &y, at->latitude, at->longitude);
  CPen pen(PS_SOLID, 2, kSelectionColour);
  CPen* previousPen = dc->SelectObject(&pen);
  CGdiObject* previousBrush = dc->SelectStockObject(NULL_BRUSH);
  dc->Ellipse(x - 16, y - 16, x + 16, y + 16);
  dc->SelectObject(previousBrush);
  dc->SelectObject(previousPen);
}

bool CInterceptor::InterceptionPoint(double a, double b, double c, double d, double s1, double s2,
                                     double heading, double* x, double* y) {
  // The angle the incursion moves by (CResourceUnit::DeadReckoning), so that
  // the point lies on its course.
  const double h = station::HeadingRadians(heading);
  const double t = std::tan(h);
  const double g = a - t * b;
  const double u = s1 * s1;
  const double v = s2 * s2;
  const double qa = (t * t + 1) * (u - v);
  const double qc = u * (g * g + d * d + c * c - 2 * g * c) - v * (g * g + b * b + a * a - 2 * g * a);
  const double qb = v * (2 * t * a + 2 * b - 2 * g * t) - u * (2 * t * c + 2 * d - 2 * g * t);

  double root = 0.0;
  if (std::fabs(qa) < 5e-6) {
    // Linear: a vanishing B leaves no equation to solve.
    if (qb == 0) return false;
    root = -qc / qb;
  } else {
    const double discriminant = qb * qb - 4 * qa * qc;
    // A tangent meeting has a double root: at map magnitudes (B² near 1e17)
    // rounding leaves its discriminant some units off zero, either way.
    const double scale = std::max(qb * qb, std::fabs(4 * qa * qc));
    if (std::fabs(discriminant) < 5e-6 || std::fabs(discriminant) <= kTangentTolerance * scale) {
      root = -qb / (2 * qa);
    } else if (discriminant < 0) {
      return false;
    } else {
      const double y1 = (std::sqrt(discriminant) - qb) / (2 * qa);
      const double y2 = (-qb - std::sqrt(discriminant)) / (2 * qa);
      // The way the incursion moves along the second coordinate, as its dead
      // reckoning has it: with pi = 22/7 a heading of 270 degrees still
      // gains a little, one of 90 degrees loses a little.
      const bool growing = std::cos(h) > 0;
      const auto ahead = [&](double candidate) {
        return (candidate - b > 0 && growing) || (candidate - b <= 0 && !growing);
      };
      const auto from_incursion = [&](double candidate) {
        return std::hypot(t * (candidate - b), candidate - b);
      };
      if (ahead(y1) && ahead(y2)) {
        root = from_incursion(y1) < from_incursion(y2) ? y1 : y2;
      } else if (ahead(y1)) {
        root = y1;
      } else if (ahead(y2)) {
        root = y2;
      } else {
        return false;
      }
    }
  }
  *x = a + t * (root - b);
  *y = root;
  return true;
}

CIncursion* CInterceptor::GetTarget() const {
  const CTesselStationDoc* document = GetDocument();
  if (!targeting_ || document == nullptr) return nullptr;
  return document->FindIncursion(targetId_.c_str());
}

void CInterceptor::EndTask(int minute) {
  if (taskStart_ == -1) return;
  totalTaskTime_ = station::saturated_sum(totalTaskTime_, station::elapsed(taskStart_, minute));
  taskStart_ = -1;
}

void CInterceptor::EndActivation(int minute) {
  if (activationStart_ == -1) return;
  totalActiveTime_ =
      station::saturated_sum(totalActiveTime_, station::elapsed(activationStart_, minute));
  activationStart_ = -1;
}
