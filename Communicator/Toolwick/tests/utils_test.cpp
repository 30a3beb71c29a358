#include "Toolwick/utils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

std::vector<std::string> names(CLList* list) {
  std::vector<std::string> out;
  if (list == nullptr) return out;
  for (CListElement* e = list->get_first_element(); e != nullptr; e = list->get_next_element()) {
    out.push_back(e->get_name() != nullptr ? e->get_name() : "(null)");
  }
  return out;
}

using InPlace = char* (CUtils::*)(char*);

TEST(Utils, InPlaceStripping) {
  struct Case {
    InPlace op;
    const char* text;
    const char* result;
  };
  const std::vector<Case> cases = {
      {&CUtils::remove_brackets, "(a (b) c)", "a (b) c"},
      {&CUtils::remove_brackets, "abc", "abc"},
      {&CUtils::remove_brackets, "x)", "x"},
      {&CUtils::remove_brackets, ")", ""},
      {&CUtils::remove_parenthesis, "((a))", "(a)"},
      {&CUtils::remove_angle_brackets, "<tag>", "tag"},
      {&CUtils::remove_square_brackets, "[1,2]", "1,2"},
      {&CUtils::remove_curly_brackets, "{GUID}", "GUID"},
      {&CUtils::remove_quotes, "\"quoted\"", "quoted"},
      {&CUtils::remove_quotes, "trailing\"", "trailing"},
      {&CUtils::remove_quotes, "\"", ""},
      {&CUtils::remove_quotes, "", ""},
      {&CUtils::remove_spaces, "   x y", "x y"},
      {&CUtils::to_formatted, "a b  c", "a_b__c"},
      {&CUtils::from_formatted, "a_b", "a b"},
  };
  CUtils utils;
  for (const Case& c : cases) {
    std::string text = c.text;
    EXPECT_STREQ((utils.*c.op)(text.data()), c.result) << c.text;
    EXPECT_EQ((utils.*c.op)(nullptr), nullptr);
  }
}

TEST(Utils, BlanksAndLineEnds) {
  CUtils utils;
  EXPECT_EQ(utils.is_empty_space(nullptr), 1);
  EXPECT_EQ(utils.is_empty_space(""), 1);
  EXPECT_EQ(utils.is_empty_space("   "), 1);
  EXPECT_EQ(utils.is_empty_space(" x "), 0);
  EXPECT_EQ(utils.is_empty_space("\t"), 0);
  std::string text = "a\nb\rc\x04" "d";
  utils.clean(text.data());
  EXPECT_EQ(text, "a b c d");
  utils.clean(nullptr);
  std::string dos = "a\r\nb";
  utils.unix2dos(dos.data());
  EXPECT_EQ(dos, "a \nb");
}

TEST(Utils, TokenizeAndTokenator) {
  CUtils utils;
  CLList list;
  const char* text = "a,,b,";
  utils.tokenize(text, ',', &list);
  EXPECT_EQ(names(&list), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_STREQ(text, "a,,b,");
  utils.tokenize(nullptr, ',', &list);
  utils.tokenize("x", ',', nullptr);

  CLList abc;
  for (const char* n : {"a", "b", "c"}) abc.add_element(new CListElement(n));
  abc.add_element(new CListElement());
  EXPECT_STREQ(utils.tokenator(':', &abc).get(), "a:b:c");
  CLList one;
  one.add_element(new CListElement("a"));
  EXPECT_STREQ(utils.tokenator(':', &one).get(), "a");
  CLList none;
  none.add_element(new CListElement());
  EXPECT_STREQ(utils.tokenator(':', &none).get(), "");
  EXPECT_FALSE(utils.tokenator(':', nullptr).is_set());

  utils.cllist_uppr(&abc);
  EXPECT_EQ(names(&abc), (std::vector<std::string>{"A", "B", "C", "(null)"}));
  utils.cllist_uppr(nullptr);
}

TEST(Utils, ReplaceKeyword) {
  CUtils utils;
  std::string text = "Hello <name>!";
  EXPECT_STREQ(utils.replace_keyword(text.data(), "name", "Bob").get(), "Hello Bob!");
  EXPECT_STREQ(text.c_str(), "Hello ");
  std::string again = "<x><x>";
  EXPECT_STREQ(utils.replace_keyword(again.data(), "x", nullptr).get(), "<x>");
  std::string missing = "no key";
  EXPECT_FALSE(utils.replace_keyword(missing.data(), "name", "v").is_set());
  EXPECT_EQ(missing, "no key");
  EXPECT_FALSE(utils.replace_keyword(nullptr, "name", "v").is_set());
  EXPECT_FALSE(utils.replace_keyword(missing.data(), nullptr, "v").is_set());
}

TEST(Utils, HomeAndWorkingDirectory) {
  TempDir dir;
  CUtils utils;
  setenv("VERANTA", "/opt/veranta", 1);
  EXPECT_STREQ(utils.get_home(), "/opt/veranta");
  unsetenv("VERANTA");
  EXPECT_EQ(utils.get_home(), nullptr);
  char real[4096];
  ASSERT_NE(realpath(dir.path().c_str(), real), nullptr);
  EXPECT_STREQ(utils.get_pwd(), real);
}

TEST(Utils, ReplyWithKeepsTheLastIdentifier) {
  TempDir dir;  // the UUID state files land here
  CUtils utils;
  const std::string first = utils.create_reply_with();
  const char* second = utils.create_reply_with();
  EXPECT_EQ(first.rfind("Dur32O{", 0), 0u);
  EXPECT_EQ(first.size(), 6u + 38u);
  EXPECT_NE(first, second);
  EXPECT_EQ(std::string(second).rfind("Dur32O{", 0), 0u);
}

class UtilsListing : public ::testing::Test {
 protected:
  void SetUp() override {
    mkdir("b-dir", 0700);
    mkdir("a-dir", 0700);
    TempDir::write("z.txt", "");
    TempDir::write("y.log", "");
  }
  TempDir dir;
  CUtils utils;
};

TEST_F(UtilsListing, DirectoriesAndFiles) {
  for (const std::string& path : {dir.path(), dir.path() + "/", dir.path() + "\\"}) {
    EXPECT_EQ(names(utils.dir_list(path.c_str()).get()),
              (std::vector<std::string>{"a-dir", "b-dir"}));
    EXPECT_EQ(names(utils.file_list(path.c_str(), "*.*").get()),
              (std::vector<std::string>{"y.log", "z.txt"}));
    EXPECT_EQ(names(utils.file_list(path.c_str(), "*.txt").get()),
              std::vector<std::string>{"z.txt"});
  }
}

TEST_F(UtilsListing, NothingFoundGivesNull) {
  EXPECT_EQ(utils.dir_list(nullptr), nullptr);
  EXPECT_EQ(utils.dir_list("/nonexistent/tessel"), nullptr);
  EXPECT_EQ(utils.file_list(dir.path().c_str(), "*.none"), nullptr);
  EXPECT_EQ(utils.file_list(nullptr, "*.*"), nullptr);
  EXPECT_EQ(utils.file_list(dir.path().c_str(), nullptr), nullptr);
  mkdir("empty", 0700);
  auto empty = utils.dir_list("empty");  // "." and ".." were found: a list, empty
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->get_nr_elements(), 0);
}

TEST(Utils, StartExecutableReportsEveryFailure) {
  TempDir dir;
  TempDir::write("garbage", "\x7f\x01 not a program");
  chmod("garbage", 0700);
  TempDir::write("plain", "#!/bin/sh\n");
  chmod("plain", 0600);
  TempDir::write("ok.sh", "#!/bin/sh\nexit 0\n");
  chmod("ok.sh", 0700);

  CUtils utils;
  EXPECT_EQ(utils.start_executable(nullptr), nullptr);
  EXPECT_EQ(utils.start_executable(dir.file("ok.sh").c_str()), nullptr);
  EXPECT_STREQ(utils.start_executable("missing"), "Command interpreter cannot be found.");
  EXPECT_STREQ(utils.start_executable("./garbage"),
               "Command-interpreter file has invalid format and is not executable.");
  // Not in the table: the cause itself, never the null that means success.
  EXPECT_STREQ(utils.start_executable("./plain"), "Permission denied");
}

}  // namespace
