// The server socket and its connections on loopback, with plain descriptors
// as the peers.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "Relaywick/clientsocket.h"
#include "Relaywick/serversocket.h"
#include "relaytest.h"
#include "testsupport/descriptorlimit.h"

namespace {

using namespace relaytest;

constexpr char kEnd = 0x04;

std::string message(const std::string& sender, const std::string& content) {
  return "(tell :sender " + sender + " :content (" + content + "))";
}

class ConnectionTest : public LoopTest {
 protected:
  ConnectionTest() {
    logger.set_file(log.stream());
    server = std::make_unique<CServerSocket>(&window);
    server->set_logger(&logger);
    EXPECT_TRUE(server->Create(0, SOCK_STREAM, kLoopback));
    EXPECT_TRUE(server->Listen(5));
    server->GetSockName(nullptr, 0, &port);
  }
  ~ConnectionTest() override {
    for (int fd : peers) close_peer(fd);
  }

  // Runs the loop until a round finds nothing to do.
  void settle() {
    while (loop.process_events(10) > 0) {
    }
  }

  int connections() { return server->get_sockets()->get_nr_elements(); }
  // How often the server logged `line`.
  long server_lines(const std::string& line) const {
    return std::count(calls.begin(), calls.end(), "logger message 0 " + line);
  }

  // A new peer and the connection that the server took it into.
  int connect(CClientSocket** connection = nullptr) {
    const int before = connections();
    const int fd = connect_peer(port);
    peers.push_back(fd);
    EXPECT_TRUE(run_until(loop, [&] { return connections() > before; }, 3000));
    if (connection != nullptr) {
      *connection = dynamic_cast<CClientSocket*>(
          server->get_sockets()->get_last_element() != nullptr
              ? static_cast<CSocketBase*>(server->get_sockets()->get_last_element()->get_content())
              : nullptr);
    }
    return fd;
  }

  // A connection of the agent's own to a plain listener, registered with
  // the server under `name`.
  CClientSocket* connect_out(const char* name) {
    unsigned peer_port = 0;
    const int listener = listen_peer(&peer_port);
    peers.push_back(listener);
    auto out = std::make_unique<CClientSocket>(server.get(), &window);
    EXPECT_TRUE(out->Create(0, SOCK_STREAM));
    EXPECT_TRUE(out->Connect(kLoopback, peer_port));
    out->set_agentname(name);
    CClientSocket* kept = out.get();
    server->new_connection(std::move(out));
    peers.push_back(accept_peer(listener));
    return kept;
  }

  // The owner's side of the protocol, for every notice from now on: the
  // messages it took, in order.
  std::vector<std::string>* take_every_message() {
    window.on_notify = [this](const RecordingWindow::Notice& notice) {
      auto* connection = dynamic_cast<CClientSocket*>(server->get_connection(notice.descriptor));
      if (connection == nullptr) return;
      if (const char* text = connection->mfc_getdata()) taken.push_back(text);
      largest_queue = std::max(largest_queue, connection->get_queue_size());
      connection->remove_from_queue();
    };
    return &taken;
  }

  LogCapture log;
  std::vector<std::string> calls;
  RecordingModule logger{"logger", &calls};
  RecordingWindow window;
  std::unique_ptr<CServerSocket> server;
  unsigned port = 0;
  std::vector<int> peers;
  std::vector<std::string> taken;
  int largest_queue = 0;
};

TEST_F(ConnectionTest, AMessageSplitAnywhereArrivesWhole) {
  const std::string text = message("peer", "x y");
  const std::string wire = text + kEnd;
  for (size_t split = 0; split <= wire.size(); ++split) {
    SCOPED_TRACE(split);
    window.notices.clear();
    CClientSocket* connection = nullptr;
    const int fd = connect(&connection);
    ASSERT_NE(connection, nullptr);
    ASSERT_TRUE(send_peer(fd, wire.substr(0, split)));
    settle();
    ASSERT_TRUE(send_peer(fd, wire.substr(split)));
    settle();
    ASSERT_EQ(window.notices.size(), 1u);
    EXPECT_EQ(connection->get_queue_size(), 1);
    EXPECT_EQ(connection->mfc_getdata(), text);
  }
}

TEST_F(ConnectionTest, TwoMessagesInOneSegmentAreToldOneAtATime) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, message("peer", "one") + kEnd + message("peer", "two") + kEnd));
  settle();
  ASSERT_EQ(window.notices.size(), 1u);
  EXPECT_EQ(window.notices[0].type, static_cast<WPARAM>(SOCKETTYPE_CLIENT));
  EXPECT_EQ(window.notices[0].descriptor, connection->get_descriptor());
  EXPECT_EQ(server->get_connection(window.notices[0].descriptor), connection);
  EXPECT_EQ(connection->is_waiting(), 1);
  EXPECT_EQ(connection->mfc_getdata(), message("peer", "one"));

  connection->remove_from_queue();
  settle();
  ASSERT_EQ(window.notices.size(), 2u);
  EXPECT_EQ(connection->mfc_getdata(), message("peer", "two"));
  EXPECT_EQ(connection->is_waiting(), 1);

  connection->remove_from_queue();
  settle();
  EXPECT_EQ(window.notices.size(), 2u);
  EXPECT_EQ(connection->is_waiting(), 0);
  EXPECT_EQ(connection->mfc_getdata(), nullptr);
  EXPECT_TRUE(log.has("<CClientSocket> Attempting to retrieve data from empty socket"));
  connection->remove_from_queue();
  EXPECT_TRUE(log.has("<CClientSocket> Attempting to remove message from empty channel message queue"));
}

TEST_F(ConnectionTest, NewDataWhileTheOwnerWaitsIsToldAfterTheRemoval) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, message("peer", "one") + kEnd));
  settle();
  ASSERT_TRUE(send_peer(fd, message("peer", "two") + kEnd));
  settle();
  EXPECT_EQ(window.notices.size(), 1u);
  EXPECT_TRUE(log.has("<CClientSocket> Just received new data but we're still waiting for the "
                      "agent to process the last data"));
  connection->remove_from_queue();
  settle();
  EXPECT_EQ(window.notices.size(), 2u);
}

TEST_F(ConnectionTest, TwoTerminatorsEndAMessageAndAnEmptyOne) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, message("peer", "x") + kEnd + kEnd));
  settle();
  ASSERT_EQ(connection->get_queue_size(), 2);
  // The owner is told of the message; the empty one cannot be parsed, and
  // is dropped as its turn comes.
  ASSERT_EQ(window.notices.size(), 1u);
  EXPECT_EQ(connection->mfc_getdata(), message("peer", "x"));
  connection->remove_from_queue();
  EXPECT_EQ(connection->get_queue_size(), 0);
  EXPECT_EQ(connection->is_waiting(), 0);
  EXPECT_TRUE(log.has("<CClientSocket> Corrupted Message, unparsable!"));
  settle();
  EXPECT_EQ(window.notices.size(), 1u);
}

TEST_F(ConnectionTest, TheConnectionIsFoundByItsFirstSender) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  EXPECT_STREQ(connection->get_agentname(), "unknown agent");
  EXPECT_EQ(server->find_connection("unknown agent", nullptr, 0), nullptr);
  EXPECT_STREQ(connection->get_hostname(), kLoopback);
  EXPECT_NE(connection->get_port(), 0u);

  ASSERT_TRUE(send_peer(fd, message("station", "a") + kEnd));
  settle();
  EXPECT_STREQ(connection->get_agentname(), "station");
  // Host and port are not compared.
  EXPECT_EQ(server->find_connection("station", "elsewhere", 1), connection);

  connection->remove_from_queue();
  ASSERT_TRUE(send_peer(fd, message("other", "b") + kEnd));
  settle();
  EXPECT_TRUE(log.has("<CClientSocket> Sender already assigned, skipping ..."));
  EXPECT_STREQ(connection->get_agentname(), "station");
  EXPECT_EQ(server->find_connection("other", nullptr, 0), nullptr);

  connection->set_dirty(1);
  EXPECT_EQ(server->find_connection("station", nullptr, 0), nullptr);
}

// --- Every complete message reaches the owner, in order

struct DeliveryCase {
  const char* name;
  std::vector<std::string> segments;  // sent one after the other
  std::vector<std::string> taken;     // what the owner is handed, in order
  std::string agent;                  // the connection's name afterwards
  bool dropped;                       // an unparsable message was logged and dropped
};

void PrintTo(const DeliveryCase& c, std::ostream* out) { *out << c.name; }

class DeliveryTest : public ConnectionTest, public ::testing::WithParamInterface<DeliveryCase> {};

TEST_P(DeliveryTest, EveryCompleteMessageReachesTheOwnerInOrder) {
  take_every_message();
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  for (const std::string& segment : GetParam().segments) {
    ASSERT_TRUE(send_peer(fd, segment));
    settle();
  }
  EXPECT_EQ(taken, GetParam().taken);
  EXPECT_EQ(connection->get_agentname(), GetParam().agent);
  EXPECT_EQ(log.has("<CClientSocket> Corrupted Message, unparsable!"), GetParam().dropped);
  EXPECT_EQ(connection->get_queue_size(), 0);
}

const std::string kFromP = message("p", "a");
const std::string kFromQ = message("q", "b");
const std::string kEndText(1, kEnd);
const std::string kNameless = "(tell :content (x))";

INSTANTIATE_TEST_SUITE_P(
    Segments, DeliveryTest,
    ::testing::Values(
        DeliveryCase{"AnEmptyMessageAfterAGoodOne", {kFromP + kEnd + kEnd}, {kFromP}, "p", true},
        DeliveryCase{"UnparsableAfterAGoodOne", {kFromP + kEnd + "(((" + kEnd}, {kFromP}, "p", true},
        DeliveryCase{"UnparsableBetweenGoodOnes",
                     {kFromP + kEnd + "(((" + kEnd + kFromQ + kEnd}, {kFromP, kFromQ}, "p", true},
        DeliveryCase{"UnparsableFirst", {"(((" + kEndText + kFromQ + kEnd}, {kFromQ}, "q", true},
        DeliveryCase{"OnlyParenthesesAfterAGoodOne",
                     {kFromP + kEnd + "( \t)" + kEnd + kFromQ + kEnd}, {kFromP, kFromQ}, "p",
                     true},
        DeliveryCase{"UnparsableInALaterSegment",
                     {kFromP + kEnd, "(((" + kEndText + kFromQ + kEnd}, {kFromP, kFromQ}, "p",
                     true},
        DeliveryCase{"TwoSendersInOneSegment", {kFromP + kEnd + kFromQ + kEnd}, {kFromP, kFromQ},
                     "p", false},
        DeliveryCase{"ANamelessMessageFirst", {kNameless + kEnd + kFromQ + kEnd + kFromP + kEnd},
                     {kNameless, kFromQ, kFromP}, "q", false},
        DeliveryCase{"AMessageCutAcrossSegments",
                     {kFromP + kEnd + kFromQ.substr(0, 10), kFromQ.substr(10) + kEnd},
                     {kFromP, kFromQ}, "p", false}),
    [](const ::testing::TestParamInfo<DeliveryCase>& info) { return std::string(info.param.name); });

TEST_F(ConnectionTest, AnHttpRequestDoesNotInheritAHeldFragment) {
  take_every_message();
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, "(tell :sender a :content (cut off"));
  settle();
  const std::string request = "GET /status HTTP/1.0\r\n\r\n";
  ASSERT_TRUE(send_peer(fd, request));
  settle();
  EXPECT_TRUE(log.has("<CClientSocket> Partial message dropped, an HTTP request follows it"));
  ASSERT_TRUE(send_peer(fd, message("b", "next") + kEnd));
  settle();
  EXPECT_EQ(taken, (std::vector<std::string>{request, message("b", "next")}));
  EXPECT_EQ(connection->get_held_bytes(), 0u);
}

// --- The segment's kind decided without a parse where none is needed

struct PathCase {
  const char* name;
  std::vector<std::string> segments;
};

void PrintTo(const PathCase& c, std::ostream* out) { *out << c.name; }

class ParsePathTest : public ConnectionTest, public ::testing::WithParamInterface<PathCase> {
 protected:
  struct Outcome {
    std::vector<std::string> taken;
    std::string agent;
    int32_t reads_as;  // the connection's parser type afterwards
    size_t held;
  };

  // The segments over a new connection, its logger writing to a file or not.
  Outcome run(bool debug_file) {
    if (debug_file) {
      logger.set_file(log.stream());
    } else {
      logger.close();
    }
    taken.clear();
    CClientSocket* connection = nullptr;
    const int fd = connect(&connection);
    for (const std::string& segment : GetParam().segments) {
      EXPECT_TRUE(send_peer(fd, segment));
      settle();
    }
    return {taken, connection->get_agentname(), connection->get_parser()->get_parser_type(),
            connection->get_held_bytes()};
  }
};

TEST_P(ParsePathTest, WithoutADebugFileTheSameMessagesComeThrough) {
  // With a debug file every segment is parsed, as each parse writes its
  // lines; without one the parse is left out where it changes nothing.
  take_every_message();
  const Outcome literal = run(true);
  const Outcome quick = run(false);
  EXPECT_EQ(quick.taken, literal.taken);
  EXPECT_EQ(quick.agent, literal.agent);
  EXPECT_EQ(quick.reads_as, literal.reads_as);
  EXPECT_EQ(quick.held, literal.held);
}

const std::string kRequest = "GET / HTTP/1.0\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Segments, ParsePathTest,
    ::testing::Values(
        PathCase{"KqmlMessages", {kFromP + kEnd, kFromQ + kEnd + kFromP + kEnd}},
        PathCase{"AMessageAcrossSegments", {kFromP.substr(0, 7), kFromP.substr(7) + kEnd}},
        // Read with its 0x04 the text parses, without it not.
        PathCase{"AnEmptyGroupThenARequest", {"()" + kEndText, kRequest}},
        PathCase{"KqmlWithoutTerminatorThenARequest", {"(tell :sender a)", kRequest, kEndText}},
        PathCase{"ARequestThenKqml", {kRequest, kFromP + kEnd}},
        PathCase{"AFragmentThenARequestThenKqml", {"(tell :sender a :content (x", kRequest,
                                                   kFromQ + kEnd}},
        PathCase{"AMethodLineInsideAMessage", {"(tell :sender a :content (x\nGET y))" + kEndText}},
        PathCase{"ANulInsideAMessage", {std::string("(tell :sender a)\0junk", 21) + kEnd}},
        PathCase{"UnparsableMessages", {"(((" + kEndText, kEndText + kFromP + kEnd}}),
    [](const ::testing::TestParamInfo<PathCase>& info) { return std::string(info.param.name); });

TEST_F(ConnectionTest, DescriptorsCountUpAndTheLastOneWins) {
  CClientSocket* first = nullptr;
  CClientSocket* second = nullptr;
  connect(&first);
  connect(&second);
  EXPECT_EQ(first->get_descriptor(), 0);
  EXPECT_EQ(second->get_descriptor(), 1);
  EXPECT_EQ(server->get_connection(1), second);
  EXPECT_EQ(server->get_connection(-1), nullptr);
  EXPECT_EQ(server->get_connection(7), nullptr);
  second->set_descriptor(0);
  EXPECT_EQ(server->get_connection(0), second);
}

TEST_F(ConnectionTest, AnHttpRequestIsQueuedWhole) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  const std::string request = "GET /index.html HTTP/1.0\r\nHost: agent\r\n\r\n";
  ASSERT_TRUE(send_peer(fd, request));
  settle();
  ASSERT_EQ(connection->get_queue_size(), 1);
  EXPECT_EQ(connection->mfc_getdata(), request);
  EXPECT_EQ(window.notices.size(), 1u);
  EXPECT_TRUE(log.has("<CClientSocket> HTTP message detected, circumventing defragmentation code"));
}

TEST_F(ConnectionTest, AMessageWithoutSenderStaysQueuedUntold) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, std::string("(tell :content (x))") + kEnd));
  settle();
  EXPECT_EQ(connection->get_queue_size(), 1);
  EXPECT_TRUE(window.notices.empty());
  EXPECT_TRUE(log.has("<CClientSocket> Corrupted Message (no sender found)"));

  // A whole text without its terminator makes no message; the newest
  // queued one is parsed in its place, and still names nobody.
  ASSERT_TRUE(send_peer(fd, message("late", "y")));
  settle();
  EXPECT_TRUE(log.has("<CClientSocket> Socket indicated a partial message but parser tells us "
                      "it's done, probably HTTP request"));
  EXPECT_TRUE(window.notices.empty());

  ASSERT_TRUE(send_peer(fd, std::string(1, kEnd)));
  settle();
  ASSERT_EQ(window.notices.size(), 1u);
  EXPECT_STREQ(connection->get_agentname(), "late");
  EXPECT_STREQ(connection->mfc_getdata(), "(tell :content (x))");
}

TEST_F(ConnectionTest, MfcSendFramesTheCallersText) {
  unsigned peer_port = 0;
  const int listener = listen_peer(&peer_port);
  peers.push_back(listener);
  CClientSocket out(server.get(), &window);
  ASSERT_TRUE(out.Create(0, SOCK_STREAM));
  ASSERT_TRUE(out.Connect(kLoopback, peer_port));
  const int fd = accept_peer(listener);
  peers.push_back(fd);

  struct Case {
    std::string text;  // as the caller holds it
    std::string wire;  // what goes out
    std::string after;  // the caller's text afterwards
  };
  const std::vector<Case> cases = {
      {std::string("a\r\nb\x04"), std::string("a  b\x04"), std::string("a  b\x04")},
      {"no terminator", std::string("no terminator\0", 14), "no terminator"},
      {"line\nend", std::string("line end\0", 9), "line end"},
      {"", std::string(1, '\0'), ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string buffer = c.text;
    EXPECT_EQ(out.mfc_send(buffer.data()), static_cast<int>(c.wire.size()));
    EXPECT_EQ(read_peer(fd, c.wire.size()), c.wire);
    EXPECT_EQ(buffer, c.after);
  }
  // What followed a 0x04 would reach the peer as a message of its own, or
  // be lost: such a text is refused whole, and left as it was.
  out.set_logger(&logger);
  std::string cut = std::string("(chat :text (a\x04 b))\r\x04");
  const std::string before = cut;
  EXPECT_EQ(out.mfc_send(cut.data()), -1);
  EXPECT_EQ(cut, before);
  EXPECT_TRUE(log.has("<CClientSocket> Message holds the byte 0x04 before its end, not sent"));
  EXPECT_EQ(out.get_dirty(), 0);
  std::string next = "after\x04";
  EXPECT_EQ(out.mfc_send(next.data()), static_cast<int>(next.size()));
  EXPECT_EQ(read_peer(fd, next.size()), next);
  EXPECT_EQ(out.mfc_send(nullptr), -1);
  out.set_dirty(1);
  std::string text = "x";
  EXPECT_EQ(out.mfc_send(text.data()), -1);
}

TEST_F(ConnectionTest, MfcSendSendsEverythingOrFails) {
  unsigned peer_port = 0;
  const int listener = listen_peer(&peer_port);
  peers.push_back(listener);
  CClientSocket out(server.get(), &window);
  ASSERT_TRUE(out.Create(0, SOCK_STREAM));
  ASSERT_TRUE(out.Connect(kLoopback, peer_port));
  const int fd = accept_peer(listener);
  peers.push_back(fd);
  out.set_logger(&logger);
  // More than the socket buffers hold: what they do not take goes out as
  // the peer reads, while the loop runs.
  std::string text(CAsyncSocket::kMaxSendBuffer, 'x');
  text += kEnd;
  EXPECT_EQ(out.mfc_send(text.data()), static_cast<int>(text.size()));
  std::string received;
  EXPECT_TRUE(run_until(
      loop,
      [&] {
        received += read_peer(fd, text.size() - received.size(), 5);
        return received.size() == text.size();
      },
      10000));
  EXPECT_EQ(received.size(), text.size());
  EXPECT_EQ(out.get_dirty(), 0);

  // More than they and the connection's own buffer hold together: the
  // send fails whole, and the connection with it.
  std::string huge(CAsyncSocket::kMaxSendBuffer + (64u << 20), 'y');
  EXPECT_EQ(out.mfc_send(huge.data()), -1);
  EXPECT_EQ(out.get_dirty(), 1);
  EXPECT_TRUE(log.has("<CClientSocket> Winsock Returned: [WSAENOBUFS]"));
}

TEST_F(ConnectionTest, ReceivedTextIsLoggedAsText) {
  const int fd = connect();
  const std::string text = message("p", "%s%n%x 100%");
  ASSERT_TRUE(send_peer(fd, text + kEnd));
  settle();
  EXPECT_TRUE(log.has(text));
  EXPECT_EQ(window.notices.size(), 1u);
}

TEST_F(ConnectionTest, ShowErrorNamesTheWindowsSocketsCodes) {
  CClientSocket socket(server.get(), &window);
  socket.set_logger(&logger);
  struct Case {
    unsigned code;
    const char* name;
  };
  const std::vector<Case> cases = {
      {10035, "WSAEWOULDBLOCK"}, {10054, "WSAECONNRESET"},  {10067, "WSAEPROCLIM"},
      {10071, "WSAEREMOTE"},     {10091, "WSASYSNOTREADY"}, {10092, "WSAVERNOTSUPPORTED"},
      {10093, "WSANOTINITIALISED"}, {10101, "WSAEDISCON"},  {0, "UNKNOWN"},
      {10004, "UNKNOWN"},        {10013, "UNKNOWN"},        {10034, "UNKNOWN"},
      {10072, "UNKNOWN"},        {10107, "UNKNOWN"},        {11001, "UNKNOWN"},
  };
  for (const Case& c : cases) {
    socket.show_error(c.code);
    EXPECT_EQ(log.lines().back(), std::string("<CClientSocket> Winsock Returned: [") + c.name + "]")
        << c.code;
  }
}

TEST_F(ConnectionTest, ADirtyConnectionGoesOnceItsQueueIsEmpty) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, message("peer", "one") + kEnd + message("peer", "two") + kEnd));
  settle();
  ASSERT_EQ(window.notices.size(), 1u);
  reset_peer(fd);
  peers.pop_back();
  ASSERT_TRUE(run_until(loop, [&] { return connection->get_dirty() != 0; }, 3000));

  // Queued messages are still handed over, one notice each.
  connection->remove_from_queue();
  settle();
  EXPECT_EQ(window.notices.size(), 2u);
  EXPECT_EQ(connections(), 1);
  EXPECT_NE(connection->mfc_getdata(), nullptr);
  const long descriptor = connection->get_descriptor();
  connection->remove_from_queue();  // the connection may be gone from here on
  EXPECT_EQ(connections(), 0);
  EXPECT_EQ(server->get_connection(descriptor), nullptr);
  settle();
  EXPECT_EQ(window.notices.size(), 2u);
}

TEST_F(ConnectionTest, APeerThatClosedFailsTheNextSendAndIsSwept) {
  take_every_message();
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, message("peer", "bye") + kEnd));
  settle();
  ASSERT_EQ(taken.size(), 1u);
  close_peer(fd);
  peers.pop_back();
  ASSERT_TRUE(run_until(loop, [&] { return connection->is_peer_closed(); }, 3000));
  EXPECT_EQ(connection->get_dirty(), 0);
  EXPECT_TRUE(log.has("<CClientSocket> Winsock Returned: [UNKNOWN]"));

  // An open connection of the same agent comes first.
  CClientSocket* newer = nullptr;
  const int other = connect(&newer);
  ASSERT_TRUE(send_peer(other, message("peer", "hello") + kEnd));
  settle();
  EXPECT_EQ(server->find_connection("peer", nullptr, 0), newer);
  close_peer(other);
  peers.pop_back();
  ASSERT_TRUE(run_until(loop, [&] { return newer->is_peer_closed(); }, 3000));

  // Without one the ended connection is chosen (its peer might still
  // read), and as its peer closed, it answers the send with a reset.
  EXPECT_EQ(server->find_connection("peer", nullptr, 0), connection);
  std::string text = "(tell)";
  EXPECT_EQ(connection->mfc_send(text.data()), -1);
  EXPECT_EQ(connection->get_dirty(), 1);
  EXPECT_TRUE(log.has("<CClientSocket> Winsock Returned: [WSAECONNRESET]"));

  server->sweep_connections();
  EXPECT_EQ(connections(), 0);
  settle();
}

TEST_F(ConnectionTest, APeerThatEndedOnlyItsSendingStillGetsWhatIsSent) {
  take_every_message();
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  ASSERT_TRUE(send_peer(fd, message("peer", "request") + kEnd));
  ASSERT_EQ(shutdown(fd, SHUT_WR), 0);
  ASSERT_TRUE(run_until(loop, [&] { return connection->is_peer_closed(); }, 3000));
  ASSERT_EQ(taken.size(), 1u);

  ASSERT_EQ(server->find_connection("peer", nullptr, 0), connection);
  std::string reply = "(tell :content (answer))";
  EXPECT_EQ(connection->mfc_send(reply.data()), static_cast<int>(reply.size() + 1));
  EXPECT_EQ(read_peer(fd, reply.size() + 1), reply + '\0');
  EXPECT_EQ(connection->get_dirty(), 0);

  // The sweep leaves it while what it sends still waits for the peer.
  const int small = 4096;
  ASSERT_TRUE(connection->SetSockOpt(SO_SNDBUF, &small, sizeof small));
  std::string large(1u << 20, 'z');
  EXPECT_EQ(connection->mfc_send(large.data()), static_cast<int>(large.size() + 1));
  ASSERT_GT(connection->GetUnsent(), 0u);
  server->sweep_connections();
  EXPECT_EQ(connections(), 1);
  std::string received;
  EXPECT_TRUE(run_until(
      loop,
      [&] {
        received += read_peer(fd, large.size() + 1 - received.size(), 5);
        return received.size() == large.size() + 1 && connection->GetUnsent() == 0;
      },
      10000));
  server->sweep_connections();
  EXPECT_EQ(connections(), 0);
  settle();
}

TEST_F(ConnectionTest, TheSweepSparesConnectionsInUse) {
  CClientSocket* told = nullptr;
  CClientSocket* idle = nullptr;
  const int fd = connect(&told);
  connect(&idle);
  ASSERT_TRUE(send_peer(fd, message("peer", "x") + kEnd));
  settle();
  told->set_dirty(1);  // broken, but its owner still handles its message
  server->sweep_connections();
  EXPECT_EQ(connections(), 2);
  idle->set_dirty(1);
  server->sweep_connections();
  EXPECT_EQ(connections(), 1);
  told->remove_from_queue();
  EXPECT_EQ(connections(), 0);
  settle();
}

TEST_F(ConnectionTest, WithoutHandlerAnIncomingConnectionIsClosedAtOnce) {
  CServerSocket lonely(nullptr);
  lonely.set_logger(&logger);
  ASSERT_TRUE(lonely.Create(0, SOCK_STREAM, kLoopback));
  ASSERT_TRUE(lonely.Listen(5));
  unsigned lonely_port = 0;
  lonely.GetSockName(nullptr, 0, &lonely_port);
  const int fd = connect_peer(lonely_port);
  peers.push_back(fd);
  settle();
  EXPECT_TRUE(peer_closed(fd, 1000));
  EXPECT_TRUE(stays_idle());
  EXPECT_EQ(lonely.get_sockets()->get_nr_elements(), 0);
  EXPECT_EQ(calls.back(),
            "logger message 0 <CServerSocket> Invalid message handler given, closing connection ,..");
}

TEST_F(ConnectionTest, AcceptingIsLoggedThroughTheLogger) {
  connect();
  EXPECT_EQ(calls.back(), "logger message 0 <CServerSocket> Accept succeeded");
}

TEST_F(ConnectionTest, AStreamWithoutTerminatorIsCutOffWhileOthersAreServed) {
  take_every_message();
  CClientSocket* flooding = nullptr;
  const int flood_fd = connect(&flooding);
  const long flood_descriptor = flooding->get_descriptor();
  const int fd = connect();

  std::atomic<size_t> streamed{0};
  std::thread flood([&] {
    const std::string chunk(64 * 1024, 'x');
    while (streamed < 5u * 1024 * 1024 && send_peer(flood_fd, chunk)) streamed += chunk.size();
  });
  ASSERT_TRUE(send_peer(fd, message("worker", "meanwhile") + kEnd));
  const bool served = run_until(loop, 
      [&] { return !taken.empty() && server->get_connection(flood_descriptor) == nullptr; }, 10000);
  flood.join();
  ASSERT_TRUE(served);
  EXPECT_EQ(taken, std::vector<std::string>{message("worker", "meanwhile")});
  EXPECT_TRUE(log.has("<CClientSocket> Message is longer than 1048576 bytes, closing connection"));
  EXPECT_TRUE(peer_closed(flood_fd, 1000));
  EXPECT_EQ(connections(), 1);
  settle();
}

TEST_F(ConnectionTest, UntoldMessagesPastTheQueueLimitCloseTheConnection) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  std::string burst;
  for (int i = 0; i <= CClientSocket::kMaxQueue; ++i) {
    burst += "(tell :content (" + std::to_string(i) + "))" + kEnd;
  }
  ASSERT_TRUE(send_peer(fd, burst));
  ASSERT_TRUE(run_until(loop, [&] { return connections() == 0; }, 3000));
  EXPECT_TRUE(log.has("<CClientSocket> Message queue is full, closing connection"));
  EXPECT_TRUE(peer_closed(fd, 1000));
  EXPECT_TRUE(window.notices.empty());
  settle();
}

TEST_F(ConnectionTest, AFastPeerIsSlowedDownNotCutOff) {
  take_every_message();
  const int fd = connect();
  std::string burst;
  std::vector<std::string> sent;
  for (int i = 0; i < 4 * CClientSocket::kMaxQueue; ++i) {
    sent.push_back(message("fast", std::to_string(i)));
    burst += sent.back() + kEnd;
  }
  ASSERT_TRUE(send_peer(fd, burst));
  ASSERT_TRUE(run_until(loop, [&] { return taken.size() == sent.size(); }, 10000));
  EXPECT_EQ(taken, sent);
  EXPECT_EQ(connections(), 1);
  // One segment of the smallest of these messages at most beyond the limit.
  EXPECT_LE(largest_queue, CClientSocket::kMaxQueue + CClientSocket::kSegmentSize / 30);
  EXPECT_TRUE(stays_idle());
}

// --- Limits against peers that hold what they should not

TEST_F(ConnectionTest, AtTheLimitTheConnectionIdleLongestMakesRoom) {
  take_every_message();
  CServerSocket::Clock::time_point now{};
  server->set_clock([&] { return now; });
  CServerSocket::Limits limits;
  limits.accepted = 3;
  server->set_limits(limits);
  const int a = connect();
  now += std::chrono::seconds(1);
  const int b = connect();
  now += std::chrono::seconds(1);
  const int c = connect();
  now += std::chrono::seconds(1);
  ASSERT_TRUE(send_peer(b, message("b", "here") + kEnd));
  ASSERT_TRUE(run_until(loop, [&] { return taken.size() == 1; }));

  // a and c have sent nothing: a, the older, goes.
  now += std::chrono::seconds(1);
  const int d = connect_peer(port);
  peers.push_back(d);
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(a, 50); }));
  EXPECT_EQ(server->get_accepted(), 3);
  EXPECT_EQ(server_lines("<CServerSocket> Too many connections, closing the oldest that "
                         "delivered no message"),
            1);

  now += std::chrono::seconds(1);
  for (int fd : {c, d}) ASSERT_TRUE(send_peer(fd, message("p" + std::to_string(fd), "x") + kEnd));
  ASSERT_TRUE(run_until(loop, [&] { return taken.size() == 3; }));
  // Every one has delivered a message, b the longest ago: b goes, and the
  // newcomer is served.
  now += std::chrono::seconds(1);
  const int e = connect_peer(port);
  peers.push_back(e);
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(b, 50); }));
  EXPECT_EQ(server_lines("<CServerSocket> Too many connections, closing the one idle longest"), 1);
  EXPECT_EQ(connections(), 3);
  for (int fd : {c, d, e}) {
    ASSERT_TRUE(send_peer(fd, message("again", "y") + kEnd));
  }
  EXPECT_TRUE(run_until(loop, [&] { return taken.size() == 6; }));
  EXPECT_FALSE(peer_closed(e, 0));
}

TEST_F(ConnectionTest, AtTheLimitClosedPeersGoFirstThenSilentOnesThenTheLeastRecentlyHeard) {
  take_every_message();
  // The clock never moves: the order cannot come from it.
  CServerSocket::Clock::time_point now{};
  server->set_clock([&] { return now; });
  CServerSocket::Limits limits;
  limits.accepted = 4;
  server->set_limits(limits);
  const auto deliver = [&](int fd) {
    const size_t before = taken.size();
    ASSERT_TRUE(send_peer(fd, message("p" + std::to_string(fd), "x") + kEnd));
    ASSERT_TRUE(run_until(loop, [&] { return taken.size() == before + 1; }));
  };
  const auto newcomer = [&] {
    const int fd = connect_peer(port);
    peers.push_back(fd);
    return fd;
  };
  const int first_talker = connect();
  deliver(first_talker);
  const int second_talker = connect();
  deliver(second_talker);
  // Accepted after both talkers last spoke.
  const int silent = connect();
  CClientSocket* closing = nullptr;
  const int closed = connect(&closing);
  close_peer(closed);
  peers.pop_back();
  ASSERT_TRUE(run_until(loop, [&] { return closing->is_peer_closed(); }));

  const int n1 = newcomer();
  const std::string closed_goes =
      "<CServerSocket> Too many connections, closing one whose peer has closed";
  ASSERT_TRUE(run_until(loop, [&] { return server_lines(closed_goes) == 1; }));
  // Of the two that delivered nothing, the older goes.
  const int n2 = newcomer();
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(silent, 50); }));
  const int n3 = newcomer();
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(n1, 50); }));

  // Every one has delivered now, the first talker again last: the one heard
  // from least recently is the second talker.
  deliver(n2);
  deliver(n3);
  deliver(first_talker);
  newcomer();
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(second_talker, 50); }));
  EXPECT_EQ(server_lines("<CServerSocket> Too many connections, closing the one idle longest"), 1);
  for (int fd : {first_talker, n2, n3}) EXPECT_FALSE(peer_closed(fd, 0)) << fd;
  EXPECT_EQ(server->get_accepted(), 4);
}

TEST_F(ConnectionTest, OwnConnectionsDoNotCountAgainstTheLimit) {
  CServerSocket::Limits limits;
  limits.accepted = 1;
  server->set_limits(limits);
  connect_out("own");
  const int in = connect();
  EXPECT_EQ(server->get_accepted(), 1);
  EXPECT_EQ(connections(), 2);
  EXPECT_FALSE(peer_closed(in, 100));
}

TEST_F(ConnectionTest, AConnectionSilentForTwoMinutesIsClosedByTheSweep) {
  take_every_message();
  CServerSocket::Clock::time_point now{};
  server->set_clock([&] { return now; });
  const int silent = connect();
  const int talking = connect();
  // An empty message delivers nothing: it keeps no connection open.
  const int terminator = connect();
  connect_out("own");
  ASSERT_TRUE(send_peer(talking, message("talker", "hello") + kEnd));
  ASSERT_TRUE(send_peer(terminator, std::string(1, kEnd)));
  ASSERT_TRUE(run_until(loop, [&] { return taken.size() == 1; }));
  settle();

  now += std::chrono::seconds(100);
  ASSERT_TRUE(send_peer(talking, message("talker", "still here") + kEnd));
  ASSERT_TRUE(run_until(loop, [&] { return taken.size() == 2; }));
  now += std::chrono::seconds(19);
  server->sweep_connections();
  EXPECT_EQ(connections(), 4);
  now += std::chrono::seconds(2);
  server->sweep_connections();
  EXPECT_TRUE(peer_closed(silent, 1000));
  EXPECT_TRUE(peer_closed(terminator, 1000));
  // The one that delivered a message lately stays cached, and so does the
  // agent's own connection.
  EXPECT_EQ(connections(), 2);
  EXPECT_NE(server->find_connection("talker", nullptr, 0), nullptr);
  EXPECT_NE(server->find_connection("own", nullptr, 0), nullptr);
  EXPECT_EQ(server_lines("<CServerSocket> No message for [120] s, closing connection"), 2);

  // Two minutes after its last message the talker goes too; the agent's
  // own connection stays.
  now += std::chrono::seconds(99);
  server->sweep_connections();
  EXPECT_TRUE(peer_closed(talking, 1000));
  EXPECT_EQ(connections(), 1);
  EXPECT_NE(server->find_connection("own", nullptr, 0), nullptr);
  settle();
}

TEST_F(ConnectionTest, APartialMessageWaitingTwoMinutesClosesItsConnection) {
  CServerSocket::Clock::time_point now{};
  server->set_clock([&] { return now; });
  // The agent's own connections are not closed for being idle, but a peer
  // may still send a partial message over them.
  CClientSocket* waiting = connect_out("waiting");
  CClientSocket* quiet = connect_out("quiet");
  const int waiting_peer = peers[1];  // connect_out keeps each listener, then its peer
  ASSERT_TRUE(send_peer(waiting_peer, message("w", "never ended")));
  ASSERT_TRUE(run_until(loop, [&] { return waiting->get_held_bytes() > 0; }));
  now += std::chrono::seconds(60);
  ASSERT_TRUE(send_peer(waiting_peer, " still not"));
  settle();
  now += std::chrono::seconds(59);
  server->sweep_connections();
  EXPECT_EQ(connections(), 2);
  now += std::chrono::seconds(2);
  server->sweep_connections();
  EXPECT_EQ(connections(), 1);
  EXPECT_TRUE(peer_closed(waiting_peer, 1000));
  EXPECT_EQ(server->find_connection("quiet", nullptr, 0), quiet);
  EXPECT_EQ(server_lines("<CServerSocket> A partial message has waited [120] s for its end, "
                         "closing connection"),
            1);
  settle();
}

TEST_F(ConnectionTest, APartialMessageAgesFromItsOwnBeginningNotFromTheMessagesBeforeIt) {
  take_every_message();
  CServerSocket::Clock::time_point now{};
  server->set_clock([&] { return now; });
  // Messages longer than a segment, every segment ending inside one: there
  // is always a partial message, but never one that is two minutes old. (A
  // connection of the agent's own, which is not closed for being idle.)
  connect_out("streamer");
  const int fd = peers[1];
  const std::string first = message("streamer", "1");
  const std::string second = message("streamer", "2");
  ASSERT_TRUE(send_peer(fd, first.substr(0, 10)));
  settle();
  now += std::chrono::seconds(100);
  ASSERT_TRUE(send_peer(fd, first.substr(10) + kEnd + second.substr(0, 10)));
  ASSERT_TRUE(run_until(loop, [&] { return taken.size() == 1; }));
  now += std::chrono::seconds(100);
  server->sweep_connections();
  EXPECT_EQ(connections(), 1);
  EXPECT_FALSE(peer_closed(fd, 0));

  // The second message began 100 s ago: 20 s more and it is two minutes old.
  now += std::chrono::seconds(20);
  server->sweep_connections();
  EXPECT_TRUE(peer_closed(fd, 1000));
  EXPECT_EQ(connections(), 0);
  EXPECT_EQ(server_lines("<CServerSocket> A partial message has waited [120] s for its end, "
                         "closing connection"),
            1);
  settle();
}

TEST_F(ConnectionTest, OutOfDescriptorsTheListenerRestsBetweenAttempts) {
  CServerSocket::Limits limits;
  limits.accept_backoff = std::chrono::milliseconds(20);
  server->set_limits(limits);
  // Every step of the failing path once before descriptors run out: the
  // sanitizer's type checks need descriptors the first time they meet a
  // call.
  const int first = connect();
  close_peer(first);
  peers.clear();
  ASSERT_TRUE(run_until(loop, [&] {
    server->sweep_connections();
    return connections() == 0;
  }));
  settle();

  const int waiting = connect_peer(port);
  peers.push_back(waiting);
  const std::string backoff = "<CServerSocket> Out of descriptors, not accepting for [20] ms";
  const std::string failed = "<CServerSocket> Unable to Accept on CSocket";
  long attempts = 0;
  long backoffs = 0;
  {
    testsupport::DescriptorLimit no_more;
    const bool rested = run_until(loop, [&] { return server_lines(backoff) >= 5; }, 3000);
    attempts = server_lines(failed);
    backoffs = server_lines(backoff);
    EXPECT_TRUE(rested);
  }
  // One attempt starts each back-off, and the retry at its end the next.
  EXPECT_LE(attempts, backoffs + 1);
  EXPECT_TRUE(run_until(loop, [&] { return connections() == 1; }));
}

TEST_F(ConnectionTest, WhatAllConnectionsHoldIsBounded) {
  CServerSocket::Limits limits;
  limits.held_bytes = 64 * 1024;
  server->set_limits(limits);
  CClientSocket* holding = nullptr;
  const int a = connect(&holding);
  // Three whole messages that the owner has not taken yet, and one partial.
  const std::string whole = message("a", std::string(15000, 'w'));
  const std::string partial = message("a", std::string(10000, 'p'));
  ASSERT_TRUE(send_peer(a, whole + kEnd + whole + kEnd + whole + kEnd + partial));
  ASSERT_TRUE(run_until(loop, [&] { return holding->get_held_bytes() == 3 * whole.size() + partial.size(); }));
  EXPECT_EQ(server->get_held_bytes(), holding->get_held_bytes());

  // Another peer's partial message would take the total past the limit.
  CClientSocket* greedy = nullptr;
  const int b = connect(&greedy);
  const long greedy_descriptor = greedy->get_descriptor();
  ASSERT_TRUE(send_peer(b, std::string(12000, 'g')));
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(b, 50); }));
  EXPECT_EQ(server->get_connection(greedy_descriptor), nullptr);
  EXPECT_TRUE(log.has("<CClientSocket> Messages held by the agent would pass [65536] bytes, "
                      "closing connection"));
  // The first keeps what it held, completes its message, and gives its
  // bytes back as the owner takes them.
  EXPECT_EQ(server->get_held_bytes(), 3 * whole.size() + partial.size());
  ASSERT_TRUE(send_peer(a, std::string(1, kEnd)));
  settle();
  ASSERT_EQ(holding->get_queue_size(), 4);
  EXPECT_EQ(holding->get_held_bytes(), 3 * whole.size() + partial.size());
  for (int i = 0; i < 4; ++i) holding->remove_from_queue();
  EXPECT_EQ(server->get_held_bytes(), 0u);

  const int c = connect();
  ASSERT_TRUE(send_peer(c, std::string(10000, 'c')));
  settle();
  EXPECT_EQ(server->get_held_bytes(), 10000u);
  EXPECT_FALSE(peer_closed(c, 100));
}

struct BudgetCase {
  const char* name;
  std::string hog;        // sent first, by one peer
  std::string newcomer;   // then by another
  bool newcomer_goes;     // it holds the most when the budget is full
  std::vector<std::string> taken;
};

void PrintTo(const BudgetCase& c, std::ostream* out) { *out << c.name; }

class BudgetTest : public ConnectionTest, public ::testing::WithParamInterface<BudgetCase> {};

TEST_P(BudgetTest, WhenTheBudgetIsFullTheConnectionHoldingMostThatCannotBeDeliveredGoes) {
  take_every_message();
  CServerSocket::Limits limits;
  limits.held_bytes = 64 * 1024;
  server->set_limits(limits);
  const int hog = connect();
  ASSERT_TRUE(send_peer(hog, GetParam().hog));
  const size_t hog_holds = static_cast<size_t>(
      std::count_if(GetParam().hog.begin(), GetParam().hog.end(), [](char c) { return c != kEnd; }));
  ASSERT_TRUE(run_until(loop, [&] { return server->get_held_bytes() == hog_holds; }));
  const int newcomer = connect();
  ASSERT_TRUE(send_peer(newcomer, GetParam().newcomer));
  const int goes = GetParam().newcomer_goes ? newcomer : hog;
  const int stays = GetParam().newcomer_goes ? hog : newcomer;
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(goes, 50); }));
  settle();
  EXPECT_FALSE(peer_closed(stays, 50));
  EXPECT_EQ(taken, GetParam().taken);
  EXPECT_LE(server->get_held_bytes(), limits.held_bytes);
  EXPECT_EQ(connections(), 1);
}

const std::string kLarge = message("n", std::string(30000, 'y'));

INSTANTIATE_TEST_SUITE_P(
    Holders, BudgetTest,
    ::testing::Values(
        BudgetCase{"APartialMessage", std::string(40000, 'x'), kLarge + kEnd, false, {kLarge}},
        BudgetCase{"MessagesWithoutSender",
                   "(tell :content (" + std::string(20000, 'x') + "))" + kEnd + "(tell :content (" +
                       std::string(20000, 'x') + "))" + kEnd,
                   kLarge + kEnd, false, {kLarge}},
        BudgetCase{"TheNewcomerHoldsTheMost", std::string(20000, 'x'), std::string(50000, 'z'),
                   true, {}}),
    [](const ::testing::TestParamInfo<BudgetCase>& info) { return std::string(info.param.name); });

TEST_F(ConnectionTest, AnHttpRequestIsBoundedLikeAnyMessage) {
  // Queued whole, past the framing: the bound must hold there too.
  CServerSocket::Limits limits;
  limits.held_bytes = 32;
  server->set_limits(limits);
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  const long descriptor = connection->get_descriptor();
  ASSERT_TRUE(send_peer(fd, "GET /index.html HTTP/1.0\r\nHost: agent\r\n\r\n"));
  EXPECT_TRUE(run_until(loop, [&] { return peer_closed(fd, 50); }));
  EXPECT_TRUE(log.has("<CClientSocket> HTTP message detected, circumventing defragmentation code"));
  EXPECT_TRUE(log.has("<CClientSocket> Messages held by the agent would pass [32] bytes, closing "
                      "connection"));
  EXPECT_TRUE(window.notices.empty());
  EXPECT_EQ(server->get_held_bytes(), 0u);
  settle();
  EXPECT_EQ(server->get_connection(descriptor), nullptr);
}

// --- Finding connections: the server's indexes follow every change

TEST_F(ConnectionTest, ARenamedConnectionIsFoundByItsNewNameOnly) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  EXPECT_EQ(server->find_connection(kUnknownAgent, nullptr, 0), nullptr);
  ASSERT_TRUE(send_peer(fd, message("first", "x") + kEnd));
  settle();
  EXPECT_EQ(server->find_connection("first", nullptr, 0), connection);

  connection->set_agentname("second");
  EXPECT_EQ(server->find_connection("first", nullptr, 0), nullptr);
  EXPECT_EQ(server->find_connection("second", nullptr, 0), connection);
  connection->set_agentname(kBroadcastAgent);
  EXPECT_EQ(server->find_connection(kBroadcastAgent, nullptr, 0), nullptr);
  EXPECT_EQ(server->find_connection("second", nullptr, 0), nullptr);
}

TEST_F(ConnectionTest, AnOlderConnectionNamedLaterIsFoundFirst) {
  CClientSocket* accepted = nullptr;
  const int fd = connect(&accepted);
  CClientSocket* out = connect_out("peer");  // newer, named at once
  EXPECT_EQ(server->find_connection("peer", nullptr, 0), out);

  // The accepted one comes first in the list once its sender names it.
  ASSERT_TRUE(send_peer(fd, message("peer", "x") + kEnd));
  settle();
  EXPECT_EQ(server->find_connection("peer", nullptr, 0), accepted);
  accepted->set_dirty(1);
  EXPECT_EQ(server->find_connection("peer", nullptr, 0), out);
}

TEST_F(ConnectionTest, ANewDescriptorAndARemovalAreFollowed) {
  CClientSocket* first = nullptr;
  CClientSocket* second = nullptr;
  const int fd = connect(&first);
  connect(&second);
  ASSERT_TRUE(send_peer(fd, message("peer", "x") + kEnd));
  settle();

  first->set_descriptor(7);
  EXPECT_EQ(server->get_connection(0), nullptr);
  EXPECT_EQ(server->get_connection(7), first);
  second->set_descriptor(7);
  EXPECT_EQ(server->get_connection(7), second);  // the last in the list
  second->set_descriptor(1);
  EXPECT_EQ(server->get_connection(7), first);

  EXPECT_EQ(server->find_connection("peer", nullptr, 0), first);  // found just before
  server->remove_connection(first);
  EXPECT_EQ(server->get_connection(7), nullptr);
  EXPECT_EQ(server->find_connection("peer", nullptr, 0), nullptr);
  // Out of the list, its changes reach the server no more.
  first->set_agentname("again");
  first->set_descriptor(1);
  EXPECT_EQ(server->find_connection("again", nullptr, 0), nullptr);
  EXPECT_EQ(server->get_connection(1), second);
  settle();
}

// --- The owner spared a second parse of the message it is told of

class ParseTradeTest : public ConnectionTest {
 protected:
  // No log file, so that neither front end writes anything.
  ParseTradeTest() { logger.close(); }

  // A front end as the owner keeps one: KQML current after its first text.
  static std::unique_ptr<CParser> owners_parser() {
    auto parser = std::make_unique<CParser>();
    parser->parse_message("(tell :sender nobody)");
    return parser;
  }
};

TEST_F(ParseTradeTest, TheOwnerTakesTheParseOfTheMessageItWasToldOf) {
  CClientSocket* connection = nullptr;
  const int fd = connect(&connection);
  auto parser = owners_parser();
  // One message a segment, then two in one: each is parsed as the owner is
  // told of it.
  for (const std::vector<std::string>& contents :
       {std::vector<std::string>{"one"}, {"two"}, {"three", "four"}}) {
    std::string segment;
    for (const std::string& content : contents) segment += message("peer", content) + kEnd;
    window.notices.clear();
    ASSERT_TRUE(send_peer(fd, segment));
    settle();
    for (const std::string& content : contents) {
      SCOPED_TRACE(content);
      ASSERT_EQ(window.notices.size(), 1u);
      CParser* before = parser.get();
      ASSERT_TRUE(connection->trade_parse(parser));
      EXPECT_NE(parser.get(), before);
      EXPECT_STREQ(parser->find_sender(), "peer");
      EXPECT_STREQ(parser->find_content(), ("(" + content + ")").c_str());
      EXPECT_FALSE(connection->trade_parse(parser));  // once only
      window.notices.clear();
      connection->remove_from_queue();
      settle();
    }
  }
}

TEST_F(ParseTradeTest, NoTradeWhereItCouldShow) {
  struct Case {
    const char* what;
    std::function<void(std::unique_ptr<CParser>&)> prepare;
    std::string before = "";  // in the segment, ahead of the one message told
  };
  FILE* sink = log.stream();
  const std::vector<Case> cases = {
      {"the owner's front end reads texts otherwise (HTTP first)",
       [](std::unique_ptr<CParser>& p) { p = std::make_unique<CParser>(); }},
      {"the owner's front end logs", [&](std::unique_ptr<CParser>& p) { p->set_file(sink); }},
      {"the connection's front end logs", [&](std::unique_ptr<CParser>&) { logger.set_file(sink); }},
      {"the parse read the second of two, the owner takes the first",
       [](std::unique_ptr<CParser>&) {}, std::string("(tell :content (nameless))") + kEnd},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    logger.close();
    CClientSocket* connection = nullptr;
    const int fd = connect(&connection);
    auto parser = owners_parser();
    c.prepare(parser);
    const std::string segment = c.before + message("peer", "0") + kEnd;
    window.notices.clear();
    ASSERT_TRUE(send_peer(fd, segment));
    settle();
    ASSERT_EQ(window.notices.size(), 1u);
    CParser* before = parser.get();
    EXPECT_FALSE(connection->trade_parse(parser));
    EXPECT_EQ(parser.get(), before);
  }
  logger.close();
}

}  // namespace
