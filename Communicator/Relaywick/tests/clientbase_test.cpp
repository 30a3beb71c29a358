#include "Relaywick/clientbase.h"

#include <gtest/gtest.h>

#include "moduletest.h"

namespace {

using namespace moduletest;
using namespace relaytest;

constexpr const char* kPing = "tell :type command :action ping";

class ClientBaseTest : public ModuleTest {
 protected:
  ClientBaseTest() {
    logged(&client);
    client.set_create_string("create me");
    client.set_destroy_string("destroy me");
  }
  void ticks(int count) {
    for (int i = 0; i < count; ++i) client.process_timer();
  }

  AgentPeer resource{*comm, "resource"};
  CClientBase client{"resource", comm->get_beliefdb(), comm.get(), 0};
};

TEST_F(ClientBaseTest, StartSendsTheCreateTextAndStopTheDestroyText) {
  client.set_performative("achieve");
  client.set_ontology("resources");
  client.set_language("fipa");
  EXPECT_EQ(client.change_state(3), 1);
  EXPECT_EQ(client.change_state(4), 1);
  EXPECT_EQ(client.change_state(1), 1);  // stored, nothing sent
  EXPECT_EQ(client.get_state(), 1u);
  const std::vector<Kqml> sent = resource.take_kqml();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].performative, "achieve");
  EXPECT_EQ(sent[0].receiver, "resource");
  EXPECT_EQ(sent[0].ontology, "resources");
  EXPECT_EQ(sent[0].language, "fipa");
  EXPECT_EQ(sent[0].reply_with, "cricket");
  EXPECT_EQ(sent[0].content, "create me");
  EXPECT_EQ(sent[1].performative, "tell");  // whatever the performative field holds
  EXPECT_EQ(sent[1].content, "destroy me");
  EXPECT_EQ(log.starting("<CClientBase> s"),
            (std::vector<std::string>{"<CClientBase> set_create_string ()",
                                      "<CClientBase> set_destroy_string ()",
                                      "<CClientBase> starting up", "<CClientBase> shutting down"}));
}

TEST_F(ClientBaseTest, TextsAndDefaults) {
  CClientBase plain("other", nullptr, nullptr, 3);
  EXPECT_STREQ(plain.get_ontology(), "default-ontology");
  EXPECT_STREQ(plain.get_performative(), "tell");
  EXPECT_STREQ(plain.get_language(), "default-language");
  EXPECT_EQ(plain.get_create_string(), nullptr);
  EXPECT_EQ(plain.get_type(), LOGTYPE_PLAIN);
  plain.set_ontology(nullptr);
  plain.set_language(nullptr);
  plain.set_performative(nullptr);
  EXPECT_STREQ(plain.get_ontology(), "default-ontology");

  plain.set_advertisement(nullptr);
  EXPECT_EQ(plain.get_create_string(), nullptr);
  plain.set_advertisement("(ad :name x)");
  EXPECT_STREQ(plain.get_create_string(), "advertise :operation advertise :advertisement (ad :name x)");
  EXPECT_STREQ(plain.get_advertisement(), plain.get_create_string());
  EXPECT_STREQ(plain.get_destroy_string(), "unadvertise :operation unadvertise");
  plain.set_create_string(nullptr);
  EXPECT_EQ(plain.get_create_string(), nullptr);

  plain.set_updated(1);
  EXPECT_EQ(plain.get_updated(), 1);
}

TEST_F(ClientBaseTest, MissingTextsAbortTheSend) {
  client.set_create_string(nullptr);
  client.set_destroy_string(nullptr);
  EXPECT_EQ(client.change_state(3), 0);
  EXPECT_EQ(client.change_state(4), 0);
  EXPECT_EQ(client.get_state(), 4u);  // stored before the text was missed
  EXPECT_EQ(client.get_access_denied(), 0);
  EXPECT_TRUE(log.has("<CClientBase> No create string specified, aborting create"));
  EXPECT_TRUE(log.has("<CClientBase> No destroy string specified, aborting destroy"));
  EXPECT_TRUE(resource.take().empty());
}

TEST_F(ClientBaseTest, RefusalsSuspendTheModule) {
  // A null communicator: not required, and the start is refused.
  CClientBase alone("resource", comm->get_beliefdb(), nullptr, 0);
  logged(&alone);
  EXPECT_EQ(alone.change_state(3), 0);
  EXPECT_EQ(alone.get_access_denied(), 1);
  EXPECT_TRUE(log.has("<CClientBase> Communicator is NULL, access to resource disabled"));
  EXPECT_TRUE(log.has("<CClientBase> Setting 'access_denied' to TRUE"));
  EXPECT_EQ(alone.change_state(3), 0);  // suspended: refused at once

  CClientBase unnamed(nullptr, comm->get_beliefdb(), comm.get(), 0);
  logged(&unnamed);
  EXPECT_EQ(unnamed.change_state(3), 0);
  EXPECT_TRUE(log.has("<CClientBase> No agent name specified, access to resource disabled"));

  CBeliefDB empty;
  CClientBase no_belief("resource", &empty, comm.get(), 0);
  EXPECT_EQ(no_belief.change_state(3), 0);
  EXPECT_EQ(no_belief.get_access_denied(), 1);

  // A failed send: the communicator's error text is logged as it is.
  resource.go_away();
  EXPECT_EQ(client.change_state(3), 0);
  EXPECT_EQ(client.get_access_denied(), 1);
  EXPECT_EQ(log.starting("<CCommunicator> Error [").size(), 1u);
  client.set_access_denied(0);
  EXPECT_TRUE(log.has("<CClientBase> Setting 'access_denied' to FALSE"));
}

TEST_F(ClientBaseTest, PingsOnThe121stTick) {
  ticks(120);
  EXPECT_TRUE(resource.take(100).empty());
  EXPECT_EQ(client.get_ticks(), 120);
  ticks(1);
  EXPECT_EQ(client.get_ticks(), 0);
  const std::vector<Kqml> sent = resource.take_kqml();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].performative, "tell");
  EXPECT_EQ(sent[0].receiver, "resource");
  EXPECT_EQ(sent[0].ontology, "default-ontology");
  EXPECT_EQ(sent[0].reply_with, "cricket");
  EXPECT_EQ(sent[0].content, kPing);

  // The language of a ping is always the default one; the next is 121 ticks on.
  client.set_language("fipa");
  ticks(120);
  EXPECT_TRUE(resource.take(100).empty());
  ticks(1);
  const std::vector<Kqml> again = resource.take_kqml();
  ASSERT_EQ(again.size(), 1u);
  EXPECT_EQ(again[0].language, "default-language");
  EXPECT_EQ(client.get_access_denied(), 0);  // the same connection both times
}

TEST_F(ClientBaseTest, AChangedConnectionSuspendsTheModule) {
  ticks(121);
  ASSERT_EQ(resource.take().size(), 1u);
  resource.reset_connection();
  run_until(loop, [] { return false; }, 100);  // the communicator sees the reset
  ticks(121);
  // The ping went out over a new connection, and that is what suspends.
  EXPECT_EQ(resource.take_contents(), (std::vector<std::string>{kPing}));
  EXPECT_EQ(client.get_access_denied(), 1);
  EXPECT_TRUE(log.has("<CClientBase> ping failed (connection descriptor changed), suspending module"));
}

TEST_F(ClientBaseTest, ASuspendedModuleReEnablesAfter121Ticks) {
  resource.go_away();
  ticks(121);  // the ping fails: this tick is the first suspended one
  EXPECT_EQ(client.get_access_denied(), 1);
  EXPECT_EQ(client.get_suspended_ticks(), 1);
  EXPECT_TRUE(log.has("<CClientBase> ping failed (could not obtain connection), suspending module"));
  EXPECT_EQ(client.change_state(3), 0);  // refused while suspended

  resource.come_back();
  ticks(119);
  EXPECT_EQ(client.get_access_denied(), 1);
  EXPECT_TRUE(resource.take(100).empty());
  ticks(1);  // the 121st suspended tick: enabled again, and created anew
  EXPECT_EQ(client.get_access_denied(), 0);
  EXPECT_EQ(client.get_suspended_ticks(), 0);
  EXPECT_TRUE(log.has("<CClientBase> Attempting to re-enable module ..."));
  EXPECT_EQ(resource.take_contents(), (std::vector<std::string>{"create me"}));

  // The tick counter kept rising while suspended: the next tick pings.
  EXPECT_EQ(client.get_ticks(), 120);
  ticks(1);
  EXPECT_EQ(resource.take_contents(), (std::vector<std::string>{kPing}));
}

TEST_F(ClientBaseTest, AFailedReEnableSuspendsAgain) {
  resource.go_away();
  ticks(121 + 120);
  EXPECT_TRUE(log.has("<CClientBase> Attempting to re-enable module ..."));
  EXPECT_EQ(client.get_access_denied(), 1);  // the create failed as well
  EXPECT_EQ(client.get_suspended_ticks(), 0);
}

}  // namespace
