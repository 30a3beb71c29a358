#include "TesselStation/titlemenu.h"

#include <QLabel>
#include <QStyle>
#include <QWidgetAction>

CTitleMenu::CTitleMenu(QWidget* parent) : QMenu(parent) {}

void CTitleMenu::AddTitle(const char* title) {
  title_ = title != nullptr ? title : "";
  auto* label = new QLabel(QString::fromStdString(title_));
  QFont font = label->font();
  font.setBold(true);
  label->setFont(font);
  // Indented past the check mark, as the items' texts are.
  const int indent = style()->pixelMetric(QStyle::PM_IndicatorWidth) + 8;
  label->setContentsMargins(indent, 1, 8, 1);
  label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  label->setLineWidth(1);
  label->setAutoFillBackground(true);
  QPalette colours = label->palette();
  const QPalette app = palette();
  colours.setColor(QPalette::Window, app.color(QPalette::Inactive, QPalette::Highlight));
  colours.setColor(QPalette::WindowText, app.color(QPalette::Inactive, QPalette::HighlightedText));
  label->setPalette(colours);
  auto* item = new QWidgetAction(this);
  item->setDefaultWidget(label);
  item->setText(QString::fromStdString(title_));
  item->setEnabled(false);
  const QList<QAction*> items = actions();
  insertAction(items.isEmpty() ? nullptr : items.front(), item);
}
