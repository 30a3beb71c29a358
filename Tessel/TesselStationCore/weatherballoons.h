// CWeatherBalloon: sent by the operator from the station's location to a
// point of the map. It flies there, asks the simulation agent for the
// weather at its grid cell, and shows the report in the information pane
// (through CStationUi) and on the map; it costs by the minute until the
// report comes. Balloons belong to this station alone: teammates learn of a
// deployment by one message and nothing else.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "Platform/rect.h"
#include "TesselStationCore/resourceunit.h"

class CWeatherBalloon : public CResourceUnit {
 public:
  static constexpr double kSpeed = 200.0;  // map units per hour
  static constexpr COLORREF kColour = RGB(0xCC, 0x63, 0x63);

  // Speed 200, a new unit id (the document draws another while it is in use).
  CWeatherBalloon();
  ~CWeatherBalloon() override;

  // minutes from the deployment to the report (or to now while none came)
  // + 2; never negative.
  double GetCost() const override;
  // Dead reckoning while en route, else the start point.
  std::unique_ptr<CLatLng> PositionAt(double minute) const override;

  // Flies from one point to another from now on; with `send` the team is
  // told.
  void Deploy(double fromFirst, double fromSecond, double toFirst, double toSecond, bool send);
  // One step at `minute`: the report turns stale after 4 whole hours, and on
  // arrival the balloon stops and asks the simulation agent for the
  // weather. The position at the end of the step.
  std::unique_ptr<CLatLng> AdvanceBalloon(int minute);
  // A report from the weather_data message; nothing when a text is missing.
  void SetWeatherReport(const char* first, const char* second, const char* temperature,
                        const char* pressure, const char* humidity, const char* windSpeed,
                        const char* windDirection);
  // The simulation agent had no weather for the balloon.
  void ReportFailed();
  // The reported cell as map cells (rows counted from the bottom): left and
  // top the lower corner, right and bottom the upper one; with zoom above 3
  // widened by zoom / 2 cells' worth on every side, within the map. Empty
  // without a report or a map.
  CRect GetReportRect(int zoom) const;

  // The balloon after a step at the current minute, its tail while en route,
  // then its lines in the information pane.
  void Draw(CDC* dc);
  // The four lines that the information pane shows for the balloon.
  std::vector<std::string> InfoPaneLines() const;
  // Hands them to the pane.
  void UpdateInfoPane() const;

  bool IsEnRoute() const { return enRoute_; }
  bool HasReport() const { return hasReport_; }
  bool IsStale() const { return stale_; }
  bool HasNoData() const { return noData_; }
  int GetReportTime() const { return reportTime_; }
  // The minute of arrival, -1 while en route.
  int GetReleaseTime() const { return releaseTime_; }
  double GetTemperature() const { return temperature_; }
  double GetPressure() const { return pressure_; }
  double GetHumidity() const { return humidity_; }
  double GetWindSpeed() const { return windSpeed_; }
  double GetWindDirection() const { return windDirection_; }

 private:
  bool stale_ = false;
  // The reported cell's corners in map units: first, second, first, second.
  double reportCell_[4] = {0.0, 0.0, 0.0, 0.0};
  double temperature_ = 0.0;
  double pressure_ = 0.0;
  double humidity_ = 0.0;
  double windSpeed_ = 0.0;
  double windDirection_ = 0.0;
  bool hasReport_ = false;
  int reportTime_ = 0;
  int releaseTime_ = -1;
  bool enRoute_ = false;
  bool noData_ = false;
  std::unique_ptr<CLatLng> lastPosition_;
};
