// Reads back a debug log written by CDebug: the messages without their line
// number and time, checking that the numbers run from 0.
#pragma once

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport/tempdir.h"

using Lines = std::vector<std::string>;

inline Lines log_messages(const std::string& path) {
  Lines out;
  std::istringstream log(testsupport::TempDir::read(path));
  const std::regex prefix(R"(\[(\d{5})\] \[\d\d:[ \d]\d:\d\d\] (.*))");
  int expected = 0;
  for (std::string line; std::getline(log, line);) {
    std::smatch match;
    EXPECT_TRUE(std::regex_match(line, match, prefix)) << line;
    EXPECT_EQ(std::stoi(match[1]), expected++);
    out.push_back(match[2]);
  }
  return out;
}
