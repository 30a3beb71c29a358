#include "Toolwick/commandline.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Toolwick/parameter.h"

namespace {

// An argument vector of exactly the given entries on the heap, so that a read
// past its end shows up under the address sanitizer. A null pointer in
// `args` stands for a null entry.
class Args {
 public:
  Args(std::initializer_list<const char*> args) {
    for (const char* a : args) texts_.emplace_back(a != nullptr ? a : "");
    vector_ = std::make_unique<char*[]>(args.size());
    size_t i = 0;
    for (const char* a : args) {
      vector_[i] = a != nullptr ? texts_[i].data() : nullptr;
      ++i;
    }
    argc_ = static_cast<int>(args.size());
  }
  int argc() const { return argc_; }
  char** argv() const { return vector_.get(); }

 private:
  std::vector<std::string> texts_;
  std::unique_ptr<char*[]> vector_;
  int argc_ = 0;
};

struct Option {
  std::string name;
  std::string value;  // "(none)" when the option has no value
  bool operator==(const Option&) const = default;
};

std::vector<Option> options(CCommandLine& line) {
  std::vector<Option> out;
  for (CListElement* e = line.get_first_element(); e != nullptr; e = line.get_next_element()) {
    auto* p = dynamic_cast<CParameter*>(e);
    EXPECT_NE(p, nullptr);
    if (p == nullptr) continue;
    out.push_back({p->get_name(), p->get_value() != nullptr ? p->get_value() : "(none)"});
  }
  return out;
}

TEST(CommandLine, Defaults) {
  CCommandLine line;
  EXPECT_STREQ(line.get_name(), "command_line");
  EXPECT_EQ(line.get_btype(), BTYPE_LIST);
  EXPECT_EQ(line.get_argc(), 0);
  EXPECT_EQ(line.get_argv(), nullptr);
  EXPECT_STREQ(CCommandLine("other").get_name(), "other");
}

TEST(CommandLine, OptionsTakeTheFollowingArgument) {
  Args args{"station", "-name", "A", "-port", "6678", "file", nullptr};
  CCommandLine line;
  line.parse_commandline(args.argc() - 1, args.argv());
  EXPECT_EQ(line.get_argc(), args.argc() - 1);
  EXPECT_EQ(line.get_argv(), args.argv());
  EXPECT_EQ(options(line), (std::vector<Option>{{"name", "A"}, {"port", "6678"}}));
  EXPECT_STREQ(line.find_token("port"), "6678");
  EXPECT_STREQ(line.find_token("-port"), "6678");
  EXPECT_STREQ(line.find_token("name"), "A");
  EXPECT_EQ(line.find_token("--port"), nullptr);
  EXPECT_EQ(line.find_token("Port"), nullptr);
  EXPECT_EQ(line.find_token("file"), nullptr);
  EXPECT_EQ(line.find_token(nullptr), nullptr);
}

TEST(CommandLine, ValueIsTakenWhateverItIs) {
  Args args{"-a", "-b", "x"};
  CCommandLine line;
  line.parse_commandline(args.argc(), args.argv());
  EXPECT_EQ(options(line), (std::vector<Option>{{"a", "-b"}, {"b", "x"}}));
}

TEST(CommandLine, FirstOfTwoEqualOptionsIsFound) {
  Args args{"-v", "1", "-v", "2"};
  CCommandLine line;
  line.parse_commandline(args.argc(), args.argv());
  EXPECT_STREQ(line.find_token("v"), "1");
}

TEST(CommandLine, LastOptionHasNoValue) {
  // No null entry after the last argument: argc bounds the reading.
  Args args{"prog", "-debug"};
  CCommandLine line;
  line.parse_commandline(args.argc(), args.argv());
  EXPECT_EQ(options(line), (std::vector<Option>{{"debug", "(none)"}}));
  EXPECT_EQ(line.find_token("debug"), nullptr);
}

TEST(CommandLine, NullEntriesArePassedOver) {
  Args args{"-a", nullptr, "-b", "y", nullptr};
  CCommandLine line;
  line.parse_commandline(args.argc(), args.argv());
  EXPECT_EQ(options(line), (std::vector<Option>{{"a", "(none)"}, {"b", "y"}}));
}

TEST(CommandLine, ParseReplacesTheOptions) {
  Args first{"-a", "1"};
  Args second{"-b", "2"};
  CCommandLine line;
  line.parse_commandline(first.argc(), first.argv());
  line.parse_commandline(second.argc(), second.argv());
  EXPECT_EQ(options(line), (std::vector<Option>{{"b", "2"}}));
  EXPECT_EQ(line.find_token("a"), nullptr);

  // A null vector empties the list and keeps no vector.
  line.parse_commandline(3, nullptr);
  EXPECT_EQ(line.get_nr_elements(), 0);
  EXPECT_EQ(line.get_argc(), 0);
  EXPECT_EQ(line.get_argv(), nullptr);
}

TEST(CommandLine, ValuesAreCopies) {
  Args args{"-name", "A"};
  CCommandLine line;
  line.parse_commandline(args.argc(), args.argv());
  args.argv()[1][0] = 'Z';
  EXPECT_STREQ(line.find_token("name"), "A");
}

}  // namespace
