// The conversation log keeps each way's newest messages, whole, within its
// bound on their bytes.
#include "TesselStation/conversationlog.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// A text of `bytes` bytes that starts with its index.
std::string Text(size_t index, size_t bytes) {
  std::string text = std::to_string(index) + " ";
  text.resize(bytes, 'x');
  return text;
}

TEST(ConversationLog, KeepsMessagesOfAMegabyteWholeWithinItsBytes) {
  constexpr size_t kMessage = size_t{1} << 20;
  CConversationLog log;
  for (size_t i = 0; i < 10; ++i) {
    log.AddIncoming(Text(i, kMessage).c_str());
    log.AddOutgoing("tell", "Sim", Text(i, kMessage).c_str());
  }
  // Four whole megabytes are more than the bound once the outgoing
  // performative and receiver count.
  const size_t in = CConversationLog::kKeptBytes / kMessage;
  ASSERT_EQ(log.GetIncoming().size(), in);
  ASSERT_EQ(log.GetOutgoing().size(), in - 1);
  for (size_t k = 0; k < in; ++k) EXPECT_EQ(log.GetIncoming()[k], Text(10 - in + k, kMessage));
  EXPECT_EQ(log.GetOutgoing().front().content, Text(10 - in + 1, kMessage));
  EXPECT_LE(log.GetIncomingBytes(), CConversationLog::kKeptBytes);
  EXPECT_LE(log.GetOutgoingBytes(), CConversationLog::kKeptBytes);
}

TEST(ConversationLog, AMessageLongerThanTheBoundIsKeptCutToIt) {
  CConversationLog log;
  log.AddIncoming("first");
  log.AddIncoming(Text(1, CConversationLog::kKeptBytes + 100).c_str());
  log.AddOutgoing("tell", "Sim", Text(1, CConversationLog::kKeptBytes + 100).c_str());
  ASSERT_EQ(log.GetIncoming().size(), 1u);
  EXPECT_EQ(log.GetIncoming()[0], Text(1, CConversationLog::kKeptBytes));
  ASSERT_EQ(log.GetOutgoing().size(), 1u);
  EXPECT_EQ(log.GetOutgoing()[0].performative, "tell");
  EXPECT_EQ(log.GetOutgoing()[0].content, Text(1, CConversationLog::kKeptBytes - 7));
}

}  // namespace
