#include "Agentwick/middleagentclient.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>

#include "Bannerwick/serviceinfo.h"
#include "Credwick/belief.h"
#include "Platform/tests/looptest.h"
#include "Relaywick/communicator.h"
#include "testsupport/loopback.h"
#include "testsupport/tempdir.h"

namespace {

// A communicator whose service table locates "matchmaker" at a plain
// listener on loopback, which reads what the module sends.
class MiddleAgentClientTest : public LoopTest {
 protected:
  MiddleAgentClientTest() {
    unsigned port = 0;
    listener_ = testsupport::listen_on_loopback(&port, 4);

    comm.set_handler(&window);
    comm.set_port(0);
    comm.Create();
    auto* entry = new CServiceInfo;
    entry->set_name("matchmaker");
    entry->set_location(("tcp://127.0.0.1:" + std::to_string(port)).c_str());
    static_cast<CListBelief*>(comm.get_beliefdb()->find_element("lookup"))
        ->get_value()
        ->add_element(entry);
  }
  ~MiddleAgentClientTest() override {
    if (peer_ >= 0) close(peer_);
    close(listener_);
  }

  // The content of the next message the middle agent got.
  std::string next_content() {
    if (peer_ < 0) peer_ = accept(listener_, nullptr, nullptr);
    std::string text;
    char c = 0;
    pollfd ready{peer_, POLLIN, 0};
    while (poll(&ready, 1, 3000) > 0 && recv(peer_, &c, 1, 0) == 1 && c != '\x04') text += c;
    // header ":content ( " token " ))"
    const size_t start = text.find(":content ( ");
    if (start == std::string::npos || text.size() < start + 14) return text;
    const size_t first = text.find_first_not_of(' ', start + 11);
    return text.substr(first, text.size() - 3 - first);
  }

  testsupport::TempDir dir;  // reply-with identifiers keep their state files here
  CWnd window;
  CCommunicator comm;
  CMiddleAgentClient client{"matchmaker", comm.get_beliefdb(), &comm, 0};

 private:
  int listener_ = -1;
  int peer_ = -1;
};

TEST_F(MiddleAgentClientTest, RegistersAndAdvertisesWithTheMiddleAgent) {
  EXPECT_EQ(client.mm_register(), 1);
  EXPECT_EQ(next_content(), "register :operation register");
  EXPECT_EQ(client.mm_advertise("(service :name station)"), 1);
  EXPECT_EQ(next_content(), "advertise :operation advertise :advertisement (service :name station)");
  EXPECT_EQ(client.mm_unadvertise(), 1);
  EXPECT_EQ(next_content(), "unadvertise :operation unadvertise");
  EXPECT_EQ(client.mm_unregister(), 1);
  EXPECT_EQ(next_content(), "unregister :operation unregister");
  EXPECT_EQ(client.mm_advertise(nullptr), 0);
}

}  // namespace
