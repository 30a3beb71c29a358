#include "Sidewick/progress.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A progress dialog that notes what the task reports.
class RecordingProgress : public CProgress {
 public:
  RecordingProgress() : CProgress(128, nullptr) {}
  void set_text(const char* text) override { calls.push_back(std::string("text ") + text); }
  void update(int position) override { calls.push_back("update " + std::to_string(position)); }
  void set_range(int low, int high) override {
    calls.push_back("range " + std::to_string(low) + " " + std::to_string(high));
  }
  void reset() override { calls.emplace_back("reset"); }
  std::vector<std::string> calls;
};

// A long task as it reports through any progress dialog.
void copy_files(CProgress& progress, int files) {
  progress.set_range(0, files);
  for (int i = 1; i <= files; ++i) {
    progress.set_text(("file " + std::to_string(i)).c_str());
    progress.update(i);
  }
  progress.reset();
}

TEST(Progress, TaskReportsThroughTheFourHooks) {
  RecordingProgress progress;
  copy_files(progress, 2);
  EXPECT_EQ(progress.calls, (std::vector<std::string>{"range 0 2", "text file 1", "update 1",
                                                      "text file 2", "update 2", "reset"}));
  EXPECT_EQ(progress.get_template_id(), 128u);
  EXPECT_EQ(progress.get_parent(), nullptr);
}

}  // namespace
