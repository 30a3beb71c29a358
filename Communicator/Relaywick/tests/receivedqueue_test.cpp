// The received queue against a plain model: texts, lengths, numbers and byte
// counts as pushed, in order, each text at the address it was given until it
// leaves, whatever mix of pushes and pops of short, block-filling and long
// texts comes.
#include "Relaywick/receivedqueue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <random>
#include <string>

namespace {

struct Kept {
  std::string text;
  const char* address;
  uint64_t number;
};

// Checks `queue` against `model`: its counts, its first and last entries,
// and every text still as it was pushed, at the address it was given.
void expect_same(ReceivedQueue& queue, const std::deque<Kept>& model) {
  ASSERT_EQ(queue.size(), model.size());
  size_t bytes = 0;
  for (const Kept& kept : model) bytes += kept.text.size();
  EXPECT_EQ(queue.bytes(), bytes);
  if (model.empty()) return;
  const ReceivedQueue::Entry& front = queue.front();
  EXPECT_EQ(front.text, model.front().address);
  EXPECT_EQ(std::string(front.text, front.length), model.front().text);
  EXPECT_EQ(front.text[front.length], '\0');
  EXPECT_EQ(front.number, model.front().number);
  const ReceivedQueue::Entry& back = queue.back();
  EXPECT_EQ(back.text, model.back().address);
  EXPECT_EQ(back.number, model.back().number);
  // Every text still reads as it was pushed, where it was pushed.
  for (const Kept& kept : model) {
    EXPECT_EQ(std::memcmp(kept.address, kept.text.data(), kept.text.size()), 0);
    EXPECT_EQ(kept.address[kept.text.size()], '\0');
  }
}

TEST(ReceivedQueue, KeepsTextsInOrderAndInPlaceThroughAnyMixOfPushesAndPops) {
  std::mt19937 random(7);
  ReceivedQueue queue;
  std::deque<Kept> model;
  uint64_t numbered = 0;
  for (int step = 0; step < 20000; ++step) {
    const unsigned choice = random() % 10;
    if (choice < 5 || model.empty()) {
      // Mostly short texts; some about as long as a text that still shares a
      // block, some that nearly fill a block, some longer than one, and
      // empty ones.
      const unsigned kind = random() % 20;
      const size_t length = kind == 0   ? 0
                            : kind == 1 ? ReceivedQueue::kLargestShared - 3 + random() % 6
                            : kind == 2 ? ReceivedQueue::kBlockSize - 1 - random() % 3
                            : kind == 3 ? ReceivedQueue::kBlockSize + random() % 5000
                                        : random() % 300;
      std::string text(length, static_cast<char>('a' + step % 26));
      if (!text.empty()) text.front() = '(';
      const ReceivedQueue::Entry& entry = queue.push(text);
      model.push_back({text, entry.text, ++numbered});
      EXPECT_EQ(entry.number, numbered);
    } else if (choice < 9) {
      queue.pop_front();
      model.pop_front();
    } else {
      queue.pop_back();
      model.pop_back();
    }
    expect_same(queue, model);
    if (HasFailure()) FAIL() << "at step " << step;
  }
  queue.clear();
  EXPECT_TRUE(queue.empty());
  EXPECT_EQ(queue.bytes(), 0u);
  // Numbers go on after a clear: a connection tells texts apart by them.
  EXPECT_EQ(queue.push("next").number, numbered + 1);
}

}  // namespace
