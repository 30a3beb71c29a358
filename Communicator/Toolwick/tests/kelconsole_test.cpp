#include "Toolwick/kelconsole.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "Toolwick/chromosome.h"
#include "Toolwick/dna.h"

namespace {

// A list box that records every insertion.
struct RecordingListBox : CListBox {
  int InsertString(int index, const char* text) override {
    entries.emplace_back(index, text);
    return static_cast<int>(entries.size()) - 1;
  }
  std::vector<std::pair<int, std::string>> entries;
};

struct StdoutCase {
  const char* name;
  std::string message;
  std::string printed;
};

void PrintTo(const StdoutCase& c, std::ostream* out) { *out << c.name; }

class KelConsoleStdout : public testing::TestWithParam<StdoutCase> {};

TEST_P(KelConsoleStdout, EndsEveryMessageWithOneLineFeed) {
  CKelConsole console;
  testing::internal::CaptureStdout();
  console.dprintf("%s", GetParam().message.c_str());
  EXPECT_EQ(testing::internal::GetCapturedStdout(), GetParam().printed);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, KelConsoleStdout,
    testing::Values(StdoutCase{"Plain", "hello", "hello\n"},
                    StdoutCase{"EndsWithALineFeed", "hello\n", "hello\n"},
                    StdoutCase{"Empty", "", "\n"},
                    StdoutCase{"TwoLines", "two\nlines", "two\nlines\n"},
                    // Longer than the old fixed buffer.
                    StdoutCase{"LongerThanTheOldBuffer", std::string(5000, 'x'),
                               std::string(5000, 'x') + "\n"}),
    [](const testing::TestParamInfo<StdoutCase>& info) { return info.param.name; });

TEST(KelConsole, FormatsArguments) {
  CKelConsole console;
  testing::internal::CaptureStdout();
  console.dprintf("<%s> %d", "agent", 42);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "<agent> 42\n");
}

TEST(KelConsole, ListBoxTakesTextAsNewLastEntry) {
  CKelConsole console;
  RecordingListBox box;
  console.assign_listbox(&box);
  const std::string long_text(3000, 'y');
  testing::internal::CaptureStdout();
  console.dprintf("first %d", 1);
  console.dprintf("%s", long_text.c_str());
  console.dprintf("ends\n");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  using Entry = std::pair<int, std::string>;
  EXPECT_EQ(box.entries,
            (std::vector<Entry>{{-1, "first 1"}, {-1, long_text}, {-1, "ends\n"}}));

  // Back to standard output.
  console.assign_listbox(nullptr);
  testing::internal::CaptureStdout();
  console.dprintf("again");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "again\n");
  EXPECT_EQ(box.entries.size(), 3u);
}

TEST(Chromosome, HoldsNothing) {
  CChromosome chromosome;
  CDNA gene("gene");
  chromosome.add_gene(&gene);
  EXPECT_EQ(chromosome.get_dna(), nullptr);
  EXPECT_STREQ(gene.get_name(), "gene");
}

}  // namespace
