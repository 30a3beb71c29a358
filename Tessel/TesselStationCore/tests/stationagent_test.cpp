// The station agent on loopback: its name-server settings, the envelope of
// what it sends, whether a send went, the known-agent test and the hand-over
// of received messages. A name server runs as a child process; the peers
// are plain listening sockets registered there under a name.
#include "TesselStationCore/stationagent.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Credwick/belief.h"
#include "Platform/tests/looptest.h"
#include "Lexwick/parser.h"
#include "TesselStationCore/stationprotocol.h"
#include "TesselStationCore/tesselstationdoc.h"
#include "runningstation.h"
#include "stationrecorder.h"
#include "testsupport/childprocess.h"
#include "testsupport/loopback.h"
#include "testsupport/messagepeer.h"
#include "testsupport/tempdir.h"
#include "Toolwick/format.h"

namespace stationtest {
namespace {

// The senders and contents of what a dispatcher was handed.
class NotingDispatcher : public CStationDispatcher {
 public:
  explicit NotingDispatcher(std::vector<std::string>* texts) : texts_(texts) {}
  void dispatch(CParser& message) override {
    texts_->push_back(text_or_empty(message.find_sender()) + ": " +
                      text_or_empty(message.find_content()));
  }

 private:
  std::vector<std::string>* texts_;
};

TEST(StationAgent, HandsEveryMessageToItsDispatcher) {
  CStationAgent agent("TesselStation");
  char text[] = "(tell :sender Sim :content (tell :command clock_sync :clock 5))";
  EXPECT_EQ(agent.process_message(text), 1);  // no dispatcher yet
  std::vector<std::string> texts;
  agent.SetDispatcher(std::make_unique<NotingDispatcher>(&texts));
  EXPECT_EQ(agent.process_message(text), 1);
  EXPECT_EQ(texts, std::vector<std::string>{"Sim: (tell :command clock_sync :clock 5)"});
}

TEST(StationAgent, TakesTheContainersParseAsItIs) {
  CStationAgent agent("TesselStation");
  std::vector<std::string> texts;
  agent.SetDispatcher(std::make_unique<NotingDispatcher>(&texts));
  CParser parsed;
  ASSERT_EQ(parsed.parse_message("(tell :sender Bravo :content (tell :command abort))"), 1);
  // Handled: the container does not hand the text over again.
  EXPECT_EQ(agent.process_message(&parsed), 1);
  EXPECT_EQ(texts, std::vector<std::string>{"Bravo: (tell :command abort)"});
}

TEST(StationAgent, UsesTheNameServerClientAndTheDefaultNameServer) {
  CStationAgent agent("TesselStation");
  EXPECT_EQ(agent.get_lookup_config(), LOOKUP_CONFIG_ANS);
  EXPECT_STREQ(agent.GetNameServerHost(), "127.0.0.1");
  EXPECT_EQ(agent.GetNameServerPort(), 6677u);
}

TEST(StationAgent, SendsNothingBeforeItRuns) {
  CStationAgent agent("TesselStation");
  EXPECT_EQ(agent.SendAgentMessage("tell", "Sim", "tell :command x"), 0);
  EXPECT_EQ(agent.IsKnownAgent("Sim"), 0);
}

// The next message on a connection, without its 0x04 and with the GUID of
// its reply-with written "{GUID}"; "" when none came within three seconds.
std::string read_message(int fd) {
  std::string text;
  char buffer[2048];
  while (text.find('\x04') == std::string::npos) {
    pollfd data{fd, POLLIN, 0};
    if (poll(&data, 1, 3000) <= 0) return "";
    const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
    if (got <= 0) return "";
    text.append(buffer, static_cast<size_t>(got));
  }
  return std::regex_replace(text.substr(0, text.find('\x04')), std::regex(R"(\{[-0-9A-F]+\})"),
                            "{GUID}");
}

// A peer's listening socket, registered with the name server under a name.
class Peer {
 public:
  Peer(const char* name, unsigned ans_port) {
    listener_ = testsupport::listen_on_loopback(&port_);
    EXPECT_EQ(entry_.Register(name, ans_port, port_), 1);
  }
  ~Peer() { close_listener(); }

  // The next message that reached the listener, as read_message gives it.
  std::string receive() {
    pollfd ready{listener_, POLLIN, 0};
    if (poll(&ready, 1, 3000) <= 0) return "";
    const int fd = accept(listener_, nullptr, nullptr);
    std::string text = read_message(fd);
    close(fd);
    return text;
  }
  // Nothing listens at the registered port any more.
  void close_listener() {
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
  }

 private:
  int listener_ = -1;
  unsigned port_ = 0;
  OtherAgent entry_;
};

TEST_F(RunningStation, WritesItsNameServerIntoTheBeliefs) {
  const auto* ans = dynamic_cast<CStringBelief*>(agent->get_belief_db()->find_element("ans"));
  ASSERT_NE(ans, nullptr);
  EXPECT_STREQ(ans->get_value(), "127.0.0.1");
  EXPECT_EQ(belief("ansport"), static_cast<int>(ans_port));
  EXPECT_NE(belief("port"), 0);  // the port the system chose
}

TEST_F(RunningStation, SendsTellWithTheSwappedOntologyAndLanguage) {
  Peer peer("Peer", ans_port);
  EXPECT_EQ(agent->SendAgentMessage("tell", "Peer", "tell :command init_sim :comfirm (Sim)"), 1);
  EXPECT_EQ(peer.receive(),
            "(tell :sender TesselStation :receiver Peer :ontology default-language :language "
            "default-ontology :reply-with Dur32O{GUID} :in-reply-to   :forward-to   :content (  "
            "tell :command init_sim :comfirm (Sim) ))");
}

TEST_F(RunningStation, AnUnknownReceiverGetsNothingAndTheResultSaysSo) {
  EXPECT_EQ(agent->SendAgentMessage("tell", "Nobody", "tell :command x"), 0);
  EXPECT_EQ(agent->SendAgentMessage("tell", "", "tell :command x"), 0);
}

TEST_F(RunningStation, AReceiverThatIsGoneGetsNothingAndTheResultSaysSo) {
  Peer gone("Gone", ans_port);
  gone.close_listener();
  EXPECT_EQ(agent->SendAgentMessage("tell", "Gone", "tell :command x"), 0);
}

TEST_F(RunningStation, TheDocumentsTeamMessagesGoToEveryTeammateAndTheSimulation) {
  Peer bravo("Bravo-2", ans_port);
  Peer sim("Sim", ans_port);
  RecordingStationUi ui;
  CTesselStationDoc doc(ui);
  doc.OnNewDocument();
  doc.SetAgent(agent);
  doc.AddTeamMember("Bravo-2");
  doc.SetSimulationAgent("Sim");
  doc.SendToTeam("tell :command update_go_nogo_status :status go");
  const std::string tail =
      ":ontology default-language :language default-ontology :reply-with Dur32O{GUID} "
      ":in-reply-to   :forward-to   :content (  tell :command update_go_nogo_status :status go ))";
  EXPECT_EQ(bravo.receive(), "(tell :sender TesselStation :receiver Bravo-2 " + tail);
  EXPECT_EQ(sim.receive(), "(tell :sender TesselStation :receiver Sim " + tail);
  doc.SetAgent(nullptr);
}

// The simulation's message comes over a connection of its own, by which
// the station, knowing the sender by it, answers.
TEST_F(RunningStation, AnswersAMessageThroughItsProtocol) {
  Peer sim("Sim", ans_port);
  RecordingStationUi ui;
  RecordingFrame frame;
  CTesselStationDoc doc(ui);
  doc.OnNewDocument();
  doc.SetAgent(agent);
  doc.SetMainFrame(&frame);
  doc.SetSimulationAgent("Sim");
  agent->SetDispatcher(std::make_unique<CStationProtocol>(doc));

  const int connection = testsupport::connect_to_loopback(static_cast<unsigned>(belief("port")));
  const std::string text =
      "(tell :sender Sim :receiver TesselStation :content (tell :command clock_sync :clock 5))\x04";
  ASSERT_EQ(send(connection, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
  for (int round = 0; round < 250 && frame.clock != 5; ++round) loop.process_events(20);
  EXPECT_EQ(frame.clock, 5);
  EXPECT_EQ(read_message(connection),
            "(tell :sender TesselStation :receiver Sim :ontology default-language :language "
            "default-ontology :reply-with Dur32O{GUID} :in-reply-to   :forward-to   :content (  "
            "tell :command mission_cost :totalCost 0 :radarCost 0 :intCost 0 :balloonCost 0 ))");
  close(connection);
  agent->SetDispatcher(nullptr);
  doc.SetAgent(nullptr);
  doc.SetMainFrame(nullptr);
}

// The container's parse is taken as it is: an empty message between two
// others must not hand the one before over again.
TEST_F(RunningStation, AnEmptyMessageHandsNothingOver) {
  std::vector<std::string> texts;
  agent->SetDispatcher(std::make_unique<NotingDispatcher>(&texts));
  const int connection = testsupport::connect_to_loopback(static_cast<unsigned>(belief("port")));
  const std::string text =
      "(tell :sender Sim :content (tell :command clock_sync :clock 5))\x04\x04"
      "(tell :sender Sim :content (tell :command clock_sync :clock 7))\x04";
  ASSERT_EQ(send(connection, text.data(), text.size(), 0), static_cast<ssize_t>(text.size()));
  for (int round = 0; round < 250 && (texts.empty() || texts.back().find("7") == std::string::npos);
       ++round) {
    loop.process_events(20);
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Sim: (tell :command clock_sync :clock 5)",
                                             "Sim: (tell :command clock_sync :clock 7)"}));
  close(connection);
  agent->SetDispatcher(nullptr);
}

// The pane's agent entry comes from what the agent holds: a handler that
// refreshes it (start_sim with the station's location, reset_sim) never asks
// the name server, which may not answer at all.
TEST_F(RunningStation, TheAgentEntryOfThePaneDoesNotAskTheNameServer) {
  RecordingStationUi ui;
  CTesselStationDoc doc(ui);
  doc.OnNewDocument();
  ui.pane.SetDocument(&doc);
  doc.SetAgent(agent);
  doc.SetOwnName(agent->GetAgentName());
  doc.SetSimulationAgent("Sim");
  agent->SetDispatcher(std::make_unique<CStationProtocol>(doc));
  kill(server.pid(), SIGSTOP);  // accepts, never answers
  std::string text =
      "(tell :sender Sim :content (tell :command start_sim :stationlocation (tell :lat 480 :lon "
      "180)))";
  agent->process_message(text.data());
  const Lines want{"Agent: TesselStation", "Host: 127.0.0.1",
                   "Port: " + std::to_string(belief("port")), "ANS: 127.0.0.1",
                   "Location: 480,180"};
  const auto shown = [&] {
    Lines lines;
    for (const auto& section : ui.pane.GetRoot().GetChildren()) {
      if (std::string(section->GetText()).rfind("Agent: ", 0) != 0) continue;
      lines.push_back(section->GetText());
      for (const auto& item : section->GetChildren()) lines.push_back(item->GetText());
    }
    return lines;
  };
  EXPECT_EQ(shown(), want);
  kill(server.pid(), SIGCONT);
  agent->SetDispatcher(nullptr);
  doc.SetAgent(nullptr);
  ui.pane.SetDocument(nullptr);
}

TEST_F(RunningStation, KnowsTheAgentsTheNameServerAndItsTableKnow) {
  Peer peer("Peer", ans_port);
  EXPECT_EQ(agent->IsKnownAgent("TesselStation"), 1);
  EXPECT_EQ(agent->IsKnownAgent("Peer"), 1);
  EXPECT_EQ(agent->IsKnownAgent("peer"), 0);
  EXPECT_EQ(agent->IsKnownAgent("Nobody"), 0);
  EXPECT_EQ(agent->IsKnownAgent(nullptr), 0);
}

}  // namespace
}  // namespace stationtest
