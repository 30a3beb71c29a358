#include "TesselStationCore/mapviewmodel.h"

#include <algorithm>
#include <memory>

#include "TesselMapsLib/impactlines.h"
#include "TesselMapsLib/latlng.h"
#include "TesselMapsLib/trajectory.h"
#include "TesselMapsLib/worldmap.h"
#include "TesselStationCore/commandsmenu.h"
#include "TesselStationCore/incursion.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/mainframemodel.h"
#include "TesselStationCore/radarstation.h"
#include "TesselStationCore/stationnumbers.h"
#include "TesselStationCore/stationui.h"
#include "TesselStationCore/teammember.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "TesselStationCore/weatherballoons.h"
#include "Toolwick/format.h"

namespace {

// The corners and steps of the exercise's grid lines and labels.
constexpr unsigned kGridSteps = 40;
const CLatLng kGridLow(0.0, 95.0);
const CLatLng kGridHigh(950.0, 655.0);

// Selection highlight: the checkerboard ANDed in, then the highlight colour
// ORed in through it.
constexpr uint32_t kDestinationAndPattern = 0x00A000C9;
constexpr uint32_t kDestinationOrPattern = 0x00FA0089;

}  // namespace

CMapViewModel::CMapViewModel(CTesselStationDoc& document, CMainFrameModel& frame, CDC& window)
    : document_(document), frame_(frame), window_(window) {}

// --- Drawing

void CMapViewModel::OnInitialUpdate() {
  totalSize_ = CSize(100, 100);
  pageSize_ = CSize();
  lineSize_ = CSize();
}

void CMapViewModel::OnDraw(CDC* dc, const CRect& clip) {
  if (dc == nullptr) return;
  CBrush background(dc->GetBkColor());
  dc->FillRect(clip, &background);
  CWorldMap* map = document_.GetWorldMap();
  if (map == nullptr) return;
  const std::unique_ptr<CDC> scratch = dc->CreateCompatibleDC();
  if (map->exists()) {
    map->blt(dc, scratch.get());
    if (const CLatLng* station = document_.GetStationLocation()) {
      int x = 0;
      int y = 0;
      map->LatLng2PixelLoc(&x, &y, station->latitude, station->longitude);
      DrawStationIcon(dc, x - 16, y - 16);
    }
    DrawCellLabel(dc);
    DrawSelection(dc);

    double balloons = 0.0;
    double radars = 0.0;
    double interceptors = 0.0;
    for (const auto& balloon : document_.GetBalloons()) {
      balloon->Draw(dc);
      balloons += balloon->GetCost();
    }
    for (const auto& [id, radar] : document_.GetRadars()) {
      radar->Draw(dc);
      radars += radar->GetCost();
    }
    for (const auto& [id, interceptor] : document_.GetInterceptors()) {
      interceptor->Draw(dc);
      interceptors += interceptor->GetCost();
    }
    document_.SetOwnCosts(balloons, radars, interceptors);
    if (const CInterceptor* selected = document_.GetSelectedInterceptor()) {
      selected->DrawSelection(dc);
    }
    for (const auto& [id, incursion] : document_.GetIncursions()) {
      if (document_.CheckRadarCoverage(incursion.get())) incursion->Draw(dc);
    }

    // The pane's costs, then what lies on top of the units.
    document_.GetUi().RefreshInfoPane(CStationUi::kPaneCosts);
    if (const CImpactLines* area = document_.GetImpactLines()) area->OnDraw(dc, map);
    if (const CTrajectory* trajectory = document_.GetTrajectory()) trajectory->OnDraw(dc, map);
    map->LabelGrid(dc, kGridSteps, kGridSteps, &kGridLow, &kGridHigh, false);
  }
  SetScrollSizes();
}

void CMapViewModel::DrawCellLabel(CDC* dc) {
  const CWorldMap* map = document_.GetWorldMap();
  const CPoint cell = frame_.GetCursorCell();
  double lat = 0.0;
  double lng = 0.0;
  map->latlongloc(&lat, &lng, cell.x, cell.y);
  const HeapText label = GridCellText(lat, lng);
  // In map pixels, where the mouse is on the map: the client point it gave,
  // moved by the scroll position, so that the label stays by the mouse
  // however the view is scrolled.
  const CPoint client = frame_.GetCursorPoint();
  const auto map_pixel = [](long long value) {
    return static_cast<int>(std::clamp<long long>(value, -CWorldMap::kMaxPixel,
                                                  CWorldMap::kMaxPixel));
  };
  const CPoint at(map_pixel(static_cast<long long>(client.x) + scrollPosition_.x),
                  map_pixel(static_cast<long long>(client.y) + scrollPosition_.y));
  constexpr unsigned kFormat = DT_WORDBREAK | DT_NOPREFIX;
  dc->SetBkMode(TRANSPARENT);
  dc->SetTextColor(kLabelColour);
  dc->DrawText(label.get(), CRect(at.x + 15, at.y + 10, at.x + 300, at.y + 50), kFormat);
  dc->DrawText(document_.GetHoverText(), CRect(at.x + 15, at.y + 50, at.x + 300, at.y + 100),
               kFormat);
  dc->SetBkMode(OPAQUE);
}

void CMapViewModel::DrawSelection(CDC* dc) {
  const CRect& cells = document_.GetSelectionRect();
  if (cells.IsRectEmpty()) return;
  const CWorldMap* map = document_.GetWorldMap();
  const long long s = map->getScalefactor();
  const long long h = map->getHeight();
  // Cells to pixels: rows count from the bottom, so the rectangle's top
  // row is the lower one on screen.
  const long long left = s * cells.left;
  const long long right = s * cells.right;
  const long long top = (h - cells.bottom) * s;
  const long long bottom = (h - cells.top) * s;

  static constexpr unsigned char kCheckerboard[16] = {0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0,
                                                      0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0};
  CBitmap pattern;
  pattern.CreateBitmap(8, 8, 1, 1, kCheckerboard);
  CBrush brush;
  brush.CreatePatternBrush(&pattern);
  using station::saturated;
  const auto blit = [&](uint32_t rop) {
    dc->PatBlt(saturated(left), saturated(top), saturated(right - left), saturated(bottom - top),
               rop);
  };
  CBrush* previousBrush = dc->SelectObject(&brush);
  const COLORREF previousBackground = dc->SetBkColor(RGB(255, 255, 255));
  const COLORREF previousText = dc->SetTextColor(RGB(0, 0, 0));
  blit(kDestinationAndPattern);
  dc->SetBkColor(RGB(255, 255, 255));
  dc->SetTextColor(kHighlightColour);
  blit(kDestinationOrPattern);
  dc->SelectObject(previousBrush);
  dc->SetBkColor(previousBackground);
  dc->SetTextColor(previousText);
}

void CMapViewModel::SetScrollSizes() {
  const CWorldMap* map = document_.GetWorldMap();
  const int s = map->getScalefactor();
  totalSize_ = CSize(station::saturated(static_cast<long long>(map->getWidth()) * s),
                     station::saturated(static_cast<long long>(map->getHeight()) * s));
  pageSize_ = clientSize_;
  lineSize_ = CSize(s, s);
}

void CMapViewModel::UpdateMapImage() {
  CWorldMap* map = document_.GetWorldMap();
  if (map == nullptr) return;
  map->update(&window_, document_.GetUi().GetProgress(), kGridSteps, kGridSteps, &kGridLow,
              &kGridHigh);
  document_.RedrawAllViews(true);
}

void CMapViewModel::DrawStationIcon(CDC* dc, int left, int top) {
  // A dark blue disc with a white mast on it.
  CPen outline(PS_SOLID, 2, RGB(255, 255, 255));
  CBrush disc(RGB(0x1E, 0x3C, 0x78));
  CBrush white(RGB(255, 255, 255));
  CPen* previousPen = dc->SelectObject(&outline);
  CBrush* previousBrush = dc->SelectObject(&disc);
  dc->Ellipse(left + 2, top + 2, left + 30, top + 30);
  dc->MoveTo(left + 10, top + 25);
  dc->LineTo(left + 16, top + 9);
  dc->LineTo(left + 22, top + 25);
  dc->SelectObject(&white);
  dc->Ellipse(left + 13, top + 6, left + 19, top + 12);
  dc->SelectObject(previousBrush);
  dc->SelectObject(previousPen);
}

// --- Hit tests

bool CMapViewModel::CellFromPoint(CPoint point, CPoint* cell) const {
  const CWorldMap* map = document_.GetWorldMap();
  if (map == nullptr || map->getScalefactor() < 1) return false;
  const long long s = map->getScalefactor();
  const long long x = static_cast<long long>(point.x) + scrollPosition_.x;
  const long long y = static_cast<long long>(point.y) + scrollPosition_.y;
  cell->x = static_cast<int>(x / s);
  cell->y = static_cast<int>(map->getHeight() - y / s - 1);
  return true;
}

bool CMapViewModel::IsOnMap(CPoint cell) const {
  const CWorldMap* map = document_.GetWorldMap();
  return map != nullptr && cell.x >= 0 && cell.x < map->getWidth() && cell.y >= 0 &&
         cell.y < map->getHeight();
}

bool CMapViewModel::IsNear(CPoint point, CPoint unitCell) const {
  CPoint cell;
  if (!CellFromPoint(point, &cell) || !IsOnMap(cell)) return false;
  const long long dx = static_cast<long long>(unitCell.x) - cell.x;
  const long long dy = static_cast<long long>(unitCell.y) - cell.y;
  return dx * dx + dy * dy < kNearCells * kNearCells;
}

bool CMapViewModel::IsUnitNear(CPoint point, CResourceUnit* unit) {
  if (unit->GetType() == UNIT_INCURSION &&
      !document_.CheckRadarCoverage(static_cast<CIncursion*>(unit))) {
    return false;  // the station does not see it
  }
  const std::unique_ptr<CLatLng> p = unit->PositionAt(document_.MissionClock());
  CPoint cell;
  document_.GetWorldMap()->pixelloc(&cell.x, &cell.y, p->latitude, p->longitude);
  return IsNear(point, cell);
}

template <typename Store>
CResourceUnit* CMapViewModel::FindUnitInList(CPoint point, const Store& store) {
  for (const auto& [id, unit] : store) {
    if (IsUnitNear(point, unit.get())) return unit.get();
  }
  return nullptr;
}

CResourceUnit* CMapViewModel::FindUnit(CPoint point, int* type) {
  *type = -1;
  if (document_.GetWorldMap() == nullptr) return nullptr;
  CResourceUnit* unit = FindUnitInList(point, document_.GetRadars());
  if (unit == nullptr) unit = FindUnitInList(point, document_.GetInterceptors());
  if (unit == nullptr) unit = FindUnitInList(point, document_.GetIncursions());
  if (unit != nullptr) *type = unit->GetType();
  return unit;
}

template <typename Store>
void CMapViewModel::AddUnitsNear(CPoint point, const Store& store,
                                 std::vector<CResourceUnit*>* units) {
  for (const auto& [id, unit] : store) {
    if (IsUnitNear(point, unit.get())) units->push_back(unit.get());
  }
}

std::vector<CResourceUnit*> CMapViewModel::UnitsNear(CPoint point) {
  std::vector<CResourceUnit*> units;
  if (document_.GetWorldMap() == nullptr) return units;
  AddUnitsNear(point, document_.GetRadars(), &units);
  AddUnitsNear(point, document_.GetInterceptors(), &units);
  AddUnitsNear(point, document_.GetIncursions(), &units);
  return units;
}

// --- Mouse

void CMapViewModel::OnMouseMove(CPoint point) {
  CPoint cell;
  if (!CellFromPoint(point, &cell)) return;
  const CWorldMap* map = document_.GetWorldMap();
  // The first column and row do not move the label.
  if (cell.x > 0 && cell.x < map->getWidth() && cell.y > 0 && cell.y < map->getHeight()) {
    frame_.SetCursorCell(cell);
    frame_.SetCursorPoint(point);
    document_.RedrawAllViews(true);
  }
}

int CMapViewModel::OnSetCursor() {
  if (document_.IsPlayback()) return CURSOR_DEFAULT;
  int type = -1;
  const CResourceUnit* unit = FindUnit(frame_.GetCursorPoint(), &type);
  document_.SetHoverText(unit != nullptr ? unit->GetDescription().get() : "");
  return unit != nullptr ? type : CURSOR_DEFAULT;
}

void CMapViewModel::OnLButtonDown(CPoint point) {
  if (document_.IsPlayback()) return;
  CPoint cell;
  if (CellFromPoint(point, &cell) && IsOnMap(cell)) {
    int type = -1;
    CResourceUnit* unit = FindUnit(point, &type);
    CInterceptor* selected = document_.GetSelectedInterceptor();
    if (type == UNIT_RADAR) {
      if (static_cast<CRadarStation*>(unit)->IsActive()) {
        unit->Deactivate();
      } else {
        unit->Activate();
      }
    } else if (type == UNIT_INTERCEPTOR) {
      ClickOnInterceptor(unit);
    } else if (selected != nullptr) {
      if (selected->IsMoving()) selected->Abort(true);
      if (type == UNIT_INCURSION) {
        CCommandsMenu::Intercept(document_, selected, static_cast<CIncursion*>(unit));
      } else {
        double lat = 0.0;
        double lng = 0.0;
        document_.GetWorldMap()->latlongloc(&lat, &lng, cell.x, cell.y);
        selected->Deploy(lat, lng, true);
      }
    }
  }
  document_.RedrawAllViews(false);
}

void CMapViewModel::ClickOnInterceptor(CResourceUnit* unit) {
  auto* interceptor = static_cast<CInterceptor*>(unit);
  if (!interceptor->IsControlled()) {
    interceptor->Activate();
    return;
  }
  if (IsOwnInterceptor(document_, *interceptor)) {
    if (document_.GetSelectedInterceptor() == interceptor) {
      interceptor->Deactivate();
    } else {
      document_.SetSelectedInterceptor(interceptor);
    }
    return;
  }
  // The question is modal: the interceptor is found again afterwards.
  const std::string id = interceptor->GetId();
  const std::string question = str_format("This interceptor is controlled by %s. Request control?",
                                          interceptor->GetController()->GetName());
  if (!document_.GetUi().AskYesNo(question.c_str())) return;
  if (CInterceptor* again = document_.FindInterceptor(id.c_str())) again->Request();
}

void CMapViewModel::OnRButtonDown(CPoint point, CPoint screen) {
  if (document_.IsPlayback()) return;
  CPoint cell;
  if (!CellFromPoint(point, &cell) || !IsOnMap(cell)) return;
  double lat = 0.0;
  double lng = 0.0;
  document_.GetWorldMap()->latlongloc(&lat, &lng, cell.x, cell.y);
  CCommandsMenu menu(document_, UnitsNear(point), lat, lng);
  menu.Choose(document_.GetUi().TrackMenu(menu.GetItems(), screen));
}

// --- The weather-report command

void CMapViewModel::OnWeatherReportMode() {
  document_.SetCommandMode(document_.GetCommandMode() == CTesselStationDoc::MODE_WEATHER_REPORT
                               ? CTesselStationDoc::MODE_NONE
                               : CTesselStationDoc::MODE_WEATHER_REPORT);
  document_.RedrawAllViews(false);
}

bool CMapViewModel::IsWeatherReportEnabled() const {
  const int phase = document_.GetPhase();
  return phase == CTesselStationDoc::PHASE_RUNNING || phase == CTesselStationDoc::PHASE_SYNC_PULSE;
}

bool CMapViewModel::IsWeatherReportChecked() const {
  return IsWeatherReportEnabled() &&
         document_.GetCommandMode() == CTesselStationDoc::MODE_WEATHER_REPORT;
}
