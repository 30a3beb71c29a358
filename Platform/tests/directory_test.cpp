#include "Platform/directory.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

std::vector<std::string> names(const std::vector<platform::DirEntry>& entries) {
  std::vector<std::string> out;
  for (const auto& e : entries) out.push_back(e.name + (e.is_directory ? "/" : ""));
  return out;
}

class DirectoryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TempDir::write(dir.file("b.txt"), "b");
    TempDir::write(dir.file("a.log"), "a");
    TempDir::write(dir.file("noext"), "n");
    mkdir(dir.file("sub").c_str(), 0700);
  }
  TempDir dir;
};

TEST_F(DirectoryTest, EveryEntrySortedWithDotsForStarDotStar) {
  std::vector<platform::DirEntry> entries;
  ASSERT_TRUE(platform::list_directory(dir.path(), "*.*", &entries));
  EXPECT_EQ(names(entries),
            (std::vector<std::string>{"./", "../", "a.log", "b.txt", "noext", "sub/"}));
}

TEST_F(DirectoryTest, PatternAndTrailingSeparators) {
  for (const std::string& base : {dir.path(), dir.path() + "/", dir.path() + "\\"}) {
    std::vector<platform::DirEntry> entries;
    ASSERT_TRUE(platform::list_directory(base, "*.txt", &entries)) << base;
    EXPECT_EQ(names(entries), std::vector<std::string>{"b.txt"}) << base;
  }
}

TEST(Directory, MissingDirectoryFails) {
  std::vector<platform::DirEntry> entries{{"stale", false}};
  EXPECT_FALSE(platform::list_directory("/nonexistent/tessel", "*.*", &entries));
  EXPECT_TRUE(entries.empty());
}

}  // namespace
