// CTesselStationView: the station's map, a scrolling window over the map
// view model. Every paint has the model draw the visible part of the map in
// map pixels onto a picture of the window's size (through a CViewportDC
// that moves the map by the scroll position), which is then copied to the
// window in one piece, so the map never flickers. The mouse goes to the
// model, which selects and commands units and opens the "Commands" menu;
// over a unit the cursor shows its kind.
//
// The view's two commands: "Edit the Administration Settings" opens the
// administration sheet, modal; the weather-report command toggles the
// weather-report mode.
//
// The document, the frame model and the conversation log are not owned and
// must outlive the view.
#pragma once

#include <QAbstractScrollArea>
#include <QImage>

#include "PlatformQt/imagedc.h"
#include "TesselStationCore/mapviewmodel.h"

class CAdminPropSheet;
class CConversationLog;
class CMainFrameModel;
class CTesselStationDoc;

class CTesselStationView : public QAbstractScrollArea {
 public:
  static constexpr const char* kSettingsCaption = "Administration Settings";

  CTesselStationView(CTesselStationDoc& document, CMainFrameModel& frame,
                     const CConversationLog& log, QWidget* parent = nullptr);

  CMapViewModel& GetModel() { return model_; }
  // The first scroll sizes.
  void OnInitialUpdate();
  // Renders the map's terrain anew and redraws.
  void UpdateMapImage() { model_.UpdateMapImage(); }
  // Opens the administration sheet, modal; when it closes (by any button)
  // its outcome becomes the document's phase and own name.
  void OnEditSettings();
  void OnWeatherReport() { model_.OnWeatherReportMode(); }
  // The sheet while it is open, else null.
  CAdminPropSheet* GetAdminSheet() const { return adminSheet_; }
  // What the window shows now: the visible part of the map.
  QImage GetPicture();
  // The size of the picture the view keeps between paints: its window's.
  QSize GetPictureSize() const { return picture_.size(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  // Tells the model the client size and the scroll position.
  void TellGeometry();
  // The scroll bars after the model's sizes.
  void UpdateScrollBars();
  // Draws the visible part of the map into picture_.
  void Draw();

  CTesselStationDoc& document_;
  const CConversationLog& log_;
  // The window's own context, from which the map's terrain picture is made.
  QImage windowImage_{1, 1, QImage::Format_RGB32};
  platform::ImageDC windowDC_{&windowImage_};
  CMapViewModel model_;
  QImage picture_;  // the visible part of the map, the window's size
  CAdminPropSheet* adminSheet_ = nullptr;
};
