#include "TesselStationCore/stationmessages.h"

#include "Toolwick/format.h"

namespace station::message {

std::string InitSimConfirmation(const char* agentName) {
  return str_format("tell :command init_sim :comfirm (%s)", agentName);
}

std::string InitPlaybackConfirmation() { return "tell :command init_playback_confirm"; }

std::string RequestResponse(const char* id, bool handedOver) {
  return str_format("tell :command request-response :id %s :acknowledgement %s", id,
                    handedOver ? "yes" : "no");
}

std::string MissionCost(double total, double radar, double interceptor, double balloon) {
  return str_format(
      "tell :command mission_cost :totalCost %0.0f :radarCost %0.0f :intCost %0.0f "
      ":balloonCost %0.0f",
      total, radar, interceptor, balloon);
}

std::string MissionStats(double balloon, double radar, double interceptor, double total,
                         const char* interceptorStats, const char* radarStats,
                         const char* balloonStats) {
  return str_format(
      "tell :command mission_stats :balloonCost %f :radarCost %f :intCost %f :totalCost %f "
      ":intStats %s :radarStats %s :balloonStats %s",
      balloon, radar, interceptor, total, interceptorStats, radarStats, balloonStats);
}

std::string PlumeRefresh() { return "tell :command plume_refresh"; }

std::string GoNoGoStatus(bool go) {
  return str_format("tell :command update_go_nogo_status :status %s", go ? "go" : "nogo");
}

std::string IncursionHeading(const char* id, double heading, double lat, double lng) {
  return str_format("tell :command update_inc_heading :id %s :heading %f :lat %f :lng %f", id,
                    heading, lat, lng);
}

std::string IncursionEntersRadar(const char* incursionId, const char* radarId) {
  return str_format("tell :command inc_enter_radar :incID %s :radarID %s", incursionId, radarId);
}

std::string IncursionExitsRadar(const char* incursionId, const char* radarId) {
  return str_format("tell :command inc_exit_radar :incID %s :radarID %s", incursionId, radarId);
}

std::string SubjectCommunication(const char* from, const char* message) {
  return str_format("tell :command subject_communication :from %s :message (%s)", from, message);
}

std::string UnitCommand(const char* command, const char* type, const char* id, double lat,
                        double lng, int column, int row) {
  return str_format("tell :command %s :resource %s :id %s :lat %f :lng %f :gridCol %d :gridRow %d",
                    command, type, id, lat, lng, column, row);
}

std::string MenuAbort(const char* type, const char* id) {
  return str_format("tell :command abort :resource %s :id %s", type, id);
}

std::string UnitRequest(const char* requestFrom, const char* type, const char* id, double lat,
                        double lng, int column, int row) {
  return str_format(
      "ask :command request :requestFrom %s :resource %s :id %s :lat %f :lng %f :gridCol %d "
      ":gridRow %d",
      requestFrom, type, id, lat, lng, column, row);
}

std::string Deploy(const char* type, const char* id, double fromLat, double fromLng,
                   int fromColumn, int fromRow, double toLat, double toLng, int toColumn,
                   int toRow) {
  return str_format(
      "tell :command deploy :resource %s :id %s :initLat %f :initLng %f :initGridCol %d "
      ":initGridRow %d :destLat %f :destLng %f :destGridCol %d :destGridRow %d",
      type, id, fromLat, fromLng, fromColumn, fromRow, toLat, toLng, toColumn, toRow);
}

std::string Intercept(const char* type, const char* id, double ownLat, double ownLng,
                      int ownColumn, int ownRow, const char* incursionId, double incursionLat,
                      double incursionLng, int incursionColumn, int incursionRow) {
  return str_format(
      "tell :command intercept :resource %s :id %s :intLat %f :intLng %f :intGridCol %d "
      ":intGridRow %d :incID %s :incLat %f :incLng %f :incGridCol %d :incGridRow %d",
      type, id, ownLat, ownLng, ownColumn, ownRow, incursionId, incursionLat, incursionLng,
      incursionColumn, incursionRow);
}

std::string DeployBalloon(double lat, double lng, int column, int row) {
  return str_format("tell :command deploy_balloon :destLat %f :destLng %f :gridCol %d :gridRow %d",
                    lat, lng, column, row);
}

std::string GetWeather(double lat, double lng, int column, int row, const char* balloonId) {
  return str_format(
      "tell :command get_weather :lat %f :lng %f :gridCol %d :gridRow %d :balloonID %s", lat, lng,
      column, row, balloonId);
}

}  // namespace station::message
