// The administration settings against the name server peer: the operator
// registers the station under a chosen name and the document takes it when
// the sheet closes; names that would register as something else are
// refused; a station started with a name server registers at once. The
// conversation page shows the station's messages as trees.
#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "Agentwick/agenthost.h"
#include "AgentwickUi/parsertree.h"
#include "Namewick/ansclient.h"
#include "Relaywick/communicator.h"
#include "TesselStation/adminpropsheet.h"
#include "TesselStation/chatframe.h"
#include "TesselStation/stcbinfoview.h"
#include "TesselStation/tesselstationview.h"
#include "TesselStationCore/stationagent.h"
#include "stationwindowstest.h"
#include "testsupport/childprocess.h"
#include "testsupport/framedclient.h"
#include "testsupport/loopback.h"
#include "testsupport/modal.h"
#include "testsupport/treelines.h"

namespace stationui {
namespace {

using Lines = std::vector<std::string>;
using testsupport::tree_lines;

// Opens the settings from the map view; `act` runs on the open sheet and
// must close it.
void EditSettings(CMainFrame* frame, std::function<void(CAdminPropSheet*)> act) {
  testsupport::when_modal<CAdminPropSheet>(std::move(act));
  frame->GetView()->OnEditSettings();
}

template <typename Control>
Control* Find(QWidget* page, int id) {
  return page->findChild<Control*>(QString::number(id));
}

Lines Items(QListWidget* list) {
  Lines items;
  for (int i = 0; i < list->count(); ++i) items.push_back(list->item(i)->text().toStdString());
  return items;
}

// The station with a name server on loopback, and another agent of the
// exercise registered there.
class AdminSheetTest : public StationWindowsTest {
 protected:
  void SetUp() override {
    ans_port = childtest::start_ans_server(&server, TESSEL_ANS_SERVER);
    ASSERT_NE(ans_port, 0u);
    auto other = std::make_unique<CStationAgent>("BravoStation");
    other->SetNameServer("127.0.0.1", ans_port);
    other->SetListeningPort(0);
    bravo.AssignContainer(std::move(other));
    ASSERT_NE(bravo.CreateContainer(&bravoLine, 1), 0);
  }

  // Types the server and the name into the communication page and registers.
  void Register(CDlgPropCommSettings* page, const char* name) {
    Find<QLineEdit>(page, CDlgPropCommSettings::IDC_SERVER)->setText("127.0.0.1");
    Find<QLineEdit>(page, CDlgPropCommSettings::IDC_SERVER_PORT)
        ->setText(QString::number(ans_port));
    Find<QComboBox>(page, CDlgPropCommSettings::IDC_AGENT)->setEditText(name);
    Find<QPushButton>(page, CDlgPropCommSettings::IDC_REGISTER)->click();
  }

  childtest::ChildProcess server;
  unsigned ans_port = 0;
  CCommandLine bravoLine;
  CAgentHost bravo;
};

TEST_F(AdminSheetTest, OperatorRegistersTheStationAndTheDocumentTakesTheName) {
  ASSERT_EQ(Create({"-port", "0", "-ans", "-unknown-"}), 0);
  ASSERT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  EditSettings(frame.get(), [&](CAdminPropSheet* sheet) {
    EXPECT_EQ(sheet->windowTitle(), "Administration Settings");
    CDlgPropCommSettings* page = sheet->GetCommSettings();
    EXPECT_TRUE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_REGISTER)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_UNREGISTER)->isEnabled());
    EXPECT_EQ(Find<QComboBox>(page, CDlgPropCommSettings::IDC_AGENT)->currentText(), "Alpha");
    Register(page, " AlphaStation ");
    EXPECT_EQ(Find<QComboBox>(page, CDlgPropCommSettings::IDC_AGENT)->currentText(),
              "AlphaStation");
    EXPECT_FALSE(Find<QComboBox>(page, CDlgPropCommSettings::IDC_AGENT)->isEnabled());
    EXPECT_TRUE(Find<QLineEdit>(page, CDlgPropCommSettings::IDC_SERVER)->isReadOnly());
    EXPECT_FALSE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_REGISTER)->isEnabled());
    EXPECT_TRUE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_UNREGISTER)->isEnabled());
    // The others: the station itself is not listed.
    EXPECT_EQ(Items(Find<QListWidget>(page, CDlgPropCommSettings::IDC_AGENTS)),
              Lines{"BravoStation"});
    sheet->accept();
  });
  EXPECT_EQ(frame->GetView()->GetAdminSheet(), nullptr);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EXPECT_STREQ(doc.GetOwnName(), "AlphaStation");
  EXPECT_EQ(frame->windowTitle(), "AlphaStation - Version 3.10 - TesselStation");
  EXPECT_EQ(windows.GetChatFrame()->windowTitle(), "AlphaStation Chat Window");
  EXPECT_EQ(tree_lines(frame->GetInfoView())[1], "  Agent: AlphaStation");
  EXPECT_EQ(tree_lines(frame->GetInfoView())[2], "    Host: 127.0.0.1");

  // Unregistered again and closed by Cancel, the station is unregistered.
  EditSettings(frame.get(), [&](CAdminPropSheet* sheet) {
    CDlgPropCommSettings* page = sheet->GetCommSettings();
    EXPECT_EQ(Items(Find<QListWidget>(page, CDlgPropCommSettings::IDC_AGENTS)),
              Lines{"BravoStation"});
    Find<QPushButton>(page, CDlgPropCommSettings::IDC_UNREGISTER)->click();
    EXPECT_TRUE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_REGISTER)->isEnabled());
    EXPECT_EQ(Find<QListWidget>(page, CDlgPropCommSettings::IDC_AGENTS)->count(), 0);
    sheet->reject();
  });
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  EXPECT_STREQ(doc.GetOwnName(), "");
}

struct RefusedCase {
  const char* name;
  const char* agent_name;
  const char* box;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class RefusedNames : public AdminSheetTest, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedNames, AreShownInABoxAndRegisterNothing) {
  ASSERT_EQ(Create({"-port", "0", "-ans", "-unknown-"}), 0);
  testsupport::SeenBox seen;
  EditSettings(frame.get(), [&](CAdminPropSheet* sheet) {
    testsupport::close_next_box(&seen);
    Register(sheet->GetCommSettings(), GetParam().agent_name);
    EXPECT_TRUE(Find<QPushButton>(sheet->GetCommSettings(), CDlgPropCommSettings::IDC_REGISTER)
                    ->isEnabled());
    sheet->accept();
  });
  EXPECT_EQ(seen.text.toStdString(), GetParam().box);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  EXPECT_STREQ(frame->GetAgent()->GetAgentName(), "TesselStation");
}

INSTANTIATE_TEST_SUITE_P(
    Names, RefusedNames,
    ::testing::Values(
        RefusedCase{"Blanks", "   ", "Please select or type in an agent name"},
        RefusedCase{"InnerBlank", "Alpha Station",
                    "An agent name may not hold blanks, parentheses or quotes"},
        RefusedCase{"Parenthesis", "Alpha(1)",
                    "An agent name may not hold blanks, parentheses or quotes"},
        RefusedCase{"Quote", "Alpha\"", "An agent name may not hold blanks, parentheses or quotes"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(AdminSheetTest, StationStartedWithANameServerIsRegisteredUnderItsName) {
  ASSERT_EQ(Create({"-name", "AlphaStation", "-port", "0", "-ans", "127.0.0.1", "-ansport",
                    std::to_string(ans_port)}),
            0);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EXPECT_STREQ(doc.GetOwnName(), "AlphaStation");
  EXPECT_EQ(frame->GetAgent()->IsKnownAgent("AlphaStation"), 1);
  frame->UpdateCommandUi();
  EXPECT_EQ(frame->GetPane(CMainFrame::ID_INDICATOR_PHASE)->text(), "Registered with ANS");
  EXPECT_EQ(tree_lines(frame->GetInfoView())[1], "  Agent: AlphaStation");
  // The sheet opens on the registration.
  EditSettings(frame.get(), [&](CAdminPropSheet* sheet) {
    CDlgPropCommSettings* page = sheet->GetCommSettings();
    EXPECT_EQ(Find<QComboBox>(page, CDlgPropCommSettings::IDC_AGENT)->currentText(),
              "AlphaStation");
    EXPECT_TRUE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_UNREGISTER)->isEnabled());
    sheet->accept();
  });
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
}

// The pane's agent entry follows the registration as the agent holds it,
// at the frame's next idle update, without asking the name server.
TEST_F(AdminSheetTest, AWithdrawnRegistrationReachesThePaneAtTheNextIdleUpdate) {
  ASSERT_EQ(Create({"-name", "AlphaStation", "-port", "0", "-ans", "127.0.0.1", "-ansport",
                    std::to_string(ans_port)}),
            0);
  EXPECT_EQ(tree_lines(frame->GetInfoView())[2], "    Host: 127.0.0.1");
  frame->GetAgent()->get_communicator()->retrieve_ans_object()->enable(0);
  frame->UpdateCommandUi();
  EXPECT_EQ(tree_lines(frame->GetInfoView())[1], "  Agent: AlphaStation");
  EXPECT_EQ(tree_lines(frame->GetInfoView())[2], "    Host: ");
}

// The station at a port of its own, registered with the name server of the
// test under the name AlphaStation.
std::vector<std::string> AtPort(unsigned port, unsigned ans_port) {
  return {"-name", "AlphaStation", "-port", std::to_string(port), "-ans", "127.0.0.1", "-ansport",
          std::to_string(ans_port)};
}

std::string LookUp(unsigned ans_port, const std::string& name) {
  return testsupport::ask_once(ans_port, "(ask-one :sender T :receiver ANS :reply-with R1 "
                                         ":content (lookup :name " + name + "))");
}

// The program killed at its port, then these windows started there in its
// working directory, as a station restarted by its operator.
TEST_F(AdminSheetTest, AStationStartedAgainAtItsPortCanUnregister) {
  const std::vector<std::string> options = AtPort(testsupport::unused_loopback_port(), ans_port);
  childtest::ChildProcess killed;
  setenv("TESSEL_UNATTENDED", "1", 1);
  ASSERT_TRUE(killed.start(TESSEL_STATION, options));
  unsetenv("TESSEL_UNATTENDED");
  std::string first;
  ASSERT_TRUE(killed.read_line(&first, 60000));
  ASSERT_NE(first.find("registered with the name server"), std::string::npos) << first;
  kill(killed.pid(), SIGKILL);
  ASSERT_EQ(killed.wait_exit(10000), -1);

  ASSERT_EQ(Create(options), 0);
  ASSERT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EditSettings(frame.get(), [&](CAdminPropSheet* sheet) {
    CDlgPropCommSettings* page = sheet->GetCommSettings();
    Find<QPushButton>(page, CDlgPropCommSettings::IDC_UNREGISTER)->click();
    EXPECT_TRUE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_REGISTER)->isEnabled());
    sheet->accept();
  });
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  EXPECT_NE(LookUp(ans_port, "AlphaStation").find("unknown agent"), std::string::npos);
}

TEST_F(AdminSheetTest, AWithdrawalTheServerRefusesIsShownAndTheStationStaysRegistered) {
  const unsigned port = testsupport::unused_loopback_port();
  // Someone registered the name at the station's place before it started.
  ASSERT_TRUE(testsupport::register_with_name_server(ans_port, "AlphaStation", port));
  ASSERT_EQ(Create(AtPort(port, ans_port)), 0);
  ASSERT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  testsupport::SeenBox seen;
  EditSettings(frame.get(), [&](CAdminPropSheet* sheet) {
    CDlgPropCommSettings* page = sheet->GetCommSettings();
    testsupport::close_next_box(&seen);
    Find<QPushButton>(page, CDlgPropCommSettings::IDC_UNREGISTER)->click();
    EXPECT_TRUE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_UNREGISTER)->isEnabled());
    EXPECT_FALSE(Find<QPushButton>(page, CDlgPropCommSettings::IDC_REGISTER)->isEnabled());
    sheet->accept();
  });
  EXPECT_EQ(seen.text.toStdString(), "Unable to unregister from the ANS: The name server at "
                                     "[127.0.0.1][" + std::to_string(ans_port) +
                                     "] said sorry: not the holder");
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EXPECT_NE(LookUp(ans_port, "AlphaStation").find("(agent :name AlphaStation"), std::string::npos);
}

TEST_F(AdminSheetTest, StationStartedWithoutAReachableNameServerRunsUnregistered) {
  childtest::ChildProcess silent;
  const unsigned closing = childtest::start_ans_server(&silent, TESSEL_ANS_SERVER, {"--close"});
  ASSERT_NE(closing, 0u);
  ASSERT_EQ(Create({"-name", "AlphaStation", "-port", "0", "-ans", "127.0.0.1", "-ansport",
                    std::to_string(closing)}),
            0);
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  EXPECT_STREQ(doc.GetOwnName(), "");
}

// --- The conversation page

class ConversationPage : public StationWindowsTest {};

TEST_F(ConversationPage, ShowsANestedMessageAsATreeWithItsMainFieldsOpen) {
  CConversationLog log;
  CDlgPropConversation page(log);
  page.ShowIncomingMessage(
      "(tell :sender Sim :receiver AlphaStation :reply-with r1 :content (tell :command init_sim "
      ":scenario (tell :map file:///demo.map :interceptors (tell :number 0))))");
  CParserTree* tree = page.GetIncomingTree();
  EXPECT_EQ(tree_lines(tree),
            (Lines{"tell", "  :sender", "    Sim", "  :receiver", "    AlphaStation",
                   "  :reply-with", "    r1", "  :content", "    tell", "      :command",
                   "        init_sim", "      :scenario", "        tell", "          :map",
                   "            file:///demo.map", "          :interceptors", "            tell",
                   "              :number", "                0"}));
  QTreeWidgetItem* root = tree->topLevelItem(0);
  EXPECT_TRUE(root->isExpanded());
  std::vector<bool> open;
  for (int i = 0; i < root->childCount(); ++i) open.push_back(root->child(i)->isExpanded());
  EXPECT_EQ(open, (std::vector<bool>{true, true, false, true}));
  EXPECT_FALSE(root->child(3)->child(0)->isExpanded());
  EXPECT_EQ(page.GetIncomingList()->currentRow(), 0);
}

TEST_F(ConversationPage, OutgoingMessagesShowWithTheirReceiverAndClearEmptiesASide) {
  CConversationLog log;
  log.AddOutgoing("tell", "Sim", "tell :command mission_cost :totalCost 3");
  CDlgPropConversation page(log);
  EXPECT_EQ(Items(page.GetOutgoingList()),
            Lines{"(tell :receiver Sim :content (tell :command mission_cost :totalCost 3))"});
  EXPECT_EQ(tree_lines(page.GetOutgoingTree())[0], "tell");
  page.findChild<QPushButton*>(QString::number(CDlgPropConversation::IDC_CLEAR_OUTGOING))->click();
  EXPECT_EQ(page.GetOutgoingList()->count(), 0);
  EXPECT_EQ(page.GetOutgoingTree()->topLevelItemCount(), 0);
}

TEST_F(ConversationPage, SheetListsWhatTheStationReceivedAndSent) {
  ASSERT_EQ(Create(), 0);
  doc.SetOwnName("AlphaStation");
  doc.SetSimulationAgent("Sim");
  Receive("Sim", "tell :command clock_sync :clock 60");
  EditSettings(frame.get(), [&](CAdminPropSheet* sheet) {
    sheet->GetTabs()->setCurrentIndex(1);
    CDlgPropConversation* page = sheet->GetConversation();
    EXPECT_EQ(Items(page->GetIncomingList()),
              Lines{"(tell :sender Sim :receiver AlphaStation :content "
                    "(tell :command clock_sync :clock 60))"});
    // The costs went to the team, here only the simulation agent.
    EXPECT_EQ(Items(page->GetOutgoingList()),
              Lines{"(tell :receiver Sim :content (tell :command mission_cost :totalCost 0 "
                    ":radarCost 0 :intCost 0 :balloonCost 0))"});
    sheet->accept();
  });
}

}  // namespace
}  // namespace stationui
