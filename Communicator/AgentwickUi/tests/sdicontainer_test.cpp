// Agents in Qt main windows, on the Qt loop, talking over loopback.
#include "AgentwickUi/sdicontainer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Agentwick/basicagent.h"
#include "PlatformQt/qtloop.h"
#include "PlatformQt/qtmessagebox.h"
#include "Relaywick/socketbase.h"
#include "testsupport/agentpeer.h"
#include "testsupport/modal.h"
#include "testsupport/tempdir.h"

namespace {

// What an agent went through; it outlives the agent, which its frame deletes.
struct Record {
  std::vector<std::string> messages;
  int ticks = 0;
  bool shut_down = false;
  bool deleted = false;
};

// An agent on a port of the system's choice that notes its messages and
// runs `on_message` for each.
class TalkingAgent : public CBasicAgent {
 public:
  TalkingAgent(const char* name, Record* record) : CBasicAgent(name), record_(record) {}
  ~TalkingAgent() override { record_->deleted = true; }

  int process_create() override {
    get_communicator()->set_port(0);
    return 1;
  }
  void process_timer() override { ++record_->ticks; }
  void process_shutdown() override { record_->shut_down = true; }
  int process_message(char* text) override {
    record_->messages.emplace_back(text);
    if (on_message) on_message(text);
    return 1;
  }

  // Where `name` is to be found.
  void know(const char* name, unsigned port) {
    testsupport::know_agent(get_communicator(), name, port);
  }
  // Sends a "tell" with `content`; true when it went out.
  bool tell(const char* receiver, const char* content) {
    return testsupport::tell_agent(get_communicator(), receiver, content);
  }

  std::function<void(const std::string&)> on_message;

 private:
  Record* record_;
};

// A frame that notes the messages of its agent's window and handles one of
// its own.
class ProbeFrame : public CSDIContainer {
 public:
  static constexpr unsigned kOwnMessage = WM_USER + 50;

  int socket_notes = 0;
  int timer_notes = 0;
  std::vector<WPARAM> own;

 protected:
  LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) override {
    if (message == kOwnMessage) {
      own.push_back(wParam);
      return 1;
    }
    if (message == WM_SOCKET_NOTIFY) ++socket_notes;
    if (message == WM_TIMER) ++timer_notes;
    return CSDIContainer::WindowProc(message, wParam, lParam);
  }
};

bool contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

class SDIContainerTest : public ::testing::Test {
 protected:
  SDIContainerTest() {
    platform::set_current_loop(&loop);
    command_line.parse_commandline(1, argv);
  }
  ~SDIContainerTest() override {
    frames.clear();
    platform::set_current_loop(nullptr);
  }

  // A started agent in a frame of its own.
  TalkingAgent* start_agent(const char* name, Record* record) {
    auto frame = std::make_unique<ProbeFrame>();
    auto agent = std::make_unique<TalkingAgent>(name, record);
    TalkingAgent* started = agent.get();
    frame->AssignContainer(std::move(agent));
    EXPECT_EQ(frame->CreateContainer(&command_line, 1), 1);
    frames.push_back(std::move(frame));
    return started;
  }

  // Two agents that know where the other is.
  void start_pair() {
    a = start_agent("A", &a_record);
    b = start_agent("B", &b_record);
    a->know("B", b->get_communicator()->get_port());
    b->know("A", a->get_communicator()->get_port());
  }

  testsupport::TempDir dir;  // the composer keeps its UUID state here
  platform::QtLoop loop;
  char program[6] = "agent";
  char* argv[2] = {program, nullptr};
  CCommandLine command_line;
  Record a_record;
  Record b_record;
  Record c_record;
  TalkingAgent* a = nullptr;
  TalkingAgent* b = nullptr;
  std::vector<std::unique_ptr<ProbeFrame>> frames;  // last: they go first
};

TEST_F(SDIContainerTest, TwoAgentsInQtWindowsExchangeMessagesOverLoopback) {
  start_pair();
  b->on_message = [&](const std::string& text) {
    if (contains(text, "ping")) {
      EXPECT_TRUE(b->tell("A", "pong"));
    }
  };
  ASSERT_TRUE(a->tell("B", "ping"));
  // Qt's own event processing drives the agents.
  ASSERT_TRUE(QTest::qWaitFor([&] { return a_record.messages.size() == 1; }, 5000));
  ASSERT_EQ(b_record.messages.size(), 1u);
  EXPECT_TRUE(contains(b_record.messages[0], ":sender A")) << b_record.messages[0];
  EXPECT_TRUE(contains(b_record.messages[0], "ping"));
  EXPECT_TRUE(contains(a_record.messages[0], ":sender B")) << a_record.messages[0];
  EXPECT_TRUE(contains(a_record.messages[0], "pong"));
  EXPECT_GE(frames[1]->socket_notes, 1);

  // The frame's timer reaches the agent through the frame.
  ASSERT_TRUE(QTest::qWaitFor([&] { return a_record.ticks >= 1; }, 5000));
  EXPECT_GE(frames[0]->timer_notes, a_record.ticks);
}

TEST_F(SDIContainerTest, BoxOpenedByAMessageHandlerHoldsTheNextMessageUntilItCloses) {
  start_pair();
  // A connection of its own: a connection holds its next message back by
  // itself while the one before is handled.
  TalkingAgent* c = start_agent("C", &c_record);
  c->know("B", b->get_communicator()->get_port());
  platform::QtMessageBox boxes(frames[1].get());
  platform::MessageSink* previous = platform::set_message_sink(&boxes);
  size_t handled_while_open = 0;
  b->on_message = [&](const std::string& text) {
    if (!contains(text, "first")) return;
    testsupport::when_modal<QMessageBox>([&](QMessageBox* box) {
      EXPECT_TRUE(c->tell("B", "second"));
      QTest::qWait(300);  // the box's own loop turns meanwhile
      handled_while_open = b_record.messages.size();
      box->button(QMessageBox::Ok)->click();
    });
    platform::message_box("First message arrived");
  };
  ASSERT_TRUE(a->tell("B", "first"));
  ASSERT_TRUE(QTest::qWaitFor([&] { return b_record.messages.size() == 2; }, 5000));
  platform::set_message_sink(previous);
  EXPECT_EQ(handled_while_open, 1u);
  EXPECT_TRUE(contains(b_record.messages[1], ":sender C")) << b_record.messages[1];
}

TEST_F(SDIContainerTest, ClosingStopsTheAgentAndDestroyingDeletesIt) {
  start_pair();
  CCommunicator* communicator = a->get_communicator();
  ASSERT_NE(communicator, nullptr);
  EXPECT_EQ(frames[0]->get_handler(), communicator->get_handler());

  frames[0]->show();
  EXPECT_TRUE(frames[0]->close());
  EXPECT_TRUE(a_record.shut_down);
  EXPECT_EQ(frames[0]->get_container(), a);  // kept
  EXPECT_EQ(a->get_communicator(), nullptr);
  EXPECT_FALSE(a_record.deleted);

  frames.erase(frames.begin());
  EXPECT_TRUE(a_record.deleted);
  EXPECT_FALSE(b_record.shut_down);
}

TEST_F(SDIContainerTest, DerivedFrameTakesItsOwnMessagesAndPassesTheRestOn) {
  ProbeFrame frame;
  EXPECT_EQ(frame.CreateContainer(&command_line, 1), 0);  // no agent yet
  frame.get_handler()->PostMessage(ProbeFrame::kOwnMessage, 7, 0);
  frame.get_handler()->PostMessage(WM_SOCKET_NOTIFY, SOCKETTYPE_CLIENT, 3);  // nothing to route to
  ASSERT_TRUE(QTest::qWaitFor([&] { return frame.socket_notes == 1; }, 5000));
  EXPECT_EQ(frame.own, std::vector<WPARAM>{7});
}

}  // namespace
