// The document's costs, statistics, go/no-go status and mission time.
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

#include "Talkwick/kqmlstring.h"
#include "TesselMapsLib/latlng.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/stationframe.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "TesselStationCore/weatherballoons.h"
#include "Toolwick/format.h"

namespace {

// The minute at which the countdown reaches zero.
constexpr int kZeroHour = 960;

// A unit's name as one KQML value: a KQML word (letters, digits and the
// signs a word may hold, not beginning with ':') goes as it is, any other
// name as a string (kqml_string), which reads back whole.
std::string kqml_value(const char* name) {
  const std::string_view text = name != nullptr ? name : "";
  const bool word = !text.empty() && text[0] != ':' &&
                    std::all_of(text.begin(), text.end(), [](char c) {
                      return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                             (c >= '0' && c <= '9') ||
                             (c != '\0' && std::strchr("<>=+-*/&^~_@$%:.!?", c) != nullptr);
                    });
  return word ? std::string(text) : kqml_string(text);
}

}  // namespace

void CTesselStationDoc::ComputeOwnCosts(double* balloons, double* radars,
                                        double* interceptors) const {
  *balloons = 0.0;
  for (const auto& balloon : balloons_) *balloons += balloon->GetCost();
  *radars = 0.0;
  for (const auto& [id, radar] : radars_) *radars += radar->GetCost();
  *interceptors = 0.0;
  for (const auto& [id, interceptor] : interceptors_) *interceptors += interceptor->GetCost();
}

double CTesselStationDoc::ComputeMissionCost() const {
  double total = 0.0;
  for (const auto& [name, cost] : teamCosts_) total += cost;
  return total + ownBalloonCost_ + ownInterceptorCost_ + ownRadarCost_;
}

void CTesselStationDoc::SetOwnCosts(double balloons, double radars, double interceptors) {
  ownBalloonCost_ = balloons;
  ownRadarCost_ = radars;
  ownInterceptorCost_ = interceptors;
}

void CTesselStationDoc::SetTeamCost(const char* name, double total) {
  if (name != nullptr) teamCosts_[name] = total;
}

HeapText CTesselStationDoc::InterceptorStats() const {
  std::string text = "(tell ";
  int index = 0;
  for (const auto& [id, unit] : interceptors_) {
    text += str_format(
        " :int%d (tell :id %s :name %s :activationCt %d :deployCt %d :intCt %d :totalActiveTime "
        "%d :totalTaskTime %d :cost %f)",
        index++, unit->GetId(), kqml_value(unit->GetName()).c_str(), unit->GetActivationCount(),
        unit->GetDeployCount(),
        unit->GetInterceptCount(), unit->GetTotalActiveTime(), unit->GetTotalTaskTime(),
        unit->GetCost());
  }
  return HeapText(text + str_format(" :count %d)", index));
}

HeapText CTesselStationDoc::RadarStats() const {
  std::string text = "(tell ";
  int index = 0;
  for (const auto& [id, unit] : radars_) {
    text +=
        str_format(" :radar%d (tell :id %s :name %s :activationCt %d :totalActiveTime %d :cost %f)",
                   index++, unit->GetId(), kqml_value(unit->GetName()).c_str(),
                   unit->GetActivationCount(),
                   unit->GetTotalActiveTime(), unit->GetCost());
  }
  return HeapText(text + str_format(" :count %d)", index));
}

HeapText CTesselStationDoc::BalloonStats() const {
  std::string text = "(tell ";
  int index = 0;
  for (const auto& unit : balloons_) {
    text += str_format(
        " :balloon%d (tell :deployTime %d :reportTime %d :deployLat %f :deployLng %f :cost %f)",
        index++, unit->GetStartTime(), unit->HasReport() ? unit->GetReportTime() : 0,
        unit->GetDestination().latitude, unit->GetDestination().longitude, unit->GetCost());
  }
  return HeapText(text + str_format(" :count %d)", index));
}

void CTesselStationDoc::SetSideStatus(const char* side, bool go) {
  if (side == nullptr) return;
  if (std::strstr(side, "alpha") != nullptr) {
    goAlpha_ = go;
  } else if (std::strstr(side, "bravo") != nullptr) {
    goBravo_ = go;
  } else if (std::strstr(side, "charlie") != nullptr) {
    goCharlie_ = go;
  }
  if (ownName_ == side && frame_ != nullptr) frame_->SetGoNoGoDisplay(go);
}

void CTesselStationDoc::SendGoNoGo(bool go) {
  SetSideStatus(ownName_.c_str(), go);
  SendToTeam(station::message::GoNoGoStatus(go).c_str());
}

HeapText CTesselStationDoc::FormatMissionTime(int minute) {
  const int m = std::max(0, minute);
  if (m > kZeroHour) {
    return HeapText(str_format("T+%d hours, %d mins", (m - kZeroHour) / 60, (m - kZeroHour) % 60));
  }
  const int hours = m / 60;
  const int rest = m % 60;
  if (rest == 0) return HeapText(str_format("T-%d hours, %d mins", 16 - hours, 0));
  return HeapText(str_format("T-%d hours, %d mins", 15 - hours, 60 - rest));
}
