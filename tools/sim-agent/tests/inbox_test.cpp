// What an await takes from the messages the agent has received: the
// command, the receiver, the sender and keyword values, each message once.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "simagent.h"

namespace {

// As the station's communicator writes them.
std::string message(const char* sender, const char* receiver, const char* content) {
  return std::string("(tell :sender ") + sender + " :receiver " + receiver +
         " :ontology default-language :language default-ontology :reply-with Dur32O1"
         " :in-reply-to   :forward-to   :content (  " + content + " ))";
}

// An agent that has received the station's usual answers (never started:
// nothing here needs its communicator).
void receive_all(CSimAgent* agent) {
  for (std::string text :
       {message("AlphaStation", "sim", "tell :command init_sim :comfirm (AlphaStation)"),
        message("AlphaStation", "BravoStation", "tell :command mission_cost :totalCost 3"),
        message("AlphaStation", "sim", "tell :command mission_cost :totalCost 4"),
        message("AlphaStation", "BravoStation",
                "tell :command request-response :id I-101 :acknowledgement no"),
        std::string("no message at all")}) {
    agent->process_message(text.data());
  }
}

struct TakeCase {
  const char* name;
  Expectation expect;
  bool taken;
};

void PrintTo(const TakeCase& c, std::ostream* out) { *out << c.name; }

class InboxTake : public testing::TestWithParam<TakeCase> {};

TEST_P(InboxTake, FindsOnlyAMessageThatMeetsEveryCondition) {
  CSimAgent agent;
  receive_all(&agent);
  EXPECT_EQ(agent.take(GetParam().expect), GetParam().taken);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InboxTake,
    testing::Values(
        TakeCase{"CommandToItself", {"init_sim", {}, "", "sim"}, true},
        TakeCase{"SameCommandToSomeoneElse", {"init_sim", {}, "", "BravoStation"}, false},
        TakeCase{"TeammatesCopy", {"mission_cost", {}, "", "BravoStation"}, true},
        TakeCase{"CommandIsCaseSensitive", {"Init_Sim", {}, "", "sim"}, false},
        TakeCase{"KeywordIsNoCommand", {"comfirm", {}, "", "sim"}, false},
        TakeCase{"ValueAsItStands", {"init_sim", {{"comfirm", "(AlphaStation)"}}, "", "sim"},
                 true},
        TakeCase{"ValueWithoutItsParentheses",
                 {"init_sim", {{"comfirm", "AlphaStation"}}, "", "sim"}, false},
        TakeCase{"ValueOfTheRightOneOfTwo",
                 {"mission_cost", {{"totalCost", "4"}}, "", "sim"}, true},
        TakeCase{"ValueOfTheOtherReceiversCopy",
                 {"mission_cost", {{"totalCost", "3"}}, "", "sim"}, false},
        TakeCase{"KeywordPresent",
                 {"request-response", {{"acknowledgement", "*"}}, "", "BravoStation"}, true},
        TakeCase{"KeywordMissing", {"init_sim", {{"scenario", "*"}}, "", "sim"}, false},
        TakeCase{"EveryFieldMustMatch",
                 {"request-response", {{"id", "I-101"}, {"acknowledgement", "yes"}}, "",
                  "BravoStation"},
                 false},
        TakeCase{"Sender", {"init_sim", {}, "AlphaStation", "sim"}, true},
        TakeCase{"OtherSender", {"init_sim", {}, "BravoStation", "sim"}, false}),
    [](const testing::TestParamInfo<TakeCase>& info) { return std::string(info.param.name); });

TEST(Inbox, EachMessageIsTakenOnceAndTheOthersStay) {
  CSimAgent agent;
  receive_all(&agent);
  receive_all(&agent);
  const Expectation cost{"mission_cost", {}, "", "sim"};
  EXPECT_TRUE(agent.take(cost));
  EXPECT_TRUE(agent.take(cost));
  EXPECT_FALSE(agent.take(cost));
  // Taking those left the earlier and the other messages in place.
  EXPECT_TRUE(agent.take({"init_sim", {}, "", "sim"}));
  EXPECT_TRUE(agent.take({"init_sim", {}, "", "sim"}));
  EXPECT_FALSE(agent.take({"init_sim", {}, "", "sim"}));
  EXPECT_TRUE(agent.take({"mission_cost", {}, "", "BravoStation"}));
}

}  // namespace
