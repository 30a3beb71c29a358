#include "TesselStationCore/weatherballoons.h"

#include <algorithm>
#include <cmath>

#include "TesselMapsLib/worldmap.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/stationnumbers.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/format.h"
#include "Toolwick/numbers.h"

namespace {

// "<time> (hh:mm ago)" of a past minute.
std::string moment(int minute, int now) {
  const int ago = station::elapsed(minute, now);
  return str_format("%s (%02d:%02d ago)", CTesselStationDoc::FormatMissionTime(minute).get(),
                    ago / 60, ago % 60);
}

}  // namespace

CWeatherBalloon::CWeatherBalloon() {
  SetSpeed(kSpeed);
  SetId(NewUnitId().c_str());
}

CWeatherBalloon::~CWeatherBalloon() = default;

double CWeatherBalloon::GetCost() const {
  const int end = hasReport_ ? reportTime_ : Now();
  return station::elapsed(GetStartTime(), end) * 1.0 + 1.0 + 1.0;
}

std::unique_ptr<CLatLng> CWeatherBalloon::PositionAt(double minute) const {
  if (enRoute_) return DeadReckoning(minute);
  return std::make_unique<CLatLng>(&GetStart());
}

void CWeatherBalloon::Deploy(double fromFirst, double fromSecond, double toFirst, double toSecond,
                             bool send) {
  enRoute_ = true;
  releaseTime_ = -1;
  SetStart(fromFirst, fromSecond);
  SetDestination(toFirst, toSecond);
  SetHeading(station::ToDegrees(HeadingTo(fromFirst, fromSecond, toFirst, toSecond)));
  SetStartTime(Now());
  lastPosition_.reset();
  if (!send) return;
  int column = 0;
  int row = 0;
  LatLngToGrid(toFirst, toSecond, &column, &row);
  SendToTeam(station::message::DeployBalloon(toFirst, toSecond, column, row));
}

std::unique_ptr<CLatLng> CWeatherBalloon::AdvanceBalloon(int minute) {
  if (hasReport_ && !stale_ && (static_cast<long long>(minute) - reportTime_) / 60 >= 4) {
    stale_ = true;
  }
  std::unique_ptr<CLatLng> p = PositionAt(minute);
  if (!enRoute_) return p;
  if (!ReachedDestination(*p, lastPosition_.get())) {
    lastPosition_ = std::make_unique<CLatLng>(p.get());
    return p;
  }
  enRoute_ = false;
  releaseTime_ = minute;
  SetStart(GetDestination().latitude, GetDestination().longitude);
  lastPosition_.reset();
  p = std::make_unique<CLatLng>(&GetStart());
  int column = 0;
  int row = 0;
  LatLngToGrid(p->latitude, p->longitude, &column, &row);
  SendToSimulation(
      station::message::GetWeather(p->latitude, p->longitude, column, row, GetId()));
  return p;
}

void CWeatherBalloon::SetWeatherReport(const char* first, const char* second,
                                       const char* temperature, const char* pressure,
                                       const char* humidity, const char* windSpeed,
                                       const char* windDirection) {
  for (const char* text : {first, second, temperature, pressure, humidity, windSpeed,
                           windDirection}) {
    if (text == nullptr) return;
  }
  int column = 0;
  int row = 0;
  LatLngToGrid(read_real(first), read_real(second), &column, &row);
  reportCell_[0] = column * 23.75;
  reportCell_[1] = 560 - (row + 1.0) * 14 + 95;
  reportCell_[2] = (column + 1.0) * 23.75;
  reportCell_[3] = 560 - row * 14.0 + 95;
  temperature_ = read_real(temperature);
  pressure_ = read_real(pressure);
  humidity_ = read_real(humidity);
  windSpeed_ = read_real(windSpeed);
  windDirection_ = read_real(windDirection);
  hasReport_ = true;
  stale_ = false;  // a fresh report
  reportTime_ = Now();
}

void CWeatherBalloon::ReportFailed() {
  reportTime_ = Now();
  noData_ = true;
}

CRect CWeatherBalloon::GetReportRect(int zoom) const {
  const CWorldMap* map = GetMap();
  if (!hasReport_ || map == nullptr) return CRect();
  int x1 = 0;
  int y1 = 0;
  int x2 = 0;
  int y2 = 0;
  map->pixelloc(&x1, &y1, reportCell_[0], reportCell_[1]);
  map->pixelloc(&x2, &y2, reportCell_[2], reportCell_[3]);
  long long left = std::min(x1, x2);
  long long top = std::min(y1, y2);
  long long right = std::max(x1, x2);
  long long bottom = std::max(y1, y2);
  if (zoom > 3) {
    const long long dx = zoom / 2 * (right - left);
    const long long dy = zoom / 2 * (bottom - top);
    left -= dx;
    right += dx;
    top -= dy;
    bottom += dy;
  }
  return CRect(static_cast<int>(std::max(0LL, left)), static_cast<int>(std::max(0LL, top)),
               static_cast<int>(std::min<long long>(right, map->getWidth())),
               static_cast<int>(std::min<long long>(bottom, map->getHeight())));
}

void CWeatherBalloon::Draw(CDC* dc) {
  const CWorldMap* map = GetMap();
  if (dc == nullptr || map == nullptr) return;
  const std::unique_ptr<CLatLng> p = AdvanceBalloon(Now());
  const double tail = HeadingTo(p->latitude, p->longitude, GetDestination().latitude,
                                GetDestination().longitude) +
                      station::kPi;
  int x = 0;
  int y = 0;
  map->LatLng2PixelLoc(&x, &y, p->latitude, p->longitude);
  const int r = map->getScalefactor() / 2 * 5;
  CPen pen(PS_SOLID, 2, kColour);
  CBrush brush(kColour);
  CPen* previousPen = dc->SelectObject(&pen);
  CBrush* previousBrush = dc->SelectObject(&brush);
  dc->Ellipse(x - r, y - r, x + r, y + r);
  if (enRoute_) {
    dc->MoveTo(x, y);
    dc->LineTo(PointAt(x, y, 15, tail));
  }
  dc->SelectObject(previousBrush);
  dc->SelectObject(previousPen);
  UpdateInfoPane();
}

std::vector<std::string> CWeatherBalloon::InfoPaneLines() const {
  const int now = Now();
  const std::string destination = str_format("Location: %s", DestinationGridText().get());
  if (enRoute_) {
    return {str_format("En Route to %s", DestinationGridText().get()),
            "Deployed at " + moment(GetStartTime(), now),
            str_format("Location: %s", GridText().get()), "Status - not released"};
  }
  if (hasReport_) {
    return {
        destination, "Received at " + moment(reportTime_, now),
        str_format("Temperature %04.2fF / Humidity %02.0f%%", temperature_, humidity_),
        str_format("Wind Speed %02.0f knots, Direction %02.0f deg", windSpeed_, windDirection_)};
  }
  if (noData_) {
    return {destination, "Deployed at " + moment(GetStartTime(), now),
            "Release at " + moment(reportTime_, now), "No Weather Data Available."};
  }
  // Waiting for the report: released at the minute of arrival.
  return {destination, "Deployed at " + moment(GetStartTime(), now),
          "Release at " + moment(releaseTime_, now),
          "Status - Balloon released, awaiting report..."};
}

void CWeatherBalloon::UpdateInfoPane() const {
  const CTesselStationDoc* document = GetDocument();
  if (document != nullptr) document->GetUi().ShowWeatherReport(this, InfoPaneLines());
}
