#include "Platform/task.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using platform::Task;

// A task whose callable counts its calls in `*calls`; its captures live as
// long as the callable does.
struct Case {
  std::string name;
  std::function<Task(std::shared_ptr<int> calls)> make;
};

// Failures name the case.
void PrintTo(const Case& c, std::ostream* out) { *out << c.name; }

class TaskTest : public ::testing::TestWithParam<Case> {};

TEST_P(TaskTest, RunsMovesAndDestroysItsCallableOnce) {
  auto calls = std::make_shared<int>(0);
  Task task = GetParam().make(calls);
  ASSERT_TRUE(task);
  EXPECT_EQ(calls.use_count(), 2);

  Task moved = std::move(task);
  EXPECT_FALSE(task);  // NOLINT(bugprone-use-after-move): a moved-from task is empty
  task();              // and does nothing
  moved();
  moved();
  EXPECT_EQ(*calls, 2);
  EXPECT_EQ(calls.use_count(), 2);

  // Assigning over a task destroys the callable it held.
  moved = GetParam().make(calls);
  EXPECT_EQ(calls.use_count(), 2);
  moved = Task();
  EXPECT_EQ(calls.use_count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Callables, TaskTest,
    ::testing::Values(
        Case{"SmallKeptInside",
             [](std::shared_ptr<int> calls) { return Task([calls] { ++*calls; }); }},
        Case{"LargeOnTheHeap",
             [](std::shared_ptr<int> calls) {
               std::array<char, 4 * Task::kInlineSize> padding{};
               return Task([calls, padding] { *calls += 1 + padding[0]; });
             }},
        Case{"AStdFunction",
             [](std::shared_ptr<int> calls) {
               std::function<void()> call = [calls] { ++*calls; };
               return Task(call);
             }}),
    [](const ::testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
