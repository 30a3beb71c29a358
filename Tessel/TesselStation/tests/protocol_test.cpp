// The station's windows as the simulation's messages drive them: the wait
// notice from init_sim to the start, and a box or question that a message
// opens, which holds every further message until it is answered.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <ostream>
#include <string>

#include "Agentwick/agenthost.h"
#include "Agentwick/basicagent.h"
#include "TesselStation/chatframe.h"
#include "TesselStationCore/interceptor.h"
#include "TesselStationCore/stationagent.h"
#include "stationwindowstest.h"
#include "testsupport/agentpeer.h"

namespace stationui {
namespace {

class WaitNotice : public StationWindowsTest,
                   public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    ASSERT_EQ(Create(), 0);
    doc.SetOwnName("AlphaStation");
  }
};

TEST_P(WaitNotice, ShowsFromInitSimUntilTheStartAndHoldsTheWindowsMeanwhile) {
  const std::string url = WriteMap({"ssww", "wwss"});
  Receive("Sim", "tell :command init_sim :scenario (tell :map " + url + " :terrain " + kTerrain +
                     " :interceptors (tell :number 0))");
  ASSERT_NE(windows.GetWaitDialog(), nullptr);
  EXPECT_TRUE(windows.GetWaitDialog()->isVisible());
  EXPECT_EQ(windows.GetWaitDialog()->findChild<QLabel*>()->text(),
            "Please wait while the simulation starts");
  EXPECT_EQ(windows.GetWaitDialog()->parentWidget(), frame.get());
  EXPECT_FALSE(frame->isEnabled());
  EXPECT_FALSE(windows.GetChatFrame()->isEnabled());
  EXPECT_EQ(doc.GetPhase(), CTesselStationDoc::PHASE_INITIALIZED);

  Receive("Sim", std::string("tell :command ") + GetParam());
  EXPECT_EQ(windows.GetWaitDialog(), nullptr);
  EXPECT_TRUE(frame->isEnabled());
  EXPECT_TRUE(windows.GetChatFrame()->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Ends, WaitNotice,
                         ::testing::Values("start_sim", "start_playback", "reset_sim"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                           return std::string(info.param);
                         });

TEST_F(StationWindowsTest, ScenarioThatCannotLoadShowsNoWaitNotice) {
  ASSERT_EQ(Create(), 0);
  Receive("Sim", std::string("tell :command init_sim :scenario (tell :map file:///no/such.map "
                             ":terrain ") +
                     kTerrain + " :interceptors (tell :number 0))");
  EXPECT_EQ(windows.GetWaitDialog(), nullptr);
  EXPECT_TRUE(frame->isEnabled());
}

// --- A box opened by a message

// A peer agent in the test's process that sends to the station over
// loopback.
class Peer : public CBasicAgent {
 public:
  explicit Peer(const char* name) : CBasicAgent(name) {}
  int process_create() override {
    get_communicator()->set_port(0);
    return 1;
  }
  bool Tell(const char* receiver, const std::string& content) {
    return testsupport::tell_agent(get_communicator(), receiver, content.c_str());
  }
};

// Runs `act` on the message box once one is open; the box opens when the
// message that asks for it has come, some turns of the loop from now.
void WhenBoxOpens(QObject* context, std::function<void(QMessageBox*)> act) {
  auto* poll = new QTimer(context);
  QObject::connect(poll, &QTimer::timeout, context, [poll, act] {
    auto* box = dynamic_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    poll->stop();
    poll->deleteLater();
    act(box);
  });
  poll->start(10);
}

struct OpenerCase {
  const char* name;
  const char* content;  // the message that opens the box
  QMessageBox::StandardButton answer;
};

void PrintTo(const OpenerCase& c, std::ostream* out) { *out << c.name; }

class BoxFromAMessage : public StationWindowsTest,
                        public ::testing::WithParamInterface<OpenerCase> {
 protected:
  void SetUp() override {
    ASSERT_EQ(Create({"-name", "AlphaStation", "-port", "0", "-ans", "-unknown-"}), 0);
    // An interceptor of the station's, on station: a request for it asks.
    LoadMap({"ssww", "wwss"});
    ASSERT_EQ(doc.ParseInterceptors("(tell :number 1 :0 (tell :name Falcon :id I-1 :lat 1100 "
                                    ":lon 1100 :maxspeed 100 :scope land))"),
              1);
    doc.FindInterceptor("I-1")->SetState(CInterceptor::STATE_ON_STATION);
    // Sim drives the exercise; BravoStation is of the team.
    doc.SetSimulationAgent("Sim");
    doc.AddTeamMember("BravoStation");
    sim = Start("Sim", &simHost);
    bravo = Start("BravoStation", &bravoHost);
  }

  Peer* Start(const char* name, CAgentHost* host) {
    auto owned = std::make_unique<Peer>(name);
    Peer* peer = owned.get();
    host->AssignContainer(std::move(owned));
    EXPECT_NE(host->CreateContainer(&peerLine, 1), 0);
    testsupport::know_agent(peer->get_communicator(), "AlphaStation",
                            frame->GetAgent()->get_communicator()->get_port());
    return peer;
  }

  size_t Received() { return frame->GetConversationLog().GetIncoming().size(); }

  CCommandLine peerLine;
  CAgentHost simHost;
  CAgentHost bravoHost;
  Peer* sim = nullptr;
  Peer* bravo = nullptr;  // sends on a connection of its own
};

TEST_P(BoxFromAMessage, HoldsTheNextMessageUntilItIsAnswered) {
  size_t receivedWhileOpen = 0;
  size_t costsWhileOpen = 1;
  bool opened = false;
  const auto& costs = doc.GetTeamCosts();
  WhenBoxOpens(frame.get(), [&](QMessageBox* box) {
    opened = true;
    EXPECT_TRUE(bravo->Tell("AlphaStation", "tell :command mission_cost :totalCost 120"));
    QTest::qWait(300);  // the box's own loop turns meanwhile
    receivedWhileOpen = Received();
    costsWhileOpen = costs.size();
    box->button(GetParam().answer)->click();
  });
  ASSERT_TRUE(sim->Tell("AlphaStation", GetParam().content));
  ASSERT_TRUE(QTest::qWaitFor([&] { return costs.count("BravoStation") != 0; }, 10000));
  EXPECT_TRUE(opened);
  EXPECT_EQ(receivedWhileOpen, 1u);
  EXPECT_EQ(costsWhileOpen, 0u);
  EXPECT_EQ(Received(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Openers, BoxFromAMessage,
    ::testing::Values(
        OpenerCase{"MissionComplete", "tell :command mission_complete :msg (Done.)",
                   QMessageBox::Ok},
        OpenerCase{"RequestForAnInterceptor",
                   "tell :command request :resource Interceptor :id I-1", QMessageBox::No}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace stationui
