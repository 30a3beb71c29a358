// CMapViewModel: the station's map view without the window. It paints the
// document onto a device context -- terrain, the station, the cell label and
// hover text, the selection highlight, the units, the impact area, the
// trajectory and the grid labels, in that order from the bottom -- sums the
// station's own costs while it draws the units, and keeps the view's scroll
// sizes. It turns the mouse into unit commands: hit tests, the cursor over a
// unit, left clicks and the right click's "Commands" menu.
//
// The Qt map view only shows what OnDraw paints and forwards its size, its
// scroll position, the mouse and its two commands here. Points given to the
// mouse operations are client points of the view; OnDraw paints in map
// pixels, the view's scrolled coordinates.
//
// The document, the frame model and the window's device context are not
// owned and must outlive the model. Units are found anew at every call and
// looked up again by id after any modal question or menu.
#pragma once

#include <vector>

#include "Platform/dc.h"
#include "Platform/rect.h"

class CMainFrameModel;
class CResourceUnit;
class CTesselStationDoc;

class CMapViewModel {
 public:
  // What OnSetCursor shows: the unit type codes, or the window's own cursor.
  enum : int {
    CURSOR_DEFAULT = 0,
    CURSOR_RADAR = 1,
    CURSOR_INCURSION = 2,
    CURSOR_INTERCEPTOR = 3,
  };
  // The cell label and hover text.
  static constexpr COLORREF kLabelColour = RGB(255, 255, 204);
  // The colour that the selection highlight mixes in.
  static constexpr COLORREF kHighlightColour = RGB(0, 120, 215);
  // A unit is near a point when its cell lies within this many cells.
  static constexpr int kNearCells = 5;

  // `window` is a device context of the window the map is shown in: the
  // rendered terrain is made compatible with it.
  CMapViewModel(CTesselStationDoc& document, CMainFrameModel& frame, CDC& window);
  CMapViewModel(const CMapViewModel&) = delete;
  CMapViewModel& operator=(const CMapViewModel&) = delete;

  // --- Drawing

  // The first scroll sizes: 100 x 100 pixels, default page and line.
  void OnInitialUpdate();
  // Paints the whole document on `dc` and covers `clip` (map pixels), which
  // is first filled with dc's background colour. Stores the station's own
  // cost totals, asks the UI to refresh the cost section of the information
  // pane and sets the scroll sizes to the map's.
  void OnDraw(CDC* dc, const CRect& clip);
  // Renders the map's terrain anew (after a load or a zoom) and redraws.
  void UpdateMapImage();
  // The station's symbol, 32 x 32 pixels from (left, top).
  static void DrawStationIcon(CDC* dc, int left, int top);

  // --- Scrolling, told by the window

  void SetClientSize(CSize size) { clientSize_ = size; }
  void SetScrollPosition(CPoint position) { scrollPosition_ = position; }
  // Zero page and line sizes leave them to the window.
  CSize GetTotalSize() const { return totalSize_; }
  CSize GetPageSize() const { return pageSize_; }
  CSize GetLineSize() const { return lineSize_; }

  // --- Hit tests

  // The map cell under a client point (rows counted from the bottom); false
  // while there is no map or its scale factor is below 1.
  bool CellFromPoint(CPoint point, CPoint* cell) const;
  // Whether the point's cell lies on the map and within kNearCells of
  // `unitCell` (exclusive).
  bool IsNear(CPoint point, CPoint unitCell) const;
  // The first unit near the point: radar stations, then interceptors, then
  // the incursions the station sees; its type in *type (-1 and null when
  // none).
  CResourceUnit* FindUnit(CPoint point, int* type);
  // Every unit near the point, in the same order and each kind in its own.
  std::vector<CResourceUnit*> UnitsNear(CPoint point);

  // --- Mouse

  // Over an inner cell of the map: the frame keeps the cell and the point,
  // and the view is redrawn.
  void OnMouseMove(CPoint point);
  // Sets the document's hover text to the description of the unit under
  // the last mouse point and says which cursor to show.
  int OnSetCursor();
  // Selects, acquires, releases, requests, deploys or intercepts, as the
  // unit under the point and the selected interceptor say.
  void OnLButtonDown(CPoint point);
  // The "Commands" menu at `screen` and the command chosen from it.
  void OnRButtonDown(CPoint point, CPoint screen);

  // --- The weather-report command

  void OnWeatherReportMode();
  // Enabled while the clock runs; checked in weather-report mode.
  bool IsWeatherReportEnabled() const;
  bool IsWeatherReportChecked() const;

 private:
  // Whether the unit's cell now is near the point; incursions that the
  // station does not see never are. Needs the map.
  bool IsUnitNear(CPoint point, CResourceUnit* unit);
  // The first unit of `store` near the point; null when none.
  template <typename Store>
  CResourceUnit* FindUnitInList(CPoint point, const Store& store);
  template <typename Store>
  void AddUnitsNear(CPoint point, const Store& store, std::vector<CResourceUnit*>* units);
  bool IsOnMap(CPoint cell) const;
  // Steps of OnDraw.
  void DrawCellLabel(CDC* dc);
  void DrawSelection(CDC* dc);
  void SetScrollSizes();
  void ClickOnInterceptor(CResourceUnit* unit);

  CTesselStationDoc& document_;
  CMainFrameModel& frame_;
  CDC& window_;
  CSize clientSize_;
  CPoint scrollPosition_;
  CSize totalSize_;
  CSize pageSize_;
  CSize lineSize_;
};
