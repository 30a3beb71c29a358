#include "Relaywick/multicastsocket.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "relaytest.h"
#include "ssdppeer.h"

namespace {

using namespace relaytest;
using ssdppeer::GroupPeer;
using ssdppeer::kGroup;
using ssdppeer::UnicastPeer;

// True when nobody holds `port` for UDP on any address.
bool udp_port_is_free(unsigned port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  const bool free =
      fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  if (fd >= 0) ::close(fd);
  return free;
}

// A multicast socket on a group port of its own, logging into a capture,
// whose window keeps the text each notice pointed at when it came.
class MulticastSocketTest : public LoopTest {
 protected:
  void SetUp() override {
    std::string why;
    if (!ssdppeer::loopback_multicast(&why)) GTEST_SKIP() << why;
    port = ssdppeer::free_udp_port();
    logger.set_file(log.stream());
    socket.set_logger(&logger);
    window.on_notify = [this](const RecordingWindow::Notice& notice) {
      const char* data = socket.get_data(static_cast<int>(notice.descriptor));
      seen.push_back(data != nullptr ? data : "(null)");
    };
  }
  bool wait_for_notices(size_t count) {
    return run_until(loop, [&] { return window.notices.size() >= count; });
  }

  unsigned port = 0;
  LogCapture log;
  CDebug logger;
  RecordingWindow window;
  CMulticastSocket socket{&window};
  std::vector<std::string> seen;
};

TEST_F(MulticastSocketTest, AGroupDatagramIsToldBeforeTheReceiveReturns) {
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  EXPECT_EQ(socket.SetLoopBack(1), 1);
  EXPECT_EQ(std::string(socket.get_group_ip()), kGroup);
  EXPECT_EQ(socket.get_group_port(), port);
  GroupPeer peer(kGroup, port);
  ASSERT_TRUE(peer.send("hello group"));

  // One round runs the socket's notification alone: a posted notice would
  // only come in a later round.
  int ran = 0;
  for (int round = 0; round < 100 && ran == 0; ++round) ran = loop.process_events(20);
  ASSERT_EQ(ran, 1);
  ASSERT_EQ(window.notices.size(), 1u);
  EXPECT_EQ(window.notices[0].type, static_cast<WPARAM>(SOCKETTYPE_MULTICAST));
  EXPECT_EQ(window.notices[0].descriptor, 1);
  EXPECT_EQ(seen, std::vector<std::string>{"hello group"});
  EXPECT_EQ(socket.get_len(), 11);
  const std::vector<std::string> lines = log.lines();
  const std::vector<std::string> expected = {
      "<CMulticastSocket> Incoming event on multicast socket",
      "<CMulticastSocket> Incoming data:", "hello group"};
  EXPECT_EQ(lines, expected);
}

TEST_F(MulticastSocketTest, AnswersArriveAtTheUnicastReceiver) {
  EXPECT_EQ(socket.get_unicast_port(), 0u);
  EXPECT_EQ(socket.get_data(2), nullptr);
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  ASSERT_NE(socket.get_unicast_port(), 0u);
  UnicastPeer peer;
  ASSERT_TRUE(peer.send_to(socket.get_unicast_port(), "HTTP/1.1 200 OK"));
  ASSERT_TRUE(wait_for_notices(1));
  EXPECT_EQ(window.notices[0].type, static_cast<WPARAM>(SOCKETTYPE_MULTICAST));
  EXPECT_EQ(window.notices[0].descriptor, 2);
  EXPECT_EQ(seen, std::vector<std::string>{"HTTP/1.1 200 OK"});
  EXPECT_EQ(std::string(socket.get_data(1)), "");
  EXPECT_EQ(socket.get_data(0), nullptr);
  EXPECT_EQ(socket.get_data(3), nullptr);
  EXPECT_TRUE(log.has("<CDataGramSocket> Incoming event on multicast socket"));
  EXPECT_TRUE(log.has("<CDataGramSocket> Incoming data:"));
}

TEST_F(MulticastSocketTest, AnOversizeDatagramLeavesAnEmptyText) {
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  UnicastPeer peer;
  ASSERT_TRUE(peer.send_to(socket.get_unicast_port(), std::string(kDatagramBufferSize, 'x')));
  ASSERT_TRUE(peer.send_to(socket.get_unicast_port(), std::string(kDatagramBufferSize - 1, 'y')));
  ASSERT_TRUE(wait_for_notices(2));
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0], "");
  EXPECT_EQ(seen[1], std::string(kDatagramBufferSize - 1, 'y'));
  EXPECT_TRUE(log.has("<CDataGramSocket> Error receiving data from the host group"));
}

TEST_F(MulticastSocketTest, SendReachesTheJoinedGroupOnly) {
  GroupPeer listener(kGroup, port);
  EXPECT_EQ(socket.Send("early", 5), 0);
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  const std::string text = "NOTIFY * HTTP/1.1\r\n\r\n";
  EXPECT_EQ(socket.Send(text.c_str(), static_cast<int>(text.size())), 1);
  EXPECT_EQ(listener.receive(), text);
  // A group set afterwards is for the next join; sending stays with this one.
  socket.set_group_ip("239.255.255.251");
  EXPECT_EQ(socket.Send("again", 5), 1);
  EXPECT_EQ(listener.receive(), "again");
  EXPECT_EQ(socket.Send(nullptr, 0), 0);
}

TEST_F(MulticastSocketTest, HearsOnlyTheGroupItJoined) {
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  // Datagrams for the same port that are not the joined group's.
  GroupPeer other_group("239.255.255.251", port);
  UnicastPeer direct;
  struct Case {
    const char* what;
    std::function<bool()> send;
  };
  const Case cases[] = {
      {"another group that another socket joined", [&] { return other_group.send("other group"); }},
      {"a datagram straight to the port", [&] { return direct.send_to(port, "direct"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ASSERT_TRUE(c.send());
    EXPECT_TRUE(stays_idle());
    EXPECT_TRUE(window.notices.empty());
  }
  GroupPeer member(kGroup, port);
  ASSERT_TRUE(member.send("the group"));
  ASSERT_TRUE(wait_for_notices(1));
  EXPECT_EQ(seen, std::vector<std::string>{"the group"});
  // The same group on an interface that another program joined cannot be
  // staged with loopback alone: the option that keeps it out is read back.
  int all = 1;
  socklen_t length = sizeof all;
  ASSERT_TRUE(socket.GetSockOpt(IP_MULTICAST_ALL, &all, &length, IPPROTO_IP));
  EXPECT_EQ(all, 0);
}

TEST_F(MulticastSocketTest, WithoutASendingSocketNothingIsSent) {
  EXPECT_EQ(socket.SetTTL(3), 0);
  EXPECT_EQ(socket.SetLoopBack(1), 0);
  EXPECT_EQ(socket.LeaveGroup(), 0);
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  EXPECT_EQ(socket.SetTTL(2), 1);
  EXPECT_EQ(socket.LeaveGroup(), 1);
  EXPECT_EQ(socket.Send("x", 1), 0);
  EXPECT_EQ(socket.SetLoopBack(1), 0);
  EXPECT_EQ(socket.get_unicast_port(), 0u);
  EXPECT_EQ(socket.LeaveGroup(), 0);
  EXPECT_TRUE(udp_port_is_free(port));
  // Joining again works after leaving.
  EXPECT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
}

TEST_F(MulticastSocketTest, AFailedJoinLeavesNoSocketOpen) {
  enum class Interface { kAsRun, kUnset, kNotAnAddress };
  struct Case {
    const char* what;
    const char* group;
    unsigned port;
    Interface interface_setting;
    const char* line;
  };
  const Case cases[] = {
      {"no port", kGroup, 0, Interface::kAsRun, "<CMulticastSocket> No group port specified"},
      {"not a group", "127.0.0.1", port, Interface::kAsRun,
       "<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket"},
      {"not an address", "nowhere", port, Interface::kAsRun,
       "<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket"},
      {"no group", nullptr, port, Interface::kAsRun,
       "<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket"},
      {"bad interface", kGroup, port, Interface::kNotAnAddress,
       "<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket"},
      {"no interface", kGroup, port, Interface::kUnset,
       "<CMulticastSocket> Unable to set IPPROTO_IP options for multicast socket"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    LogCapture own_log;
    CDebug own_logger;
    own_logger.set_file(own_log.stream());
    CMulticastSocket failing(&window);
    failing.set_logger(&own_logger);
    {
      std::optional<EnvSetting> setting;
      if (c.interface_setting == Interface::kUnset) {
        setting.emplace("VERANTA_MULTICAST_IF", nullptr);
      } else if (c.interface_setting == Interface::kNotAnAddress) {
        setting.emplace("VERANTA_MULTICAST_IF", "not-an-address");
      }
      EXPECT_EQ(failing.JoinGroup(c.group, c.port, 3, 0), 0);
    }
    EXPECT_TRUE(own_log.has(c.line));
    EXPECT_EQ(failing.get_unicast_port(), 0u);
    EXPECT_EQ(failing.Send("x", 1), 0);
    EXPECT_TRUE(udp_port_is_free(port));
    // The same socket joins once the fault is gone.
    EXPECT_EQ(failing.JoinGroup(kGroup, port, 3, 0), 1);
    EXPECT_EQ(failing.LeaveGroup(), 1);
  }
}

TEST_F(MulticastSocketTest, ASecondJoinIsRefusedAndKeepsTheFirst) {
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  const unsigned unicast_port = socket.get_unicast_port();
  EXPECT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 0);
  EXPECT_TRUE(log.has("<CMulticastSocket> Already a member of a group, leave it first"));
  EXPECT_EQ(socket.get_unicast_port(), unicast_port);
  GroupPeer peer(kGroup, port);
  ASSERT_TRUE(peer.send("still here"));
  ASSERT_TRUE(wait_for_notices(1));
  EXPECT_EQ(seen, std::vector<std::string>{"still here"});
}

TEST_F(MulticastSocketTest, ARetiredSocketIsSilent) {
  ASSERT_EQ(socket.JoinGroup(kGroup, port, 3, 0), 1);
  const unsigned unicast_port = socket.get_unicast_port();
  socket.retire();
  UnicastPeer peer;
  peer.send_to(unicast_port, "late");
  loop.process_events(0);  // the deferred deletion of the unicast receiver
  EXPECT_TRUE(stays_idle());
  EXPECT_TRUE(window.notices.empty());
  EXPECT_TRUE(log.lines().empty());
  EXPECT_TRUE(udp_port_is_free(port));
}

}  // namespace
