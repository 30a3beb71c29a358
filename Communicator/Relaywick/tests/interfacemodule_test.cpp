#include "Relaywick/interfacemodule.h"

#include <gtest/gtest.h>

#include "Toolwick/namespace.h"
#include "moduletest.h"

namespace {

using namespace moduletest;

// An interface agent's message to the station.
std::string from_interface(const char* sender, const char* content,
                           const char* ontology = "interface") {
  return std::string("(tell :sender ") + sender + " :receiver station :ontology " + ontology +
         " :content " + content + ")";
}

class Recorder : public CVisualConsoleBase, public CStatusWindow {
 public:
  void debug(const char* text) override { lines.push_back(std::string("console ") + text); }
  void SetWindowText(const char* text) override { lines.push_back(std::string("status ") + text); }
  std::vector<std::string> lines;
};

class InterfaceModuleTest : public ModuleTest {
 protected:
  InterfaceModuleTest() { logged(&module); }

  void request(const char* sender, const char* content) {
    module.process_message(from_interface(sender, content).c_str(), DIRECTION_INCOMING);
  }
  std::string controlpanel() const {
    return "tell :action update :content controlpanels :data tell :name station :location "
           "127.0.0.1 :port " +
           std::to_string(comm->get_port());
  }

  CInterfaceModule module{"interface", comm->get_beliefdb(), comm.get(), 0};
};

TEST_F(InterfaceModuleTest, ARegisterRequestStartsTheStreamOnce) {
  AgentPeer ui(*comm, "ui");
  request("ui", "(ask :request register)");
  const std::vector<Kqml> sent = ui.take_kqml();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].performative, "tell");
  EXPECT_EQ(sent[0].receiver, "ui");
  EXPECT_EQ(sent[0].ontology, "interface.stream");
  EXPECT_EQ(sent[0].language, "Veranta-KQML");
  EXPECT_EQ(sent[0].content, "tell :action activate :content datastream");
  EXPECT_EQ(sent[1].ontology, "interface.controls");
  EXPECT_EQ(sent[1].content, controlpanel());
  EXPECT_EQ(log.lines(), (std::vector<std::string>{
                             "<CInterfaceModule> No lineage field found",
                             "<CInterfaceModule> Interface register request found",
                             "<CInterfaceModule> Added agent to list of interfaces",
                             "<CInterfaceModule> Data stream definition sent to interface agent"}));

  request("ui", "(ask :request register)");
  EXPECT_TRUE(ui.take().empty());
  EXPECT_TRUE(log.has("<CInterfaceModule> Interface already registered, aborting ..."));
  EXPECT_EQ(module.get_interfaces()->get_nr_elements(), 1);
}

TEST_F(InterfaceModuleTest, UpdatesGoToEveryRegisteredAgent) {
  AgentPeer first(*comm, "ui1");
  AgentPeer second(*comm, "ui2");
  request("ui1", "(ask :request register)");
  request("ui2", "(ask :request register)");
  first.take();
  second.take();

  module.update_datastream("(x 1)");
  module.update_controlpanel("(y 2)");
  module.send_message("hello");
  module.send_message(nullptr);
  module.update_datastream(nullptr);
  module.update_controlpanel(nullptr);
  for (AgentPeer* peer : {&first, &second}) {
    const std::vector<Kqml> sent = peer->take_kqml();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].ontology, "interface.stream");
    EXPECT_EQ(sent[0].content, "tell :action update :content datastream :data (x 1)");
    EXPECT_EQ(sent[1].ontology, "interface.controls");
    EXPECT_EQ(sent[1].content, "tell :action update :content controlpanels :data (y 2)");
    EXPECT_EQ(sent[2].ontology, "interface.stream");
    EXPECT_EQ(sent[2].content, "hello");
  }

  // Unregistering takes one agent out; the stop tells those left.
  request("ui1", "(ask :request unregister)");
  EXPECT_TRUE(log.has("<CInterfaceModule> Interface unregister request found"));
  EXPECT_EQ(module.change_state(4), 1);
  EXPECT_TRUE(first.take().empty());
  EXPECT_EQ(second.take_contents(),
            (std::vector<std::string>{"tell :action deactivate :content datastream"}));
  EXPECT_EQ(module.get_interfaces()->get_nr_elements(), 1);  // the stop keeps the list
}

TEST_F(InterfaceModuleTest, ALineageRequestIsAnsweredWithTheLineage) {
  AgentPeer ui(*comm, "ui");
  CNameSpace lineage;
  lineage.add_name("agent");
  lineage.add_name("station");
  request("ui", "(request :lineage all)");
  EXPECT_TRUE(log.has("<CInterfaceModule> Lineage request detected but pointer to lineage is NULL"));
  EXPECT_TRUE(ui.take().empty());

  module.set_lineage(&lineage);
  request("ui", "(request :lineage all)");
  const std::vector<Kqml> sent = ui.take_kqml();
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].performative, "reply");
  EXPECT_EQ(sent[0].receiver, "ui");
  EXPECT_EQ(sent[0].ontology, "interface");
  EXPECT_EQ(sent[0].language, "Veranta-KQML");
  EXPECT_EQ(sent[0].content, "reply :lineage (agent:station)");
  EXPECT_TRUE(log.has("<CInterfaceModule> Message sent to agent"));
  // A lineage request is no register request.
  EXPECT_TRUE(log.has("<CInterfaceModule> No ask performative found"));
}

TEST_F(InterfaceModuleTest, MessagesThatAreNoRequestsAreLoggedAndDropped) {
  AgentPeer ui(*comm, "ui");
  const struct {
    std::string text;
    int direction;
    const char* line;
  } cases[] = {
      {"no message at all", DIRECTION_INCOMING, "<CInterfaceModule> Unable to parse ACL message"},
      {"(tell :receiver station :ontology interface :content (ask :request register))",
       DIRECTION_INCOMING, "<CInterfaceModule> Unable to find sender field in outter message"},
      {"(tell :sender ui :ontology interface)", DIRECTION_INCOMING,
       "<CInterfaceModule> Unable to find content field in outter message"},
      {"(tell :sender ui :content (ask :request register))", DIRECTION_INCOMING,
       "<CInterfaceModule> Unable to find ontology field in outter message"},
      {from_interface("ui", "(ask :request register)", "station"), DIRECTION_INCOMING,
       "<CInterfaceModule> Ontology does not seem to indicate an interface message"},
      {from_interface("ui", "nothing"), DIRECTION_INCOMING,
       "<CInterfaceModule> Unable to parse content field"},
      {from_interface("ui", "(ask :request register)"), DIRECTION_OUTGOING,
       "<CInterfaceModule> No request field found"},
      {from_interface("ui", "(ask :request register)"), DIRECTION_INTERNAL,
       "<CInterfaceModule> No request field found"},
      {from_interface("ui", "(tell :request register)"), DIRECTION_INCOMING,
       "<CInterfaceModule> Performative did not indicate a request"},
      {from_interface("ui", "(ask :lineage all)"), DIRECTION_INCOMING,
       "<CInterfaceModule> Performative did not indicate a request"},
  };
  for (const auto& c : cases) {
    module.process_message(c.text.c_str(), c.direction);
    EXPECT_TRUE(log.has(c.line)) << c.text;
  }
  module.process_message(nullptr, DIRECTION_INCOMING);
  // "INTERFACE" is the ontology too; the request there is neither register
  // nor unregister.
  module.process_message(from_interface("ui", "(ask :request dance)", "INTERFACE").c_str(),
                         DIRECTION_INCOMING);
  EXPECT_TRUE(ui.take().empty());
  EXPECT_EQ(module.get_interfaces()->get_nr_elements(), 0);
}

TEST_F(InterfaceModuleTest, DisplayShowsOnStatusAndConsole) {
  module.display("nobody listens");
  Recorder recorder;
  module.set_status(&recorder);
  module.display("one");
  module.set_console(&recorder);
  module.display("two");
  EXPECT_EQ(recorder.lines,
            (std::vector<std::string>{"status one", "status two", "console two"}));
}

TEST_F(InterfaceModuleTest, StatesNeedTheAgentName) {
  CBeliefDB empty;
  CInterfaceModule nameless("interface", &empty, comm.get(), 0);
  EXPECT_EQ(nameless.change_state(3), 0);
  EXPECT_EQ(module.change_state(3), 1);
}

TEST_F(InterfaceModuleTest, WithoutCommunicatorNothingIsSent) {
  CInterfaceModule alone("interface", comm->get_beliefdb(), nullptr, 0);
  logged(&alone);
  alone.process_message(from_interface("ui", "(ask :request register)").c_str(),
                        DIRECTION_INCOMING);
  alone.send_message("hello");
  EXPECT_EQ(alone.get_interfaces()->get_nr_elements(), 1);
  EXPECT_TRUE(log.has("<CInterfaceModule> Communicator is NULL, message not sent"));
  EXPECT_TRUE(log.has("<CInterfaceModule> Error sending message to interface agent"));
}

}  // namespace
