// The desktop client, the voice module and the modules that do nothing.
#include <gtest/gtest.h>

#include "Relaywick/agentname.h"
#include "Relaywick/avds.h"
#include "Relaywick/desktopclient.h"
#include "Relaywick/gremlins.h"
#include "Relaywick/voice.h"
#include "moduletest.h"

namespace {

using namespace moduletest;
using namespace relaytest;

// A desktop agent: a listener on loopback that the client is pointed at.
class DesktopClientTest : public ModuleTest {
 protected:
  DesktopClientTest() { listener = listen_peer(&port); }
  ~DesktopClientTest() override {
    close_peer(connection);
    close_peer(listener);
  }
  std::vector<std::string> received() {
    std::vector<std::string> out;
    if (connection < 0) connection = accept_peer(listener, 300);
    if (connection < 0) return out;
    for (std::string m = read_message(connection, 300); !m.empty();
         m = read_message(connection, 300)) {
      out.push_back(m);
    }
    return out;
  }

  int listener = -1;
  unsigned port = 0;
  int connection = -1;
};

TEST_F(DesktopClientTest, RegistersOnStartAndUnregistersOnStop) {
  CDesktopClient client("desktop", comm->get_beliefdb(), comm.get(), 0);
  logged(&client);
  EXPECT_EQ(client.get_port(), CDesktopClient::kDesktopPort);
  EXPECT_EQ(client.get_type(), LOGTYPE_PLAIN);
  client.set_port(port);

  EXPECT_EQ(client.change_state(3), 1);
  EXPECT_EQ(client.get_state(), 3u);
  EXPECT_EQ(client.change_state(2), 1);  // stored, nothing sent
  EXPECT_EQ(client.get_state(), 2u);
  // The messages that pass are not the desktop agent's: nothing goes out.
  client.process_message("anything");
  client.process_message("anything", DIRECTION_OUTGOING);
  EXPECT_EQ(client.change_state(4), 1);
  EXPECT_EQ(received(),
            (std::vector<std::string>{
                "(tell :sender station :receiver DesktopAgent :content (tell :action register))\x04",
                "(tell :sender station :receiver DesktopAgent :content (tell :action unregister))"
                "\x04"}));
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"<CDesktopClient> starting up",
                                                   "<CDesktopClient> shutting down"}));
}

TEST_F(DesktopClientTest, AFailedSendDeniesAccessForGood) {
  CDesktopClient client("desktop", comm->get_beliefdb(), comm.get(), 0);
  client.set_port(dead_port());
  EXPECT_EQ(client.change_state(3), 0);
  EXPECT_EQ(client.get_access_denied(), 1);
  client.set_port(port);  // the desktop agent is there now, but nobody asks it
  EXPECT_EQ(client.change_state(3), 0);
  EXPECT_EQ(client.change_state(2), 0);
  EXPECT_EQ(client.get_state(), 3u);
  EXPECT_TRUE(received().empty());
}

TEST_F(DesktopClientTest, RefusesWithoutCommunicatorOrAgentName) {
  CDesktopClient alone("desktop", comm->get_beliefdb(), nullptr, 0);
  logged(&alone);
  EXPECT_EQ(alone.change_state(3), 0);
  EXPECT_EQ(alone.get_access_denied(), 1);

  CBeliefDB db;
  db.add_element(new CStringBelief("name"));  // no value
  CDesktopClient nameless("desktop", &db, comm.get(), 0);
  logged(&nameless);
  EXPECT_EQ(nameless.change_state(3), 0);
  EXPECT_EQ(nameless.get_access_denied(), 1);

  CBeliefDB empty;
  CDesktopClient no_belief("desktop", &empty, comm.get(), 0);
  EXPECT_EQ(no_belief.change_state(3), 0);
  EXPECT_EQ(no_belief.get_access_denied(), 0);

  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "<CDesktopClient> Communicator is NULL, access to resource disabled",
                             "<CDesktopClient> No agent name specified, access to resource disabled"}));
}

TEST_F(ModuleTest, VoiceSaysEachStateToTheDisplayAgent) {
  AgentPeer showboard(*comm, "Showboard");
  CVoice voice("voice", comm->get_beliefdb(), comm.get(), 0);
  logged(&voice);
  EXPECT_EQ(voice.get_type(), LOGTYPE_VOICE);
  for (unsigned state : {0u, 1u, 2u, 3u, 4u, 8u}) EXPECT_EQ(voice.change_state(state), 1);
  EXPECT_EQ(voice.get_state(), 8u);

  const std::vector<Kqml> sent = showboard.take_kqml();
  std::vector<std::string> contents;
  for (const Kqml& m : sent) {
    EXPECT_EQ(m.performative, "tell");
    EXPECT_EQ(m.sender, "station");
    EXPECT_EQ(m.receiver, "Showboard");
    EXPECT_EQ(m.ontology, "default-ontology");
    EXPECT_EQ(m.language, "default-language");
    EXPECT_EQ(m.reply_with, "cricket");
    contents.push_back(m.content);
  }
  EXPECT_EQ(contents, (std::vector<std::string>{
                          ":text \"station entered idle mode\"",
                          ":text \"station entered planning mode\"",
                          ":text \"station advertised with matchmaker\"",
                          ":text \"station registered with Agent Name Server\"",
                          ":text \"station unregistered with Agent Name Server\""}));
  EXPECT_EQ(log.lines(),
            (std::vector<std::string>{"<CVoice> starting up", "<CVoice> shutting down"}));
}

// The sentence is one KQML string whatever the agent's name holds (the
// name also goes bare as the sender: it holds no blank or quote).
TEST_F(ModuleTest, VoiceWritesTheSentenceAsAString) {
  AgentPeer showboard(*comm, "Showboard");
  CVoice voice("voice", comm->get_beliefdb(), comm.get(), 0);
  auto* name = dynamic_cast<CStringBelief*>(find_name_belief(comm->get_beliefdb()));
  ASSERT_NE(name, nullptr);
  name->set_value(R"(C:\st)");
  EXPECT_EQ(voice.change_state(0), 1);
  name->set_value("station");
  EXPECT_EQ(showboard.take_contents(),
            (std::vector<std::string>{R"(:text "C:\\st entered idle mode")"}));
}

TEST_F(ModuleTest, VoiceLogsAFailedSendAndStillSpeaksAfterwards) {
  AgentPeer showboard(*comm, "Showboard");
  showboard.go_away();
  CVoice voice("voice", comm->get_beliefdb(), comm.get(), 0);
  logged(&voice);
  EXPECT_EQ(voice.change_state(3), 0);
  EXPECT_EQ(voice.get_access_denied(), 1);
  ASSERT_EQ(log.lines().size(), 2u);
  EXPECT_EQ(log.lines()[1].rfind("<CCommunicator> Error [", 0), 0u) << log.lines()[1];

  showboard.come_back();
  EXPECT_EQ(voice.change_state(4), 1);  // the flag is not tested
  EXPECT_EQ(showboard.take_contents(),
            (std::vector<std::string>{":text \"station unregistered with Agent Name Server\""}));
}

TEST_F(ModuleTest, VoiceRefusesWithoutCommunicatorOrAgentName) {
  CVoice alone("voice", comm->get_beliefdb(), nullptr, 0);
  logged(&alone);
  EXPECT_EQ(alone.change_state(3), 0);
  EXPECT_EQ(alone.get_access_denied(), 1);
  CBeliefDB db;
  db.add_element(new CStringBelief("name"));
  CVoice nameless("voice", &db, comm.get(), 0);
  logged(&nameless);
  EXPECT_EQ(nameless.change_state(3), 0);
  CBeliefDB empty;
  CVoice no_belief("voice", &empty, comm.get(), 0);
  EXPECT_EQ(no_belief.change_state(3), 0);
  EXPECT_EQ(no_belief.get_access_denied(), 0);
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "<CVoice> Communicator is NULL, access to resource disabled",
                             "<CVoice> No agent name specified, access to resource disabled"}));
}

TEST(QuietModules, AcceptEverythingAndDoNothing) {
  CGremlins gremlins("gremlins", nullptr, nullptr, 0);
  CAVDS avds("avds", nullptr, nullptr, 0);
  for (unsigned state : {0u, 3u, 4u, 77u}) {
    EXPECT_EQ(gremlins.change_state(state), 1);
    EXPECT_EQ(avds.change_state(state), 1);
  }
  gremlins.process_message("text", DIRECTION_OUTGOING);
  avds.process_message("text");
  avds.process_message("text", DIRECTION_OUTGOING);
  EXPECT_EQ(gremlins.get_state(), 0u);
  EXPECT_EQ(gremlins.get_type(), LOGTYPE_PLAIN);
  EXPECT_EQ(avds.get_type(), LOGTYPE_PLAIN);
}

}  // namespace
