// CMainFrameModel: what the station's main frame shows and does, without the
// window. It keeps the mission clock and the mouse's map cell, gives the
// texts of the status panes and of the countdown in the go/no-go bar, says
// which commands are enabled, and runs the frame's commands (zoom, go/no-go,
// trajectory refresh, stop interceptor). The Qt main frame shows these texts
// and states and forwards its commands here; it redraws when the model asks
// the UI for RedrawMainWindow.
//
// The document and the UI are not owned and must outlive the model; the map
// view is attached when it exists (SetView) and detached before it goes.
// The document reaches the model through CStationFrame (SetMainFrame).
#pragma once

#include <string>

#include "Platform/rect.h"
#include "TesselStationCore/stationframe.h"
#include "Toolwick/heaptext.h"

class CMapViewModel;
class CTesselStationDoc;

class CMainFrameModel : public CStationFrame {
 public:
  // The images of the go/no-go button.
  enum : int {
    IMAGE_GO = 153,
    IMAGE_NOGO = 154,
    IMAGE_DISABLED = 155,
  };
  // The sides of the go/no-go status panes.
  enum class Side { alpha, bravo, charlie };
  // The launch window opens at this minute; the countdown ends at the last.
  static constexpr int kLaunchWindow = 900;
  static constexpr int kLastMinute = 960;
  // The zoom commands stop at these scale factors.
  static constexpr int kMinZoom = 2;
  static constexpr int kMaxZoom = 10;
  static constexpr const char* kInitialCountdown = "T-16 Hours, 0 Mins";

  explicit CMainFrameModel(CTesselStationDoc& document);
  CMainFrameModel(const CMainFrameModel&) = delete;
  CMainFrameModel& operator=(const CMainFrameModel&) = delete;

  // --- CStationFrame

  int GetClock() const override { return clock_; }
  // Stores the minutes, sets the document's phase to running and, at the
  // first clock of the launch window or later, enables the go/no-go button
  // (no-go shown); then the frame is redrawn.
  void SetClock(int minutes) override;
  // The go/no-go button down (go) or up.
  void SetGoNoGoDisplay(bool go) override;

  // The view that the zoom commands render anew; null detaches it.
  void SetView(CMapViewModel* view) { view_ = view; }

  // --- Mouse position, written by the map view

  // The map cell under the mouse and the mouse's client point; (0, 0) at
  // first.
  void SetCursorCell(CPoint cell) { cursorCell_ = cell; }
  CPoint GetCursorCell() const { return cursorCell_; }
  void SetCursorPoint(CPoint point) { cursorPoint_ = point; }
  CPoint GetCursorPoint() const { return cursorPoint_; }

  // --- Texts

  // "T-%d hours, %d mins" of the clock, read within 0 to 960 minutes.
  static HeapText Countdown(int minutes);
  // Brings the phase pane and the countdown of the go/no-go bar up to date
  // with the document's phase and the clock (the frame's periodic update).
  // The bar keeps its text in the phases that name no time.
  void UpdatePhase();
  // Texts owned by the model, valid until the next UpdatePhase.
  const char* GetPhaseText() const { return phaseText_.c_str(); }
  const char* GetCountdownText() const { return countdownText_.c_str(); }
  // "Alpha Go" / "Alpha No-Go" and so on, from the document's flags.
  const char* SideText(Side side) const;
  // The latitude and longitude of the mouse cell, "%0.1f,%0.1f"; "" while
  // the document has no map.
  HeapText CursorPositionText() const;

  // --- The go/no-go bar

  bool IsGoNoGoEnabled() const { return goNoGoEnabled_; }
  bool IsGoNoGoDown() const { return goNoGoDown_; }
  // IMAGE_DISABLED until the launch window opens, then IMAGE_GO or IMAGE_NOGO.
  int GetGoNoGoImage() const { return goNoGoImage_; }

  // --- Commands

  bool CanZoomIn() const;
  bool CanZoomOut() const;
  // One zoom step, then the view renders the map anew; nothing at the limit.
  void OnZoomIn();
  void OnZoomOut();
  // The go/no-go button was pressed: `down` is its state now. The document
  // records the station's status and tells the team.
  void OnGoNoGo(bool down);
  // Asks the simulation agent for the trajectory anew.
  void OnTrajectoryRefresh();
  // The selected interceptor, if any, stops where it is (told to the team).
  void OnStopInterceptor();

 private:
  void Zoom(int delta);

  CTesselStationDoc& document_;
  CMapViewModel* view_ = nullptr;
  int clock_ = 0;
  CPoint cursorCell_;
  CPoint cursorPoint_;
  std::string phaseText_ = "Administrator Mode";  // until the first update
  std::string countdownText_ = kInitialCountdown;
  bool goNoGoEnabled_ = false;
  bool goNoGoDown_ = false;
  int goNoGoImage_ = IMAGE_DISABLED;
};
