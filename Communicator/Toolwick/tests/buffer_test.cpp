#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "Toolwick/filebuffer.h"
#include "Toolwick/streambuffer.h"
#include "testsupport/tempdir.h"

namespace {

using testsupport::TempDir;

TEST(StreamBuffer, AppendsPieces) {
  CStreamBuffer buffer;
  EXPECT_EQ(buffer.get_buffer(), nullptr);
  buffer.add_to_buffer("ab");
  buffer.add_to_buffer(nullptr);
  buffer.add_to_buffer("c");
  EXPECT_STREQ(buffer.get_buffer(), "abc");
  buffer.add_to_buffer(buffer.get_buffer());  // its own text
  EXPECT_STREQ(buffer.get_buffer(), "abcabc");
  buffer.reset();
  EXPECT_EQ(buffer.get_buffer(), nullptr);
  buffer.add_to_buffer("");
  EXPECT_STREQ(buffer.get_buffer(), "");
}

std::vector<std::string> lines_of(CFileBuffer& file) {
  std::vector<std::string> lines;
  while (char* line = file.read_line()) lines.push_back(line);
  return lines;
}

TEST(FileBuffer, LineRules) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"a\nb", {"a", "b"}},
      {"a\nb\n", {"a", "b", ""}},
      {"", {""}},
      {"a\rb", {"a", "b"}},             // a lone CR ends a line
      {"a\r\nb\r\n", {"a", "b", ""}},   // CR LF reads as one line end
      {"a\r\r\nb", {"a", "", "b"}},     // CR, then CR LF read as LF
      {"a\n\nb", {"a", "", "b"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    TempDir::write("f.txt", c.bytes);
    CFileBuffer file;
    ASSERT_NE(file.load_a_file("f.txt"), nullptr);
    EXPECT_EQ(lines_of(file), c.lines) << testing::PrintToString(c.bytes);
    EXPECT_EQ(file.read_line(), nullptr);
    // The same bytes from memory read the same.
    CFileBuffer text;
    ASSERT_NE(text.load_text(c.bytes.data(), c.bytes.size()), nullptr);
    EXPECT_EQ(lines_of(text), c.lines) << testing::PrintToString(c.bytes);
  }
}

TEST(FileBuffer, TextFromMemoryReplacesWhatWasLoaded) {
  TempDir dir;
  TempDir::write("one.txt", "first\nline");
  CFileBuffer file;
  ASSERT_NE(file.load_a_file("one.txt"), nullptr);
  file.read_line();
  const std::string bytes("a\r\nb\0c", 6);
  EXPECT_STREQ(file.load_text(bytes.data(), bytes.size()), "a\nb");
  EXPECT_EQ(file.get_length(), 5);  // the bytes after the NUL count too
  EXPECT_EQ(lines_of(file), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(file.load_text(nullptr, 3), nullptr);
  EXPECT_EQ(file.get_buffer(), nullptr);
  EXPECT_EQ(file.read_line(), nullptr);
}

TEST(FileBuffer, LoadReplacesAndReportsLength) {
  TempDir dir;
  TempDir::write("one.txt", "first\r\nline");
  TempDir::write("two.txt", "second");
  CFileBuffer file;
  EXPECT_STREQ(file.load_a_file("one.txt"), "first\nline");
  EXPECT_EQ(file.get_length(), 10);
  file.read_line();
  EXPECT_STREQ(file.load_a_file("two.txt"), "second");
  EXPECT_EQ(lines_of(file), std::vector<std::string>{"second"});
}

TEST(FileBuffer, FailedLoadLeavesNothingLoaded) {
  TempDir dir;
  TempDir::write("ok.txt", "x\ny");
  int pipe_fds[2];
  ASSERT_EQ(pipe(pipe_fds), 0);
  const std::string fifo = "/proc/self/fd/" + std::to_string(pipe_fds[0]);
  for (const char* bad : {static_cast<const char*>(nullptr), "missing.txt", fifo.c_str(), "."}) {
    CFileBuffer file;
    ASSERT_NE(file.load_a_file("ok.txt"), nullptr);
    file.read_line();
    EXPECT_EQ(file.load_a_file(bad), nullptr) << (bad ? bad : "null");
    EXPECT_EQ(file.get_buffer(), nullptr);
    EXPECT_EQ(file.read_line(), nullptr);
  }
  close(pipe_fds[0]);
  close(pipe_fds[1]);
}

}  // namespace
