#include "TesselStation/stcbinfoview.h"

#include <QMouseEvent>

#include <set>

#include "TesselStation/stationimages.h"
#include "TesselStationCore/infopanemodel.h"

namespace {

// Where a tree item keeps its model item, and the expansion last taken over.
constexpr int kModelRole = Qt::UserRole;
constexpr int kExpandedRole = Qt::UserRole + 1;

// A tree item whose text changes without a word to the tree's model: Qt
// looks a changed item up among the rows it shows, in time that grows with
// them, and the weather reports change at every paint. The view repaints
// its rows instead; a text is one line, so no row changes its height.
class CPaneItem : public QTreeWidgetItem {
 public:
  explicit CPaneItem(QString text) : text_(std::move(text)) {}

  QVariant data(int column, int role) const override {
    if (column == 0 && (role == Qt::DisplayRole || role == Qt::EditRole)) return text_;
    return QTreeWidgetItem::data(column, role);
  }
  // False when the text is the one shown already.
  bool SetShownText(QString text) {
    if (text == text_) return false;
    text_ = std::move(text);
    return true;
  }

 private:
  QString text_;
};

}  // namespace

void CSTCBInfoView::ShowText(QTreeWidgetItem* item, const CInfoPaneItem& model) {
  if (static_cast<CPaneItem*>(item)->SetShownText(QString::fromUtf8(model.GetText()))) {
    viewport()->update();
  }
}

QTreeWidgetItem* CSTCBInfoView::NewItem(const CInfoPaneItem& model) {
  auto* item = new CPaneItem(QString::fromUtf8(model.GetText()));
  item->setData(0, kModelRole, QVariant::fromValue(reinterpret_cast<quintptr>(&model)));
  item->setData(0, kExpandedRole, false);
  shown_[&model] = item;
  return item;
}

void CSTCBInfoView::Forget(QTreeWidgetItem* item) {
  for (int j = 0; j < item->childCount(); ++j) Forget(item->child(j));
  // The model item may be gone and its address taken by a newer one.
  const auto shown = shown_.find(ModelItem(item));
  if (shown != shown_.end() && shown->second == item) shown_.erase(shown);
}

CSTCBInfoView::CSTCBInfoView(CInfoPaneModel& model, QWidget* parent)
    : QTreeWidget(parent), model_(model) {
  setHeaderHidden(true);
  setRootIsDecorated(true);  // buttons and lines
  viewport()->setMouseTracking(true);
  QTreeWidgetItem* root = NewItem(model_.GetRoot());
  root->setIcon(0, QIcon(stationimages::StationIcon()));
  addTopLevelItem(root);
  Sync();
}

const CInfoPaneItem* CSTCBInfoView::ModelItem(const QTreeWidgetItem* item) {
  if (item == nullptr) return nullptr;
  return reinterpret_cast<const CInfoPaneItem*>(item->data(0, kModelRole).value<quintptr>());
}

void CSTCBInfoView::Sync() {
  QTreeWidgetItem* root = topLevelItem(0);
  SyncChildren(model_.GetRoot(), root);
  SyncExpansion(model_.GetRoot(), root);
}

void CSTCBInfoView::SyncText(const CInfoPaneItem& model) {
  const auto shown = shown_.find(&model);
  if (shown != shown_.end()) ShowText(shown->second, model);
}

void CSTCBInfoView::Remove(const CInfoPaneItem& model) {
  const auto shown = shown_.find(&model);
  if (shown == shown_.end()) return;
  QTreeWidgetItem* item = shown->second;
  QTreeWidgetItem* parent = item->parent();
  if (parent == nullptr) return;  // the root stays
  int at = parent->childCount() - 1;
  while (at >= 0 && parent->child(at) != item) --at;
  Forget(item);
  delete parent->takeChild(at);
}

void CSTCBInfoView::SyncItem(const CInfoPaneItem& model) {
  const auto shown = shown_.find(&model);
  if (shown != shown_.end()) {
    SyncChildren(model, shown->second);
    SyncExpansion(model, shown->second);
    return;
  }
  const CInfoPaneItem* parent = model.GetParent();
  const auto parentShown = parent != nullptr ? shown_.find(parent) : shown_.end();
  if (parentShown == shown_.end()) return;
  // Its place among its siblings; items are mostly appended, so the search
  // starts from the end.
  const auto& siblings = parent->GetChildren();
  size_t at = siblings.size();
  while (at > 0 && siblings[at - 1].get() != &model) --at;
  QTreeWidgetItem* into = parentShown->second;
  if (at == 0 || static_cast<int>(at - 1) > into->childCount()) return;
  QTreeWidgetItem* item = NewItem(model);
  SyncChildren(model, item);
  into->insertChild(static_cast<int>(at - 1), item);
  SyncExpansion(model, item);
  TakeExpansion(*parent, into);
}

void CSTCBInfoView::SyncChildren(const CInfoPaneItem& model, QTreeWidgetItem* item) {
  ShowText(item, model);
  // The model inserts and deletes items but never moves one: the tree's
  // items that stay keep their order.
  const auto& children = model.GetChildren();
  std::set<const CInfoPaneItem*> present;
  for (const auto& child : children) present.insert(child.get());
  for (int j = item->childCount() - 1; j >= 0; --j) {
    if (present.count(ModelItem(item->child(j))) != 0) continue;
    QTreeWidgetItem* gone = item->takeChild(j);
    Forget(gone);
    delete gone;
  }
  for (size_t i = 0; i < children.size(); ++i) {
    const CInfoPaneItem& child = *children[i];
    const int at = static_cast<int>(i);
    QTreeWidgetItem* shown = item->child(at);
    if (ModelItem(shown) == &child) {
      SyncChildren(child, shown);
    } else {
      // A new branch goes in whole, so that the tree sees its children.
      shown = NewItem(child);
      SyncChildren(child, shown);
      item->insertChild(at, shown);
    }
  }
}

void CSTCBInfoView::TakeExpansion(const CInfoPaneItem& model, QTreeWidgetItem* item) {
  // The model opens an item once; the operator may close it again.
  if (model.IsExpanded() != item->data(0, kExpandedRole).toBool()) {
    item->setData(0, kExpandedRole, model.IsExpanded());
    if (model.IsExpanded()) item->setExpanded(true);
  }
}

void CSTCBInfoView::SyncExpansion(const CInfoPaneItem& model, QTreeWidgetItem* item) {
  TakeExpansion(model, item);
  const auto& children = model.GetChildren();
  for (size_t i = 0; i < children.size(); ++i) {
    SyncExpansion(*children[i], item->child(static_cast<int>(i)));
  }
}

void CSTCBInfoView::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    model_.OnLButtonDown(ModelItem(itemAt(event->position().toPoint())));
  }
  QTreeWidget::mousePressEvent(event);
}

void CSTCBInfoView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) model_.OnLButtonUp();
  QTreeWidget::mouseReleaseEvent(event);
}

void CSTCBInfoView::mouseMoveEvent(QMouseEvent* event) {
  model_.OnMouseMove();
  QTreeWidget::mouseMoveEvent(event);
}

CSTCBRadarView::CSTCBRadarView(QWidget* parent) : QTreeWidget(parent) {
  setHeaderHidden(true);
  setRootIsDecorated(true);
  auto* root = new QTreeWidgetItem(QStringList{"Radar Stations"});
  addTopLevelItem(root);
  root->setExpanded(true);
}
