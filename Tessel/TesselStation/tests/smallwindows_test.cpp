// The two small windows: a splitter whose bar the mouse cannot move, and
// the information pop-up that a click closes.
#include <gtest/gtest.h>

#include <QLabel>
#include <QSplitterHandle>
#include <QTest>
#include <QTimer>

#include "TesselStation/fixedsplitterwnd.h"
#include "TesselStation/infopopupdlg.h"

namespace {

TEST(FixedSplitter, DraggingTheBarMovesNothing) {
  CFixedSplitterWnd splitter;
  splitter.addWidget(new QLabel("left"));
  splitter.addWidget(new QLabel("right"));
  splitter.resize(400, 100);
  splitter.setSizes({200, 200});
  splitter.show();
  const QList<int> before = splitter.sizes();
  QSplitterHandle* bar = splitter.handle(1);
  QTest::mousePress(bar, Qt::LeftButton);
  QTest::mouseMove(bar, QPoint(-100, 5));
  QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(-100, 5));
  QTest::mouseDClick(bar, Qt::LeftButton);
  EXPECT_EQ(splitter.sizes(), before);
}

class InfoPopup : public ::testing::TestWithParam<Qt::MouseButton> {};

TEST_P(InfoPopup, ShowsItsTextsAndAClickClosesItWithOne) {
  CInfoPopupDlg popup;
  popup.m_heading = "North Watch";
  popup.m_text = "Range 160, active";
  QTimer::singleShot(0, [&] {
    EXPECT_EQ(popup.findChild<QLabel*>(QString::number(CInfoPopupDlg::IDC_HEADING))->text(),
              "North Watch");
    EXPECT_EQ(popup.findChild<QLabel*>(QString::number(CInfoPopupDlg::IDC_TEXT))->text(),
              "Range 160, active");
    QTest::mousePress(&popup, GetParam(), {}, QPoint(20, 20));
  });
  EXPECT_EQ(popup.exec(), 1);
}

INSTANTIATE_TEST_SUITE_P(Buttons, InfoPopup,
                         ::testing::Values(Qt::LeftButton, Qt::RightButton),
                         [](const auto& info) {
                           return std::string(info.param == Qt::LeftButton ? "Left" : "Right");
                         });

}  // namespace
