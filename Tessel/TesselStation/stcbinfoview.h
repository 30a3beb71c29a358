// CSTCBInfoView: the information pane, a tree showing the station's
// CInfoPaneModel -- who this station is, its teammates, the mission's costs
// and the weather reports of its balloons. Pressing the left button on a
// weather report highlights its cell on the map until the button is released
// or the mouse moves.
//
// The tree follows the model item by item (Sync), so that what the operator
// opened or selected stays as it is while the texts change; a change within
// one branch (a balloon's report, the costs) brings only that branch up to
// date (SyncItem), found by its model item, in time that does not grow with
// the tree: a changed text repaints the rows shown. Each tree item refers to its
// model item; the UI syncs the branch after every change of the model, so
// the reference never outlives its item. The model is not owned and must
// outlive the view.
//
// CSTCBRadarView: a second pane class, a tree holding only the root "Radar
// Stations"; the tabbed bar adds no page of it.
#pragma once

#include <QTreeWidget>

#include <unordered_map>

class CInfoPaneItem;
class CInfoPaneModel;

class CSTCBInfoView : public QTreeWidget {
 public:
  explicit CSTCBInfoView(CInfoPaneModel& model, QWidget* parent = nullptr);

  // Brings the tree up to the model: items added, renamed, removed. A
  // model item expanded since the last sync is expanded in the tree.
  void Sync();
  // The same for one model item and what lies below it, in time linear in
  // that branch. An item the tree does not show yet comes in with its branch
  // when its parent is shown (and its parent opens as the model has it);
  // otherwise nothing happens.
  void SyncItem(const CInfoPaneItem& model);
  // Only the text of one model item, when the tree shows it.
  void SyncText(const CInfoPaneItem& model);
  // The tree item of a model item about to be deleted goes with its
  // branch, found among its siblings from the last.
  void Remove(const CInfoPaneItem& model);
  // The model item that a tree item shows; null for null.
  static const CInfoPaneItem* ModelItem(const QTreeWidgetItem* item);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  void SyncChildren(const CInfoPaneItem& model, QTreeWidgetItem* item);
  void SyncExpansion(const CInfoPaneItem& model, QTreeWidgetItem* item);
  // The item's own expansion, as the model has it.
  void TakeExpansion(const CInfoPaneItem& model, QTreeWidgetItem* item);
  // A tree item for `model` (its children come with the next sync), kept in
  // shown_; and the removal of a tree item with its branch.
  QTreeWidgetItem* NewItem(const CInfoPaneItem& model);
  // The model item's text on its tree item, which NewItem made.
  void ShowText(QTreeWidgetItem* item, const CInfoPaneItem& model);
  void Forget(QTreeWidgetItem* item);

  CInfoPaneModel& model_;
  // The tree item of each model item the tree shows.
  std::unordered_map<const CInfoPaneItem*, QTreeWidgetItem*> shown_;
};

class CSTCBRadarView : public QTreeWidget {
 public:
  explicit CSTCBRadarView(QWidget* parent = nullptr);
};
