// The pictures of the station's windows, drawn here in code: the tool bar
// buttons, the go/no-go button, the window icon, the cursors shown over the
// units of the map and the images of the information pane and its tabs.
#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

namespace stationimages {

// The buttons of the main tool bar and of the chat window's format bar.
enum class Button {
  zoomIn,
  zoomOut,
  weatherReport,
  trajectoryRefresh,
  stopInterceptor,
  settings,
  about,
  bold,
  italic,
};

QIcon ToolButton(Button button);
// The go/no-go button: CMainFrameModel::IMAGE_GO (a green "GO"), IMAGE_NOGO
// (a red "NO") or IMAGE_DISABLED (grey); an empty picture for other codes.
QPixmap GoNoGo(int image);
// The station's symbol, as the map draws it, with a transparent surround.
QPixmap StationIcon();
// The cursor over a unit: CMapViewModel::CURSOR_RADAR, CURSOR_INCURSION or
// CURSOR_INTERCEPTOR; the arrow for any other kind.
QCursor UnitCursor(int kind);
// The images of the tabbed bar's pages, by page index: the information
// pane, the radar pane; an empty icon beyond them.
QIcon TabImage(int index);

}  // namespace stationimages
