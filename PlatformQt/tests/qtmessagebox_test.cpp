#include "PlatformQt/qtmessagebox.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace {

struct Seen {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QWidget* parent = nullptr;
};

// Closes the next modal box with its OK button and tells what it showed.
void close_next_box(Seen* seen) {
  QTimer::singleShot(0, [seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    seen->title = box->windowTitle();
    seen->text = box->text();
    seen->icon = box->icon();
    seen->parent = box->parentWidget();
    box->button(QMessageBox::Ok)->click();
  });
}

TEST(QtMessageBox, ShowsTheTextModallyWithTheIconOfItsType) {
  QApplication::setApplicationDisplayName("TesselStation");
  QWidget window;
  platform::QtMessageBox boxes(&window);
  const struct {
    unsigned type;
    QMessageBox::Icon icon;
  } cases[] = {{MB_OK, QMessageBox::NoIcon}, {MB_ICONSTOP, QMessageBox::Critical}};
  for (const auto& c : cases) {
    Seen seen;
    close_next_box(&seen);
    boxes.show("Invalid File Format file:/tmp/x.map", c.type);
    EXPECT_EQ(seen.text, "Invalid File Format file:/tmp/x.map");
    EXPECT_EQ(seen.icon, c.icon);
    EXPECT_EQ(seen.parent, &window);
    EXPECT_TRUE(seen.title.startsWith("TesselStation")) << seen.title.toStdString();
  }
}

TEST(QtMessageBox, InstalledAsTheSinkItTakesTheLibrariesMessages) {
  platform::QtMessageBox boxes;
  platform::MessageSink* previous = platform::set_message_sink(&boxes);
  Seen seen;
  close_next_box(&seen);
  platform::message_box("Error Loading NLine Coordinates");
  platform::set_message_sink(previous);
  EXPECT_EQ(seen.text, "Error Loading NLine Coordinates");
  EXPECT_EQ(seen.parent, nullptr);
}

}  // namespace
