#include "Sidewick/spacelink.h"

#include <gtest/gtest.h>

#include <string>

#include "Platform/tests/looptest.h"
#include "Relaywick/communicator.h"
#include "testsupport/agentpeer.h"
#include "testsupport/messagepeer.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

// A communicator whose service table puts the resource agent "rooms" at a
// listener on loopback.
class SpaceLinkTest : public LoopTest {
 protected:
  SpaceLinkTest() {
    comm.set_handler(&window);
    comm.set_port(0);
    comm.Create();
    testsupport::know_agent(&comm, "rooms", rooms.port());
    link.set_file(dir.file("link.log").c_str());
  }
  std::string log() const { return TempDir::read(dir.file("link.log")); }

  TempDir dir;  // reply-with identifiers keep their state files here
  testsupport::MessagePeer rooms;
  CWnd window;
  CCommunicator comm;
  CSpaceLink link{"rooms", comm.get_beliefdb(), &comm, 0};
};

TEST_F(SpaceLinkTest, StartAndStopReachTheResourceAgent) {
  link.set_create_string("create :arc hall");
  link.set_destroy_string("destroy :arc hall");
  EXPECT_EQ(link.change_state(AGENTSTATE_REGISTERED), 1);
  EXPECT_NE(rooms.next().find("create :arc hall"), std::string::npos);
  EXPECT_EQ(link.change_state(AGENTSTATE_UNREGISTERED), 1);
  EXPECT_NE(rooms.next().find("destroy :arc hall"), std::string::npos);
  EXPECT_EQ(link.get_state(), AGENTSTATE_UNREGISTERED);
  const std::string lines = log();
  const size_t started = lines.find("<CClientBase> starting up");
  const size_t starting = lines.find("<CSpaceLink> Starting Module CSpaceLink");
  const size_t shutting = lines.find("<CSpaceLink> Shutting down CSpaceLink");
  const size_t shut = lines.find("<CClientBase> shutting down");
  EXPECT_LT(started, starting);
  EXPECT_LT(starting, shutting);
  EXPECT_LT(shutting, shut);
  EXPECT_NE(shut, std::string::npos);
}

TEST_F(SpaceLinkTest, OtherStatesAreAcceptedAndNotKept) {
  EXPECT_EQ(link.change_state(AGENTSTATE_PLANNING), 1);
  EXPECT_EQ(link.change_state(AGENTSTATE_ADVERTISED), 1);
  EXPECT_EQ(link.get_state(), AGENTSTATE_IDLE);
  // Without a create text the start fails as the base's does.
  EXPECT_EQ(link.change_state(AGENTSTATE_REGISTERED), 0);
  EXPECT_NE(log().find("<CSpaceLink> Starting Module CSpaceLink"), std::string::npos);
  EXPECT_EQ(rooms.next(200), "");
}

TEST_F(SpaceLinkTest, HoldsItsArc) {
  CSpaceArc* arc = link.get_spacearc();
  ASSERT_NE(arc, nullptr);
  EXPECT_STREQ(arc->get_label(), "unassigned");
  arc->set_arctype(ARCTYPE_DOOR);
  EXPECT_EQ(link.get_spacearc()->get_arctype(), ARCTYPE_DOOR);
}

}  // namespace
