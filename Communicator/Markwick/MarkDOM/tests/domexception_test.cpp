#include "MarkDOM/domexception.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

TEST(DOMException, MessageComesFromTheCode) {
  const struct {
    int code;
    const char* message;
  } cases[] = {
      {8, "\n MarkDOM: Referencing a non-existing node"},
      {100, "\n MarkDOM: Node Not found: First create a node"},
      {101, "\n MarkDOM: Fatal Error During Parsing: Check if the file exists\n"},
      {102, "\n MarkDOM: Cannot Delete Node: First delete all its attributes and children"},
      {103, "\n MarkDOM: Fatal Error During Parsing: Check the document\n"},
      {104, "\n MarkDOM: Fatal Error During Memory Allocation: Free up some memory\n"},
      {0, ""},
      {3, ""},
      {105, ""},
      {-1, ""},
  };
  for (const auto& c : cases) {
    const DOMException e(c.code);
    EXPECT_EQ(e.getCode(), c.code);
    EXPECT_STREQ(e.getMessage(), c.message) << c.code;
    EXPECT_STREQ(e.what(), c.message) << c.code;
    EXPECT_LE(std::strlen(e.getMessage()), static_cast<size_t>(DOMException::kMaxMessage));
  }
}

TEST(DOMException, CopyKeepsCodeAndMessage) {
  const DOMException original(103);
  const DOMException copy = original;
  EXPECT_EQ(copy.getCode(), 103);
  EXPECT_STREQ(copy.getMessage(), original.getMessage());
  EXPECT_NE(copy.getMessage(), original.getMessage());  // its own buffer
}

}  // namespace
