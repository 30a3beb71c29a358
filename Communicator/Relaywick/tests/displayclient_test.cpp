#include "Relaywick/displayclient.h"

#include <gtest/gtest.h>

#include "Platform/messagesink.h"
#include "Relaywick/displayconfig.h"
#include "moduletest.h"

namespace {

using namespace moduletest;

constexpr const char* kCreate = "CREATE :mode agent :info planning-agent :to showboard :message create";
constexpr const char* kDestroy =
    "DESTROY :mode agent :info planning-agent :to showboard :message destroy";

// Installs a presenter that records each dialog and acts on it, for the
// life of the object.
class DialogScript {
 public:
  explicit DialogScript(std::function<void(CDisplayConfig&)> act = nullptr)
      : previous_(CDisplayConfig::set_presenter([this, act](CDisplayConfig& dialog) {
          ++shown;
          field_on_open = dialog.get_field();
          if (act) act(dialog);
        })) {}
  ~DialogScript() { CDisplayConfig::set_presenter(previous_); }

  int shown = 0;
  std::string field_on_open;

 private:
  CDisplayConfig::Presenter previous_;
};

void parse(CSB& module, std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  module.parse_args(static_cast<int>(argv.size()), argv.data());
}

class DisplayClientTest : public ModuleTest {
 protected:
  DisplayClientTest() { logged(&module); }

  AgentPeer showboard{*comm, "Showboard"};
  CSB module{"Showboard", comm->get_beliefdb(), comm.get(), 0};
};

TEST_F(DisplayClientTest, ConstructedAsADisplayClient) {
  EXPECT_EQ(module.get_type(), LOGTYPE_DISPLAY);
  EXPECT_STREQ(module.get_create_string(), kCreate);
  EXPECT_STREQ(module.get_destroy_string(), kDestroy);
  CSB unnamed(nullptr, comm->get_beliefdb(), comm.get(), 0);
  EXPECT_STREQ(unnamed.get_name(), "-Showboard-");
}

TEST_F(DisplayClientTest, ClassicModeCreatesAndDestroysTheAgent) {
  EXPECT_EQ(module.change_state(3), 1);
  EXPECT_EQ(module.change_state(4), 1);
  const std::vector<Kqml> sent = showboard.take_kqml();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].receiver, "Showboard");
  EXPECT_EQ(sent[0].ontology, "default-ontology");
  EXPECT_EQ(sent[0].language, "default-language");
  EXPECT_EQ(sent[0].reply_with, "cricket");
  EXPECT_EQ(sent[0].content, kCreate);
  EXPECT_EQ(sent[1].content, kDestroy);
  EXPECT_TRUE(log.has("<CSB> No primary domain specified, starting up in classic mode ..."));
  EXPECT_EQ(log.starting("<CSB> change_state ()").size(), 2u);
}

TEST_F(DisplayClientTest, DomainModePlacesTheAgentIntoItsDomain) {
  module.set_primary_domain(nullptr);
  EXPECT_EQ(module.get_primary_domain(), nullptr);
  module.set_primary_domain("blue");
  EXPECT_TRUE(log.has("<CSB> Assigned primary domain name to: [blue]"));
  EXPECT_EQ(module.change_state(1), 1);
  EXPECT_EQ(module.change_state(3), 1);
  EXPECT_EQ(module.get_state(), 1u);  // this path does not store the state
  EXPECT_TRUE(log.has("<CSB> starting up in 'domain' mode"));
  const std::vector<Kqml> sent = showboard.take_kqml();
  ASSERT_EQ(sent.size(), 2u);
  EXPECT_EQ(sent[0].ontology, "Quorvel");
  EXPECT_EQ(sent[0].content, "DEFINEDOMAIN :name \"blue\"");
  EXPECT_EQ(sent[1].ontology, "Quorvel");
  EXPECT_EQ(sent[1].content,
            "AGENTDOMAINS :agent \"station\" :domain \"blue\" :role \"default\")");
}

TEST_F(DisplayClientTest, AgentCreateInADomain) {
  EXPECT_EQ(module.agent_create("a", "d"), 1);
  EXPECT_EQ(module.agent_create("a", "d"), 1);  // nothing lists the agent
  EXPECT_EQ(showboard.take_contents(),
            (std::vector<std::string>{"DEFINEDOMAIN :name \"d\"",
                                      "AGENTDOMAINS :agent \"a\" :domain \"d\" :role \"default\")",
                                      "DEFINEDOMAIN :name \"d\"",
                                      "AGENTDOMAINS :agent \"a\" :domain \"d\" :role \"default\")"}));

  // A domain that a visual entity has is not defined again; a listed agent
  // is not created again.
  auto* entity = new CVisualEntity("other");
  entity->set_domain("d");
  entity->set_domain(nullptr);
  EXPECT_STREQ(entity->get_domain(), "d");
  module.get_visual_entities()->add_element(entity);
  EXPECT_EQ(module.domain_exists("d"), 1);
  EXPECT_EQ(module.domain_exists("D"), 0);
  EXPECT_EQ(module.domain_exists(nullptr), 0);
  EXPECT_EQ(module.agent_create("a", "d"), 1);
  EXPECT_EQ(module.agent_create("other", "d"), 0);
  EXPECT_EQ(module.agent_create(nullptr, "d"), 0);
  EXPECT_EQ(module.agent_create("a", nullptr), 0);
  EXPECT_EQ(showboard.take_contents(),
            (std::vector<std::string>{"AGENTDOMAINS :agent \"a\" :domain \"d\" :role \"default\")"}));
}

// Names go as KQML strings, quotes and backslashes escaped.
TEST_F(DisplayClientTest, NamesGoAsStrings) {
  EXPECT_EQ(module.agent_create(R"(a"b)", R"(C:\d\)"), 1);
  module.agemt_comm(R"(x"y)", nullptr, "b", R"(r\d)");
  EXPECT_EQ(showboard.take_contents(),
            (std::vector<std::string>{
                R"(DEFINEDOMAIN :name "C:\\d\\")",
                R"(AGENTDOMAINS :agent "a\"b" :domain "C:\\d\\" :role "default"))",
                R"(COMM :sender "x\"y" :receiver "r\\d|b")"}));
}

TEST_F(DisplayClientTest, AgentAndCommunicationTexts) {
  module.agent_create("a");
  module.agent_remove("a");
  module.agemt_comm("a", "b");
  module.agemt_comm("a", nullptr, "b", nullptr);
  module.agemt_comm("a", nullptr, "b", "rd");
  module.agemt_comm("a", "sd", "b", "rd");
  module.agemt_comm("a", "sd", "b", nullptr, "data");
  module.agent_create(nullptr);
  module.agent_remove(nullptr);
  module.agemt_comm(nullptr, "b");
  module.agemt_comm("a", "sd", nullptr, "rd");
  const std::vector<Kqml> sent = showboard.take_kqml();
  std::vector<std::string> lines;
  for (const Kqml& m : sent) lines.push_back(m.ontology + " " + m.content);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "default-ontology CREATE :mode agent :to showboard :message create :name a",
                       "default-ontology DESTROY :mode agent :to showboard :message destroy :name a",
                       "default-ontology CREATE :mode communication :from a :to b",
                       "Quorvel COMM :sender \"a\" :receiver \"b\"",
                       "Quorvel COMM :sender \"a\" :receiver \"rd|b\"",
                       "Quorvel COMM :sender \"sd|a\" :receiver \"rd|b\"",
                       "Quorvel COMM :sender \"sd|a\" :receiver \"b\""}));
}

TEST_F(DisplayClientTest, EveryMessageTheAgentSendsIsDrawn) {
  AgentPeer bob(*comm, "bob");
  auto* display = new CSB("Showboard", comm->get_beliefdb(), comm.get(), 0);
  comm->add_display(display);
  EXPECT_EQ(comm->comm_sendmessage("tell", "bob", "ont", "lang", "r1", nullptr, nullptr, "hi",
                                   nullptr),
            nullptr);
  EXPECT_EQ(bob.take_contents(), (std::vector<std::string>{"hi"}));
  EXPECT_EQ(showboard.take_contents(),
            (std::vector<std::string>{"CREATE :mode communication :to bob"}));
}

TEST_F(DisplayClientTest, TheReceiverIsTheWordAfterTheKeyword) {
  const struct {
    const char* text;
    int direction;
    const char* drawn;  // null: nothing is sent
  } cases[] = {
      {"(tell :sender station :receiver b :content (x))", DIRECTION_OUTGOING, "b"},
      {"(tell :sender station :receiver b :content (x))", DIRECTION_INCOMING, nullptr},
      {"(tell :sender station :receiver b :content (x))", DIRECTION_INTERNAL, nullptr},
      {"(tell :sender station :content (x))", DIRECTION_OUTGOING, nullptr},
      {"", DIRECTION_OUTGOING, nullptr},
      {nullptr, DIRECTION_OUTGOING, nullptr},
      // Near the end of the text: the word ends with the text, or there is none.
      {"(tell :receiver last", DIRECTION_OUTGOING, "last"},
      {"(tell :receiver ", DIRECTION_OUTGOING, nullptr},
      {"(tell :receiver", DIRECTION_OUTGOING, nullptr},
      {":receiver", DIRECTION_OUTGOING, nullptr},
      {"(tell :receiver  b)", DIRECTION_OUTGOING, nullptr},
  };
  for (const auto& c : cases) {
    module.process_message(c.text, c.direction);
    const std::vector<std::string> sent = showboard.take_contents(100);
    if (c.drawn == nullptr) {
      EXPECT_TRUE(sent.empty()) << (c.text ? c.text : "(null)");
    } else {
      EXPECT_EQ(sent, (std::vector<std::string>{std::string("CREATE :mode communication :to ") +
                                                c.drawn}))
          << c.text;
    }
  }
  EXPECT_EQ(module.get_access_denied(), 0);
}

TEST_F(DisplayClientTest, AFailedSendDeniesAccess) {
  showboard.go_away();
  module.process_message("(tell :receiver b :content (x))", DIRECTION_OUTGOING);
  EXPECT_EQ(module.get_access_denied(), 1);
  EXPECT_EQ(module.change_state(3), 0);
  showboard.come_back();
  module.process_message("(tell :receiver b :content (x))", DIRECTION_OUTGOING);
  EXPECT_TRUE(showboard.take().empty());

  CSB domains("Showboard", comm->get_beliefdb(), comm.get(), 0);
  showboard.go_away();
  EXPECT_EQ(domains.agent_create("a", "d"), 0);
  EXPECT_EQ(domains.get_access_denied(), 1);
}

TEST_F(DisplayClientTest, RefusesWithoutCommunicatorNameOrBelief) {
  CSB alone("Showboard", comm->get_beliefdb(), nullptr, 0);
  logged(&alone);
  EXPECT_EQ(alone.change_state(3), 0);
  EXPECT_EQ(alone.get_access_denied(), 1);
  EXPECT_TRUE(log.has("<CSB> Communicator is NULL, access to resource disabled"));

  CSB unnamed("Showboard", comm->get_beliefdb(), comm.get(), 0);
  logged(&unnamed);
  unnamed.set_name(nullptr);
  EXPECT_EQ(unnamed.change_state(3), 0);
  EXPECT_TRUE(log.has("<CSB> No agent name specified, access to resource disabled"));

  CBeliefDB empty;
  CSB no_belief("Showboard", &empty, comm.get(), 0);
  no_belief.process_message("(tell :receiver b)", DIRECTION_OUTGOING);
  EXPECT_EQ(no_belief.get_access_denied(), 1);
  EXPECT_TRUE(showboard.take().empty());
}

TEST_F(DisplayClientTest, OptionsNameTheDisplayAgentOrDisableIt) {
  DialogScript dialog;
  CSB named(nullptr, comm->get_beliefdb(), comm.get(), 0);
  parse(named, {"station", "-sbp", "Lattisk"});
  EXPECT_STREQ(named.get_name(), "Lattisk");
  EXPECT_EQ(dialog.shown, 0);

  // Disabled, but still the placeholder: the dialog asks; access stays denied.
  CSB disabled(nullptr, comm->get_beliefdb(), comm.get(), 0);
  parse(disabled, {"station", "-sbn", "disabled"});
  EXPECT_EQ(dialog.shown, 1);
  EXPECT_EQ(dialog.field_on_open, "-Showboard-");
  EXPECT_EQ(disabled.get_access_denied(), 1);
  EXPECT_EQ(disabled.change_state(3), 0);
  EXPECT_EQ(disabled.change_state(4), 0);

  // An option as the last argument has no value.
  CSB last(nullptr, comm->get_beliefdb(), comm.get(), 0);
  parse(last, {"station", "-sbp"});
  EXPECT_STREQ(last.get_name(), "-Showboard-");
  EXPECT_EQ(dialog.shown, 2);
  parse(last, {"-sbp", "Showboard", "-sbn"});
  EXPECT_STREQ(last.get_name(), "Showboard");
  EXPECT_EQ(last.get_access_denied(), 0);
  EXPECT_EQ(dialog.shown, 2);

  CSB other(nullptr, comm->get_beliefdb(), comm.get(), 0);
  parse(other, {"-sbn", "enabled"});
  EXPECT_EQ(other.get_access_denied(), 0);
  other.parse_args(0, nullptr);
  EXPECT_EQ(dialog.shown, 4);
}

TEST_F(DisplayClientTest, TheDialogNamesTheDisplayAgentOrDisablesIt) {
  {
    DialogScript pick([](CDisplayConfig& d) {
      d.set_selection(2);
      d.on_commit();
      d.on_ok();
    });
    CSB asked(nullptr, comm->get_beliefdb(), comm.get(), 0);
    parse(asked, {});
    EXPECT_STREQ(asked.get_name(), "Veranta_Showboard");
    EXPECT_EQ(asked.get_access_denied(), 0);
  }
  {
    DialogScript disable([](CDisplayConfig& d) {
      d.on_disable();
      d.on_cancel();
    });
    CSB asked(nullptr, comm->get_beliefdb(), comm.get(), 0);
    parse(asked, {});
    EXPECT_STREQ(asked.get_name(), "-Showboard-");
    EXPECT_EQ(asked.get_access_denied(), 1);
  }
  // No window to show it: the dialog closes at once, changing nothing.
  CSB unasked(nullptr, comm->get_beliefdb(), comm.get(), 0);
  parse(unasked, {});
  EXPECT_STREQ(unasked.get_name(), "-Showboard-");
  EXPECT_EQ(unasked.get_access_denied(), 0);
}

TEST_F(DisplayClientTest, DialogLogic) {
  CDisplayConfig dialog(&module);
  EXPECT_FALSE(dialog.is_open());
  dialog.on_init_dialog();
  EXPECT_EQ(dialog.entries(),
            (std::vector<std::string>{"Showboard", "Veranta-Showboard", "Veranta_Showboard",
                                      "VerantaShowboard", "SB", "Veranta-SB", "Lattisk"}));
  EXPECT_EQ(dialog.get_selection(), 0);
  EXPECT_EQ(dialog.get_field(), "Showboard");
  EXPECT_TRUE(dialog.is_combo_enabled());
  EXPECT_TRUE(dialog.is_commit_enabled());

  dialog.set_selection(6);
  dialog.on_commit();
  EXPECT_EQ(dialog.get_field(), "Lattisk");
  EXPECT_STREQ(module.get_name(), "Lattisk");
  dialog.set_selection(-1);
  dialog.on_commit();
  EXPECT_EQ(dialog.get_field(), "No selection made");
  EXPECT_STREQ(module.get_name(), "Lattisk");

  dialog.on_disable();
  EXPECT_TRUE(dialog.is_disable_checked());
  EXPECT_FALSE(dialog.is_combo_enabled());
  EXPECT_FALSE(dialog.is_commit_enabled());
  dialog.on_disable();
  EXPECT_TRUE(dialog.is_combo_enabled());

  platform::MessageRecorder boxes;
  dialog.on_ok();
  EXPECT_TRUE(boxes.texts().empty());
  module.set_name(nullptr);
  dialog.on_ok();
  EXPECT_EQ(boxes.texts(), (std::vector<std::string>{"Oops no visualization client selected"}));

  EXPECT_EQ(CDisplayConfig::kResourceId, 137);
  EXPECT_STREQ(CDisplayConfig::kCaption, "Showboard Configuration");
}

TEST_F(DisplayClientTest, RecordsAndTheirLists) {
  CVisualizationClient client("viewer");
  std::string message = "(tell :sender a :content (x))";
  std::string junk = "junk";
  EXPECT_EQ(client.from_string(message.data()), 1);
  EXPECT_EQ(client.from_string(junk.data()), 0);
  EXPECT_EQ(client.from_string(nullptr), 0);
  EXPECT_EQ(client.to_string(), nullptr);
  CVisualizationState state;
  EXPECT_STREQ(state.get_name(), "undefined");
  EXPECT_EQ(state.from_string(message.data()), 1);
  EXPECT_EQ(state.to_string(), nullptr);

  auto* first = new CVisualizationClient("first");
  module.add_viz_client(first);
  module.add_viz_client(new CVisualizationClient("second"));
  module.add_viz_client(nullptr);
  EXPECT_EQ(module.get_viz_clients()->get_nr_elements(), 2);
  module.remove_viz_client(&client);  // not in the list
  module.remove_viz_client(first);
  module.remove_viz_client("second");
  module.remove_viz_client("nobody");
  module.update();
  EXPECT_EQ(module.get_viz_clients()->get_nr_elements(), 0);
}

}  // namespace
