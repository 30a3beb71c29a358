// The docking bars and the title menu: pages of the tabbed bar and which
// one is active, the sizes a sizing bar keeps, and the title item.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QTabBar>
#include <QWidgetAction>

#include <ostream>
#include <string>

#include "TesselStation/stcbinfoview.h"
#include "TesselStation/tabbeddockbar.h"
#include "TesselStation/titlemenu.h"
#include "TesselStationCore/infopanemodel.h"

namespace {

class TabbedBar : public ::testing::Test {
 protected:
  TabbedBar() {
    frame.setCentralWidget(new QLabel("map"));
    frame.resize(800, 600);
    bar->Create(&frame, QSize(350, 250), 103);
    frame.addDockWidget(Qt::RightDockWidgetArea, bar);
    frame.show();
  }

  // The frame lays its docks out when the loop turns.
  void Settle() { QApplication::processEvents(); }

  QMainWindow frame;
  CTabbedDockBar* bar = new CTabbedDockBar;  // the frame's
  CInfoPaneModel model;
};

TEST_F(TabbedBar, FirstPageIsActiveAndLaterOnesWaitHiddenForTheirTab) {
  auto* info = new CSTCBInfoView(model);
  auto* radar = new CSTCBRadarView;
  ASSERT_TRUE(bar->AddView("Information", info));
  ASSERT_TRUE(bar->AddView("Radar", radar));
  EXPECT_EQ(bar->GetActiveIndex(), 0);
  EXPECT_EQ(bar->GetActiveView(), info);
  EXPECT_TRUE(info->isVisible());
  EXPECT_TRUE(info->isEnabled());
  EXPECT_FALSE(radar->isVisible());
  EXPECT_FALSE(radar->isEnabled());
  EXPECT_EQ(bar->GetTabControl()->tabPosition(), QTabWidget::South);
  EXPECT_EQ(bar->GetTabControl()->tabText(1), "Radar");

  bar->GetTabControl()->tabBar()->setCurrentIndex(1);  // the operator's choice
  EXPECT_EQ(bar->GetActiveIndex(), 1);
  EXPECT_EQ(bar->GetActiveView(), radar);
  EXPECT_TRUE(radar->isVisible());
  EXPECT_TRUE(radar->isEnabled());
  EXPECT_FALSE(info->isEnabled());

  bar->SetActiveView(1);
  bar->SetActiveView(-1);
  EXPECT_EQ(bar->GetActiveView(), radar);
  bar->SetActiveView(0);
  EXPECT_EQ(bar->GetActiveView(), info);
  EXPECT_EQ(bar->GetTabControl()->currentIndex(), 0);
}

TEST_F(TabbedBar, FindsThePageOfAViewTypeOrOfATypeItDerivesFrom) {
  auto* info = new CSTCBInfoView(model);
  auto* radar = new CSTCBRadarView;
  bar->AddView("Information", info);
  bar->AddView("Radar", radar);
  EXPECT_EQ(bar->GetView<CSTCBRadarView>(), radar);
  EXPECT_EQ(bar->GetView<CSTCBInfoView>(), info);
  EXPECT_EQ(bar->GetView<QTreeWidget>(), info);
  EXPECT_EQ(bar->GetView<QLabel>(), nullptr);
}

struct TitleCase {
  const char* name;
  std::string title;
  std::string kept;
};

void PrintTo(const TitleCase& c, std::ostream* out) { *out << c.name; }

class PageTitles : public TabbedBar, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(PageTitles, KeepThirtyOneCharacters) {
  ASSERT_TRUE(bar->AddView(GetParam().title.c_str(), new QLabel));
  EXPECT_EQ(bar->GetPages()[0].title, GetParam().kept);
  EXPECT_EQ(bar->GetTabControl()->tabText(0).toStdString(), GetParam().kept);
}

INSTANTIATE_TEST_SUITE_P(
    Titles, PageTitles,
    ::testing::Values(TitleCase{"Short", "Information", "Information"},
                      TitleCase{"ThirtyOne", std::string(31, 'x'), std::string(31, 'x')},
                      TitleCase{"Forty", std::string(40, 'y'), std::string(31, 'y')},
                      TitleCase{"Empty", "", ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TabbedBar, NoViewIsNoPage) {
  EXPECT_FALSE(bar->AddView("Nothing", nullptr));
  EXPECT_TRUE(bar->GetPages().empty());
}

TEST_F(TabbedBar, SizingBarKeepsASizeForEachPlaceAndNeverShrinksBelowThirtyTwo) {
  bar->AddView("Information", new CSTCBInfoView(model));
  Settle();
  // Docked at the right, the operator drags the edge: the width counts.
  EXPECT_FALSE(bar->IsHorizontal());
  frame.resizeDocks({bar}, {150}, Qt::Horizontal);
  Settle();
  EXPECT_EQ(bar->GetVerticalSize().width(), 150);
  frame.resizeDocks({bar}, {5}, Qt::Horizontal);
  Settle();
  EXPECT_GE(bar->width(), CSizingDockBar::kMinimumSize);
  EXPECT_GE(bar->GetVerticalSize().width(), CSizingDockBar::kMinimumSize);
  frame.resizeDocks({bar}, {150}, Qt::Horizontal);
  Settle();

  // Docked at the top, the height counts; the width at the side stays.
  frame.addDockWidget(Qt::TopDockWidgetArea, bar);
  Settle();
  EXPECT_TRUE(bar->IsHorizontal());
  frame.resizeDocks({bar}, {200}, Qt::Vertical);
  Settle();
  EXPECT_EQ(bar->GetHorizontalSize().height(), 200);
  EXPECT_EQ(bar->GetVerticalSize().width(), 150);
  EXPECT_EQ(bar->sizeHint().height(), 200);

  bar->setFloating(true);
  Settle();
  EXPECT_FALSE(bar->IsHorizontal());
  bar->resize(260, 180);
  Settle();
  EXPECT_EQ(bar->GetFloatingSize(), QSize(260, 180));
  EXPECT_EQ(bar->sizeHint(), QSize(260, 180));
}

// A drag beyond the frame's client area stops at the size before plus that
// area.
TEST_F(TabbedBar, SizingBarGrowsAtMostByTheFramesClientArea) {
  bar->AddView("Information", new CSTCBInfoView(model));
  Settle();
  frame.resizeDocks({bar}, {150}, Qt::Horizontal);
  Settle();
  const int before = bar->GetVerticalSize().width();
  const int client = frame.centralWidget()->width();
  bar->resize(before + client + 500, bar->height());
  EXPECT_EQ(bar->GetVerticalSize().width(), before + client);
}

TEST(TitleMenu, TitleComesFirstDisabledAndBold) {
  CTitleMenu menu;
  menu.addAction("Deploy Weather Balloon");
  menu.AddTitle("Commands");
  const QList<QAction*> items = menu.actions();
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(items[0]->text(), "Commands");
  EXPECT_FALSE(items[0]->isEnabled());
  auto* title = dynamic_cast<QWidgetAction*>(items[0]);
  ASSERT_NE(title, nullptr);
  auto* label = dynamic_cast<QLabel*>(title->defaultWidget());
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->font().bold());
  EXPECT_STREQ(menu.GetTitle(), "Commands");
  EXPECT_EQ(items[1]->text(), "Deploy Weather Balloon");
}

}  // namespace
