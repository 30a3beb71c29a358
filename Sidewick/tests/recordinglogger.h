// A logger for the engines and profiles of these tests: an event module
// that keeps the lines it is given.
#pragma once

#include <string>
#include <vector>

#include "Relaywick/logfacility.h"

class RecordingLogger : public CLogFacility {
 public:
  RecordingLogger() : CLogFacility("recorder", nullptr, nullptr, 0) {}
  void process_message(const char* text, int direction) override {
    lines.emplace_back(text);
    directions.push_back(direction);
  }
  // The lines from the first that equals `first` on; empty when none does.
  std::vector<std::string> from(const std::string& first) const {
    for (size_t i = 0; i < lines.size(); ++i) {
      if (lines[i] == first) return std::vector<std::string>(lines.begin() + i, lines.end());
    }
    return {};
  }
  bool has(const std::string& line) const {
    for (const std::string& l : lines) {
      if (l == line) return true;
    }
    return false;
  }

  std::vector<std::string> lines;
  std::vector<int> directions;
};
