#include "Taskwick/planningagent.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Lexwick/parser.h"
#include "Platform/messagesink.h"
#include "Platform/tests/looptest.h"
#include "testsupport/agentpeer.h"
#include "testsupport/childprocess.h"
#include "testsupport/logfile.h"
#include "testsupport/messagepeer.h"
#include "testsupport/tempdir.h"

namespace {

using Calls = std::vector<std::string>;

// A solver that notes its hooks and what the agent gave it.
class RecordingSolver : public CProblemSolver {
 public:
  void process() override { calls.push_back("process"); }
  void post_process() override { calls.push_back("post_process"); }
  Calls calls;
};

// A planner on a port the system chooses, with the name server given.
class TestPlanner : public CPlanningAgent {
 public:
  TestPlanner(const char* name, unsigned ans_port) : CPlanningAgent(name), ans_port_(ans_port) {
    set_lookup_config(ans_port != 0 ? LOOKUP_CONFIG_ANS : LOOKUP_CONFIG_NONE);
  }
  int process_create() override {
    get_communicator()->set_port(0);
    if (ans_port_ != 0) get_communicator()->comm_setansinfo("127.0.0.1", ans_port_);
    return 1;
  }

 private:
  unsigned ans_port_;
};

class PlanningAgentTest : public LoopTest {
 protected:
  // Starts a planner in a host; it lives while the host does.
  TestPlanner* start(const char* name = "Planner", unsigned ans_port = 0) {
    auto owned = std::make_unique<TestPlanner>(name, ans_port);
    TestPlanner* planner = owned.get();
    planner->set_file(dir.file("planner.log").c_str());
    host = std::make_unique<CAgentHost>();
    host->AssignContainer(std::move(owned));
    EXPECT_EQ(host->CreateContainer(&command_line, 1), 1);
    return planner;
  }
  // Enters `peer` in the planner's service table as agent `name`.
  static void enter(CPlanningAgent* planner, const char* name,
                    const testsupport::MessagePeer& peer) {
    testsupport::know_agent(planner->get_communicator(), name, peer.port());
  }
  bool wait_for(const std::function<bool()>& done) {
    for (int round = 0; round < 250 && !done(); ++round) loop.process_events(20);
    return done();
  }
  // True when the log that the agent's parts share holds a line ending in `text`.
  bool logged(const std::string& text) const {
    return testsupport::TempDir::read(dir.file("planner.log")).find("] " + text + "\n") !=
           std::string::npos;
  }

  testsupport::TempDir dir;  // reply-with identifiers keep their state files here
  CCommandLine command_line;
  std::unique_ptr<CAgentHost> host;  // last: it goes first
};

TEST_F(PlanningAgentTest, SolverBeforeTheCommunicatorIsRefusedWithABox) {
  platform::MessageRecorder boxes;
  CPlanningAgent planner("Planner");
  RecordingSolver solver;
  planner.SetProblemSolver(&solver);
  EXPECT_EQ(boxes.texts(),
            Calls{"You are trying to assign a planner that does not have a Communicator yet!"});
  EXPECT_EQ(planner.GetProblemSolver(), nullptr);
  EXPECT_EQ(solver.GetCommunicator(), nullptr);
  EXPECT_EQ(solver.GetActionCodes(), nullptr);
  EXPECT_STREQ(planner.get_name(), "Planner");
  EXPECT_STREQ(planner.get_type(), "CBasicAgent");
}

TEST_F(PlanningAgentTest, WithoutSolverEveryMessageAnswersOneAndNothingRuns) {
  CPlanningAgent planner;
  char text[] = "(tell :sender A :content (x))";
  EXPECT_EQ(planner.process_message(text), 1);
  planner.process_timer();
  EXPECT_EQ(planner.GetScheduler()->get_nr_elements(), 0);
}

TEST_F(PlanningAgentTest, SolverGetsTheAgentsPartsAndSharedActionCodes) {
  TestPlanner* planner = start();
  CCommunicator* communicator = planner->get_communicator();
  RecordingSolver first;
  planner->SetProblemSolver(&first);
  EXPECT_EQ(planner->GetProblemSolver(), &first);
  EXPECT_EQ(first.GetCommunicator(), communicator);
  EXPECT_EQ(first.GetBeliefDB(), planner->get_belief_db());
  CPSActionCodes* codes = first.GetActionCodes();
  ASSERT_NE(codes, nullptr);
  EXPECT_EQ(codes->GetCommunicator(), nullptr);  // the solver sets it when it wants to send
  // Solver, scheduler and action codes write to the communicator's log.
  ASSERT_NE(communicator->get_file_pointer(), nullptr);
  EXPECT_EQ(first.get_file_pointer(), communicator->get_file_pointer());
  EXPECT_EQ(planner->GetScheduler()->get_file_pointer(), communicator->get_file_pointer());
  EXPECT_EQ(codes->get_file_pointer(), communicator->get_file_pointer());

  // A second solver gets the same action codes: the first one's stay valid.
  RecordingSolver second;
  planner->SetProblemSolver(&second);
  EXPECT_EQ(planner->GetProblemSolver(), &second);
  EXPECT_EQ(second.GetActionCodes(), codes);
  EXPECT_EQ(first.GetActionCodes(), codes);
  codes->GenericAction("still here");
  EXPECT_TRUE(logged("CPSActionCodes::GenericAction: Message = still here"));

  planner->SetProblemSolver(nullptr);
  EXPECT_EQ(planner->GetProblemSolver(), nullptr);
  char text[] = "(tell :sender A :content (x))";
  EXPECT_EQ(planner->process_message(text), 1);
  EXPECT_TRUE(second.calls.empty());
}

TEST_F(PlanningAgentTest, SendsGoWithTheirFieldsAndAnswerOne) {
  TestPlanner* planner = start();
  testsupport::MessagePeer peer;
  enter(planner, "Peer", peer);
  CPSActionCodes codes;
  EXPECT_EQ(codes.send_ask("Peer", "(lookup :name x)"), 0);  // no communicator yet
  EXPECT_EQ(codes.send_message("tell", "l", "o", "Peer", "x"), 0);
  EXPECT_EQ(peer.next(200), "");

  codes.SetCommunicator(planner->get_communicator());
  struct Sent {
    std::string performative, receiver, ontology, language, content;
  };
  const auto read = [&peer] {
    CParser parser;
    if (parser.parse_message(peer.next().c_str()) != 1) return Sent{};
    return Sent{parser.find_performative(), parser.find_receiver(), parser.find_ontology(),
                parser.find_language(), parser.find_content()};
  };
  EXPECT_EQ(codes.send_ask("Peer", "(lookup :name x)"), 1);
  const Sent ask = read();
  EXPECT_EQ(ask.performative, "ask");
  EXPECT_EQ(ask.receiver, "Peer");
  EXPECT_EQ(ask.ontology, "default-language");
  EXPECT_EQ(ask.language, "default-ontology");
  EXPECT_EQ(ask.content, "(  (lookup :name x) )");

  EXPECT_EQ(codes.send_message("achieve", "fipa", "plans", "Peer", "(step :n 1)"), 1);
  const Sent achieve = read();
  EXPECT_EQ(achieve.performative, "achieve");
  EXPECT_EQ(achieve.language, "fipa");
  EXPECT_EQ(achieve.ontology, "plans");
  EXPECT_EQ(achieve.content, "(  (step :n 1) )");
}

TEST_F(PlanningAgentTest, SendsThatDoNotGoAnswerZeroAndLogWhy) {
  TestPlanner* planner = start();
  // "Gone" is known but nobody listens at its port any more.
  {
    testsupport::MessagePeer gone;
    enter(planner, "Gone", gone);
  }
  struct Case {
    const char* receiver;
    std::string line;  // the beginning of the log line
  };
  const Case cases[] = {
      {"Nobody",
       "<CPSActionCodes> Unable to send message to [Nobody]: <CCommunicator> Error looking up "
       "[Nobody] in network belief DB"},
      {"Gone", "<CPSActionCodes> Unable to send message to [Gone]: <CCommunicator> Error ["},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.receiver);
    CPSActionCodes codes;
    codes.set_file(dir.file("codes.log").c_str());
    codes.SetCommunicator(planner->get_communicator());
    EXPECT_EQ(codes.send_ask(c.receiver, "(x)"), 0);
    EXPECT_EQ(codes.send_message("tell", "l", "o", c.receiver, "(x)"), 0);
    const Lines lines = log_messages(dir.file("codes.log"));
    ASSERT_EQ(lines.size(), 2u);
    for (const std::string& line : lines) EXPECT_EQ(line.rfind(c.line, 0), 0u) << line;
  }
}

TEST_F(PlanningAgentTest, SchedulerKeepsTasksAndRefusesNull) {
  CPlanningScheduler scheduler;
  scheduler.set_file(dir.file("scheduler.log").c_str());
  scheduler.add_task(nullptr);
  EXPECT_EQ(scheduler.get_nr_elements(), 0);
  auto* task = new CTaskBase;
  CPSActionCodes codes;
  task->set_action_code(&codes);
  scheduler.add_task(task);
  ASSERT_EQ(scheduler.get_nr_elements(), 1);
  EXPECT_EQ(scheduler.get_element(0), task);
  EXPECT_EQ(task->get_action_code(), &codes);
  EXPECT_EQ(task->get_file_pointer(), scheduler.get_file_pointer());
  scheduler.process_timer();
  EXPECT_EQ(scheduler.get_nr_elements(), 1);
  EXPECT_EQ(log_messages(dir.file("scheduler.log")),
            Lines{"<CPlanningScheduler> Attempting to add a NULL task, aborting"});
}

// The whole road: a planner registered with the name server asks an echo
// agent, and the echo's answer runs the solver's hooks.
TEST_F(PlanningAgentTest, SolverAsksAnEchoAgentAndItsAnswerRunsTheSolver) {
  childtest::ChildProcess server;
  const unsigned ans_port = childtest::start_ans_server(&server, TESSEL_ANS_SERVER);
  ASSERT_NE(ans_port, 0u);
  childtest::ChildProcess echo;
  ASSERT_TRUE(echo.start(TESSEL_ECHO_AGENT, {"-name", "Echo", "-port", "0", "-ans", "127.0.0.1",
                                             "-ansport", std::to_string(ans_port)}));
  std::string line;
  ASSERT_TRUE(echo.read_line(&line));  // listening
  ASSERT_TRUE(echo.read_line(&line));
  ASSERT_EQ(line.rfind("registered with the name server", 0), 0u) << line;

  TestPlanner* planner = start("Planner", ans_port);
  ASSERT_EQ(planner->get_communicator()->is_registered(), 1);
  RecordingSolver solver;
  planner->SetProblemSolver(&solver);
  solver.GetActionCodes()->SetCommunicator(solver.GetCommunicator());

  char host_name[CCommunicator::kHostSize] = {};
  unsigned port = 0;
  ASSERT_EQ(planner->get_communicator()->comm_lookup("Echo", host_name, &port), nullptr);
  EXPECT_EQ(solver.GetActionCodes()->send_ask("Echo", "hello planner"), 1);
  ASSERT_TRUE(wait_for([&] { return solver.calls.size() == 2; }));
  EXPECT_EQ(solver.calls, (Calls{"process", "post_process"}));

  ASSERT_TRUE(echo.read_line(&line));
  EXPECT_EQ(line, "received from Planner: hello planner");
  ASSERT_TRUE(echo.read_line(&line));
  EXPECT_EQ(line, "replied to Planner");
}

}  // namespace
