// What the Qt loop adds to the common contract (Platform's loop tests run on
// it in PlatformQtLoopTests): no handler runs inside another one, whatever
// nested Qt loop the first opens.
#include "PlatformQt/qtloop.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <string>
#include <vector>

#include "PlatformQt/qtmessagebox.h"
#include "testsupport/modal.h"

namespace {

class QtLoopTest : public ::testing::Test {
 protected:
  QtLoopTest() {
    platform::set_current_loop(&loop);
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, first), 0);
    EXPECT_EQ(socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, second), 0);
  }
  ~QtLoopTest() override {
    for (const int fd : {first[0], first[1], second[0], second[1]}) close(fd);
    platform::set_current_loop(nullptr);
  }

  // Notes what ran, marked when it ran while the box's opener was inside
  // its handler.
  void note(const std::string& what) { journal.push_back(what + (inside ? " (nested)" : "")); }

  // Closes the open box with OK once `while_open` has run inside it.
  static void close_box_after(std::function<void()> while_open) {
    testsupport::when_modal<QMessageBox>([while_open](QMessageBox* box) {
      while_open();
      box->button(QMessageBox::Ok)->click();
    });
  }

  static void take_byte(int fd) {
    char byte;
    ASSERT_EQ(read(fd, &byte, 1), 1);
  }

  platform::QtLoop loop;
  int first[2] = {-1, -1};
  int second[2] = {-1, -1};
  std::vector<std::string> journal;
  bool inside = false;
};

TEST_F(QtLoopTest, BoxOpenedFromAHandlerRunsNoOtherHandlerUntilItCloses) {
  std::vector<std::string> while_open;
  loop.watch(second[0], platform::kReadable, [&](unsigned) {
    take_byte(second[0]);
    note("socket");
  });
  platform::EventLoop::Id ticker = 0;
  int ticks = 0;
  loop.watch(first[0], platform::kReadable, [&](unsigned) {
    take_byte(first[0]);
    inside = true;
    close_box_after([&] {
      // Everything the loop would run comes due while the box is up.
      ASSERT_EQ(write(second[1], "x", 1), 1);
      loop.post([&] { note("posted first"); });
      loop.start_timer(0, false, [&] { note("timer"); });
      ticker = loop.start_timer(10, true, [&] {
        ++ticks;
        note("ticker");
        loop.stop_timer(ticker);
      });
      QTest::qWait(200);  // the box's own loop turns meanwhile
      loop.post([&] { note("posted last"); });
      QTest::qWait(50);
      while_open = journal;
    });
    platform::show_box(nullptr, "Opened by a handler");
    inside = false;
  });
  ASSERT_EQ(write(first[1], "x", 1), 1);

  ASSERT_TRUE(loop.run_until([&] { return journal.size() == 5; }, 5000));
  EXPECT_TRUE(while_open.empty()) << while_open.front();
  // The posted calls and the timers in the order they came due, the periodic
  // one once; the socket's turn among them is the loop's choice.
  std::vector<std::string> queued = journal;
  std::erase(queued, "socket");
  EXPECT_EQ(queued, (std::vector<std::string>{"posted first", "timer", "ticker", "posted last"}));
  EXPECT_NE(std::find(journal.begin(), journal.end(), "socket"), journal.end());
  EXPECT_EQ(ticks, 1);
}

TEST_F(QtLoopTest, BoxOpenedOutsideTheHandlersLetsThemRun) {
  bool ran_while_open = false;
  QTimer::singleShot(0, [&] {  // a Qt event of the application, not a handler of the loop
    close_box_after([&] {
      bool posted_ran = false;
      bool socket_ran = false;
      loop.post([&] { posted_ran = true; });
      loop.watch(second[0], platform::kReadable, [&](unsigned) {
        take_byte(second[0]);
        socket_ran = true;
      });
      ASSERT_EQ(write(second[1], "x", 1), 1);
      ran_while_open = QTest::qWaitFor([&] { return posted_ran && socket_ran; }, 5000);
    });
    platform::show_box(nullptr, "Opened by the user");
  });
  ASSERT_TRUE(loop.run_until([&] { return QApplication::activeModalWidget() == nullptr &&
                                          ran_while_open; },
                             5000));
}

TEST_F(QtLoopTest, HandlersRunInsideTheApplicationsOwnLoop) {
  // No call of the loop's own: Qt's event loop alone drives the handlers.
  QEventLoop application;
  loop.post([&] { note("posted"); });
  loop.watch(second[0], platform::kReadable, [&](unsigned) {
    take_byte(second[0]);
    note("socket");
    loop.start_timer(1, false, [&] {
      note("timer");
      application.quit();
    });
  });
  ASSERT_EQ(write(second[1], "x", 1), 1);
  QTimer::singleShot(5000, &application, [&] { application.exit(1); });
  EXPECT_EQ(application.exec(), 0);
  EXPECT_EQ(journal, (std::vector<std::string>{"posted", "socket", "timer"}));
}

}  // namespace
