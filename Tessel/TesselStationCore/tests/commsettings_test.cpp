// The communication settings of the administration sheet: registering and
// unregistering the station with a name server (tools/ans-server on
// loopback) under a chosen name, the names refused, the list of the other
// agents, and the phase and name that the document takes when the sheet
// closes.
#include "TesselStationCore/commsettingsmodel.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <ostream>
#include <string>
#include <vector>

#include "Credwick/belief.h"
#include "TesselStationCore/infopanemodel.h"
#include "runningstation.h"
#include "stationtest.h"
#include "testsupport/framedclient.h"
#include "testsupport/loopback.h"

namespace stationtest {
namespace {

TEST(CommSettings, WithoutACommunicatorThePageKeepsItsDefaultsAndDoesNothing) {
  RecordingStationUi ui;
  CTesselStationDoc doc(ui);
  doc.OnNewDocument();
  RecordingAgent agent;
  doc.SetAgent(&agent);
  CCommSettingsModel page(doc);
  EXPECT_STREQ(page.GetAgentName(), "Alpha");
  EXPECT_STREQ(page.GetServerHost(), "127.0.0.1");
  EXPECT_EQ(page.GetServerPort(), 6677);
  EXPECT_EQ(page.GetAgentPort(), 0);
  EXPECT_FALSE(page.IsRegistered());
  ui.calls.clear();
  page.SetAgentName("   ");
  page.OnRegister();
  page.OnUnRegister();
  EXPECT_TRUE(ui.calls.empty());
  EXPECT_FALSE(page.IsRegistered());
  doc.SetAgent(nullptr);
}

// The running station with its document attached to its agent.
class RegisteringStation : public RunningStation {
 protected:
  void SetUp() override {
    RunningStation::SetUp();
    if (HasFatalFailure()) return;
    doc.OnNewDocument();
    doc.SetAgent(agent);
    ui.pane.SetDocument(&doc);
    ui.calls.clear();
  }
  void TearDown() override {
    ui.pane.SetDocument(nullptr);
    doc.SetAgent(nullptr);
  }

  std::string name_belief() {
    return dynamic_cast<CStringBelief*>(agent->get_belief_db()->find_element("name"))->get_value();
  }

  RecordingStationUi ui;
  CTesselStationDoc doc{ui};
  OtherAgent other;  // an agent the name server knows besides the station
};

TEST_F(RegisteringStation, RegistersUnderTheTrimmedNameAndListsTheOtherAgents) {
  ASSERT_EQ(other.Register("Bravo", ans_port, 1), 1);
  CCommSettingsModel page(doc);
  EXPECT_STREQ(page.GetServerHost(), "127.0.0.1");
  EXPECT_EQ(page.GetServerPort(), static_cast<int>(ans_port));
  EXPECT_EQ(page.GetAgentPort(), belief("port"));
  page.OnSetActive();
  EXPECT_TRUE(page.CanRegister());
  EXPECT_TRUE(page.IsAgentNameEnabled());
  EXPECT_TRUE(page.GetRegisteredAgents().empty());

  page.SetAgentName(" Alpha ");
  page.OnRegister();
  EXPECT_TRUE(ui.calls.empty());
  EXPECT_TRUE(page.IsRegistered());
  EXPECT_STREQ(page.GetAgentName(), "Alpha");
  EXPECT_EQ(name_belief(), "Alpha");
  EXPECT_EQ(agent->IsKnownAgent("Alpha"), 1);
  EXPECT_EQ(page.GetRegisteredAgents(), Lines{"Bravo"});
  EXPECT_FALSE(page.CanRegister());
  EXPECT_TRUE(page.CanUnregister());
  EXPECT_TRUE(page.IsServerReadOnly());
  EXPECT_FALSE(page.IsAgentNameEnabled());

  page.Apply();
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
  EXPECT_STREQ(doc.GetOwnName(), "Alpha");
  EXPECT_STREQ(doc.GetTitle(), "Alpha - Version 3.10");
  EXPECT_EQ(ui.calls_starting("RefreshInfoPane"), Lines{"RefreshInfoPane(1)"});
  EXPECT_EQ(ui.calls.back(), "RedrawAllViews(1)");
  // The pane shows where the name server has the station.
  const CInfoPaneItem& agent_item = *ui.pane.GetRoot().GetChildren()[0];
  EXPECT_STREQ(agent_item.GetText(), "Agent: Alpha");
  EXPECT_STREQ(agent_item.GetChildren()[0]->GetText(), "Host: 127.0.0.1");
  EXPECT_EQ(agent_item.GetChildren()[1]->GetText(), "Port: " + std::to_string(belief("port")));
  EXPECT_STREQ(agent_item.GetChildren()[2]->GetText(), "ANS: 127.0.0.1");

  // Opened again, the page shows the station registered under its name.
  CCommSettingsModel again(doc);
  EXPECT_TRUE(again.IsRegistered());
  EXPECT_STREQ(again.GetAgentName(), "Alpha");
  again.OnSetActive();
  EXPECT_EQ(again.GetRegisteredAgents(), Lines{"Bravo"});
}

struct RefusedCase {
  const char* name;
  const char* agent_name;
  const char* message;
};

void PrintTo(const RefusedCase& c, std::ostream* out) { *out << c.name; }

class RefusedName : public RegisteringStation, public testing::WithParamInterface<RefusedCase> {};

TEST_P(RefusedName, ChangesNoBeliefAndRegistersNothing) {
  CCommSettingsModel page(doc);
  page.SetAgentName(GetParam().agent_name);
  page.OnRegister();
  EXPECT_EQ(ui.calls, Lines{std::string("MessageBox(") + GetParam().message + ")"});
  EXPECT_FALSE(page.IsRegistered());
  EXPECT_EQ(name_belief(), "TesselStation");
  page.Apply();
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
}

const char* const kNoName = "Please select or type in an agent name";
const char* const kNotPlain = "An agent name may not hold blanks, parentheses or quotes";

INSTANTIATE_TEST_SUITE_P(Names, RefusedName,
                         testing::Values(RefusedCase{"Empty", "", kNoName},
                                         RefusedCase{"Blanks", "  \t ", kNoName},
                                         RefusedCase{"InnerBlank", " Alpha One ", kNotPlain},
                                         RefusedCase{"OpeningParenthesis", "Alpha(1", kNotPlain},
                                         RefusedCase{"ClosingParenthesis", "Alpha)", kNotPlain},
                                         RefusedCase{"Quote", "\"Alpha\"", kNotPlain},
                                         RefusedCase{"EndOfMessageByte", "Alpha\x04", kNotPlain}),
                         [](const testing::TestParamInfo<RefusedCase>& info) {
                           return info.param.name;
                         });

TEST_F(RegisteringStation, ARegistrationTheServerDoesNotConfirmIsReported) {
  CCommSettingsModel page(doc);
  page.SetServerPort(1);  // nothing listens there
  page.OnRegister();
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Unable to register with the ANS. Please check the ANS "
                            "Name and try again)"});
  EXPECT_FALSE(page.IsRegistered());
  EXPECT_EQ(belief("ansport"), 1);  // the settings stay as entered
}

TEST_F(RegisteringStation, ANameThatALiveAgentHoldsIsNotShownAsRegistered) {
  unsigned live = 0;
  const int listener = testsupport::listen_on_loopback(&live);
  ASSERT_EQ(other.Register("Alpha", ans_port, live), 1);
  CCommSettingsModel page(doc);
  page.OnRegister();
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Unable to register with the ANS. Please check the ANS "
                            "Name and try again)"});
  EXPECT_FALSE(page.IsRegistered());
  page.Apply();
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  close(listener);
}

TEST_F(RegisteringStation, AWithdrawalTheServerRefusesIsShownAndTheStationStaysRegistered) {
  // Someone registered the name at the station's own place first: the
  // station's registration is taken, but the key is the other's.
  ASSERT_TRUE(testsupport::register_with_name_server(ans_port, "Alpha",
                                                     static_cast<unsigned>(belief("port"))));
  CCommSettingsModel page(doc);
  page.OnRegister();
  ASSERT_TRUE(page.IsRegistered()) << testing::PrintToString(ui.calls);
  ui.calls.clear();
  page.OnUnRegister();
  EXPECT_EQ(ui.calls, Lines{"MessageBox(Unable to unregister from the ANS: The name server at "
                            "[127.0.0.1][" +
                            std::to_string(ans_port) + "] said sorry: not the holder)"});
  EXPECT_TRUE(page.IsRegistered());
  EXPECT_TRUE(page.CanUnregister());
  EXPECT_EQ(agent->IsKnownAgent("Alpha"), 1);
  page.Apply();
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_REGISTERED);
}

TEST_F(RegisteringStation, RegisteringThenUnregisteringLeavesThePhaseUnregistered) {
  CCommSettingsModel page(doc);
  page.OnRegister();
  ASSERT_TRUE(page.IsRegistered());
  page.OnUnRegister();
  EXPECT_FALSE(page.IsRegistered());
  EXPECT_TRUE(page.GetRegisteredAgents().empty());
  EXPECT_EQ(agent->IsKnownAgent("Alpha"), 0);
  page.Apply();
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
  EXPECT_STREQ(doc.GetOwnName(), "");
}

TEST_F(RegisteringStation, UnregisteringARegisteredStationMakesItUnregistered) {
  doc.SetPhase(CTesselStationDoc::PHASE_RUNNING);
  CCommSettingsModel page(doc);
  EXPECT_TRUE(page.IsRegistered());
  page.OnUnRegister();
  page.Apply();
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_UNREGISTERED);
}

TEST_F(RegisteringStation, OpeningAndClosingKeepsThePhase) {
  for (const int phase :
       {CTesselStationDoc::PHASE_UNREGISTERED, CTesselStationDoc::PHASE_RUNNING}) {
    doc.SetPhase(phase);
    CCommSettingsModel page(doc);
    page.OnSetActive();
    page.Apply();
    EXPECT_EQ(doc.GetPhase(), phase);
  }
}

}  // namespace
}  // namespace stationtest
