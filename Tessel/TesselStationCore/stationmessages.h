// The station's message vocabulary, in one place: the commands it takes
// (CStationProtocol binds each to its handler, in this order) and every
// content it sends. Each function below gives one outgoing content, "tell
// :command ..." as the peers read it, byte for byte; the senders of the
// document put the KQML envelope around it.
//
// Positions are written with "%f", costs of the mission_cost pulse with
// "%0.0f"; every other value is written as it is given.
#pragma once

#include <string>

namespace station::message {

// --- The commands the station takes, in the order they are tested

inline constexpr const char* kInitSim = "init_sim";
inline constexpr const char* kInitPlayback = "init_playback";
inline constexpr const char* kStopPlayback = "stop_playback";
inline constexpr const char* kRequest = "request";
inline constexpr const char* kStartPlayback = "start_playback";
inline constexpr const char* kStartSim = "start_sim";
inline constexpr const char* kClockSync = "clock_sync";
inline constexpr const char* kResetSim = "reset_sim";
inline constexpr const char* kActivate = "activate";
inline constexpr const char* kAbort = "abort";
inline constexpr const char* kDeactivate = "deactivate";
inline constexpr const char* kUpdate = "update";
inline constexpr const char* kIntercept = "intercept";
inline constexpr const char* kDeploy = "deploy";
inline constexpr const char* kMissionComplete = "mission_complete";
inline constexpr const char* kSubjectCommunication = "subject_communication";
inline constexpr const char* kGoNoGoStatus = "update_go_nogo_status";
inline constexpr const char* kIncursionHeading = "update_inc_heading";
inline constexpr const char* kPlumeRefresh = "plume_refresh";
inline constexpr const char* kWeatherData = "weather_data";
inline constexpr const char* kRequestResponse = "request-response";
inline constexpr const char* kMissionCost = "mission_cost";
inline constexpr const char* kPlaybackDeployBalloon = "playback_deploy_balloon";

// --- Answers of the protocol's handlers

// init_sim accepted: "(name)" confirms the station's agent name.
std::string InitSimConfirmation(const char* agentName);
std::string InitPlaybackConfirmation();
// The operator's answer to a teammate's request for an interceptor.
std::string RequestResponse(const char* id, bool handedOver);
// The station's own costs, sent at every clock pulse.
std::string MissionCost(double total, double radar, double interceptor, double balloon);
// The station's costs and the statistics texts of its units, at the end.
std::string MissionStats(double balloon, double radar, double interceptor, double total,
                         const char* interceptorStats, const char* radarStats,
                         const char* balloonStats);

// --- The main frame, the document and the chat window

std::string PlumeRefresh();
std::string GoNoGoStatus(bool go);
std::string IncursionHeading(const char* id, double heading, double lat, double lng);
std::string IncursionEntersRadar(const char* incursionId, const char* radarId);
std::string IncursionExitsRadar(const char* incursionId, const char* radarId);
// A chat line: `message` is already one well-formed KQML text.
std::string SubjectCommunication(const char* from, const char* message);

// --- The units' commands, told to the team

// activate, deactivate and abort: the unit of `type` (its type name) at a
// position and its grid cell.
std::string UnitCommand(const char* command, const char* type, const char* id, double lat,
                        double lng, int column, int row);
// The abort that the unit menu adds, by type name and id alone.
std::string MenuAbort(const char* type, const char* id);
// A request for a teammate's interceptor: the content begins with "ask".
std::string UnitRequest(const char* requestFrom, const char* type, const char* id, double lat,
                        double lng, int column, int row);
std::string Deploy(const char* type, const char* id, double fromLat, double fromLng,
                   int fromColumn, int fromRow, double toLat, double toLng, int toColumn,
                   int toRow);
std::string Intercept(const char* type, const char* id, double ownLat, double ownLng,
                      int ownColumn, int ownRow, const char* incursionId, double incursionLat,
                      double incursionLng, int incursionColumn, int incursionRow);
std::string DeployBalloon(double lat, double lng, int column, int row);
std::string GetWeather(double lat, double lng, int column, int row, const char* balloonId);

}  // namespace station::message
