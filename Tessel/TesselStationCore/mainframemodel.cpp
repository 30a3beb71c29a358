#include "TesselStationCore/mainframemodel.h"

#include <algorithm>

#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/mapviewmodel.h"
#include "TesselStationCore/stationmessages.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "Toolwick/format.h"

CMainFrameModel::CMainFrameModel(CTesselStationDoc& document) : document_(document) {}

void CMainFrameModel::SetClock(int minutes) {
  clock_ = minutes;
  document_.SetPhase(CTesselStationDoc::PHASE_RUNNING);
  // A pulse may jump over the minute the window opens.
  if (!goNoGoEnabled_ && minutes >= kLaunchWindow) {
    goNoGoEnabled_ = true;
    goNoGoImage_ = IMAGE_NOGO;
  }
  document_.GetUi().RedrawMainWindow();
}

void CMainFrameModel::SetGoNoGoDisplay(bool go) {
  goNoGoDown_ = go;
  goNoGoImage_ = go ? IMAGE_GO : IMAGE_NOGO;
}

HeapText CMainFrameModel::Countdown(int minutes) {
  return CTesselStationDoc::FormatMissionTime(std::clamp(minutes, 0, kLastMinute));
}

void CMainFrameModel::UpdatePhase() {
  switch (document_.GetPhase()) {
    case CTesselStationDoc::PHASE_UNREGISTERED:
      phaseText_ = "Unregistered";
      countdownText_ = kInitialCountdown;
      break;
    case CTesselStationDoc::PHASE_REGISTERED:
      phaseText_ = "Registered with ANS";
      countdownText_ = kInitialCountdown;
      break;
    case CTesselStationDoc::PHASE_INITIALIZED:
      phaseText_ = "Initialized...";
      countdownText_ = kInitialCountdown;
      break;
    case CTesselStationDoc::PHASE_PAUSED:
      phaseText_ = "Paused";
      break;
    case CTesselStationDoc::PHASE_RUNNING:
      phaseText_ = Countdown(clock_).get();
      countdownText_ = phaseText_;
      if (clock_ >= kLaunchWindow) countdownText_ += " The Launch Window is now open.";
      break;
    case CTesselStationDoc::PHASE_SYNC_PULSE:
      countdownText_ = Countdown(clock_).get();
      phaseText_ = countdownText_ + " (Sync Pulse)";
      break;
    case CTesselStationDoc::PHASE_COMPLETE:
      phaseText_ = "Simulation Complete";
      break;
    default:
      phaseText_ = "ERROR! Contact Administrator!";
      break;
  }
}

const char* CMainFrameModel::SideText(Side side) const {
  switch (side) {
    case Side::alpha:
      return document_.GoAlpha() ? "Alpha Go" : "Alpha No-Go";
    case Side::bravo:
      return document_.GoBravo() ? "Bravo Go" : "Bravo No-Go";
    case Side::charlie:
      return document_.GoCharlie() ? "Charlie Go" : "Charlie No-Go";
  }
  return "";
}

HeapText CMainFrameModel::CursorPositionText() const {
  const CWorldMap* map = document_.GetWorldMap();
  if (map == nullptr) return HeapText("");
  double lat = 0.0;
  double lng = 0.0;
  map->latlongloc(&lat, &lng, cursorCell_.x, cursorCell_.y);
  return HeapText(str_format("%0.1f,%0.1f", lat, lng));
}

bool CMainFrameModel::CanZoomIn() const {
  const CWorldMap* map = document_.GetWorldMap();
  return map != nullptr && map->getScalefactor() != kMaxZoom;
}

bool CMainFrameModel::CanZoomOut() const {
  const CWorldMap* map = document_.GetWorldMap();
  return map != nullptr && map->getScalefactor() != kMinZoom;
}

void CMainFrameModel::OnZoomIn() {
  const CWorldMap* map = document_.GetWorldMap();
  if (map != nullptr && map->getScalefactor() < kMaxZoom) Zoom(+1);
}

void CMainFrameModel::OnZoomOut() {
  const CWorldMap* map = document_.GetWorldMap();
  if (map != nullptr && map->getScalefactor() > kMinZoom) Zoom(-1);
}

void CMainFrameModel::Zoom(int delta) {
  document_.GetWorldMap()->zoomby(delta);
  if (view_ != nullptr) view_->UpdateMapImage();
}

void CMainFrameModel::OnGoNoGo(bool down) {
  SetGoNoGoDisplay(down);
  document_.SendGoNoGo(down);
}

void CMainFrameModel::OnTrajectoryRefresh() {
  document_.SendToSimulation(station::message::PlumeRefresh().c_str());
}

void CMainFrameModel::OnStopInterceptor() {
  CInterceptor* selected = document_.GetSelectedInterceptor();
  if (selected != nullptr) selected->Abort(true);
}
