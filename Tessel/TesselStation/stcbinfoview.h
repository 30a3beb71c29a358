// CSTCBInfoView: the information pane, a tree showing the station's
// CInfoPaneModel -- who this station is, its teammates, the mission's costs
// and the weather reports of its balloons. Pressing the left button on a
// weather report highlights its cell on the map until the button is released
// or the mouse moves.
//
// The tree follows the model item by item (Sync), so that what the operator
// opened or selected stays as it is while the texts change. Each tree item
// refers to its model item; the UI syncs the tree after every change of the
// model, so the reference never outlives its item. The model is not owned
// and must outlive the view.
//
// CSTCBRadarView: a second pane class, a tree holding only the root "Radar
// Stations"; the tabbed bar adds no page of it.
#pragma once

#include <QTreeWidget>

class CInfoPaneItem;
class CInfoPaneModel;

class CSTCBInfoView : public QTreeWidget {
 public:
  explicit CSTCBInfoView(CInfoPaneModel& model, QWidget* parent = nullptr);

  // Brings the tree up to the model: items added, renamed, removed. A
  // model item expanded since the last sync is expanded in the tree.
  void Sync();
  // The model item that a tree item shows; null for null.
  static const CInfoPaneItem* ModelItem(const QTreeWidgetItem* item);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void SyncChildren(const CInfoPaneItem& model, QTreeWidgetItem* item);
  void SyncExpansion(const CInfoPaneItem& model, QTreeWidgetItem* item);

  CInfoPaneModel& model_;
};

class CSTCBRadarView : public QTreeWidget {
 public:
  explicit CSTCBRadarView(QWidget* parent = nullptr);
};
