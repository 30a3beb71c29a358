// SimScript: the reader of the simulation agent's scripts (the format is
// described at the top of main.cpp). It turns the text into a list of steps
// with every placeholder expanded and every file read, so that a script with
// a mistake is refused, with the line that holds it, before anything is
// sent.
#pragma once

#include <string>
#include <utility>
#include <variant>
#include <vector>

// A message that an await step waits for: its content's :command, the
// values of further content keywords (value "*": only present), its sender
// (empty: anyone) and its receiver.
struct Expectation {
  std::string command;
  std::vector<std::pair<std::string, std::string>> fields;
  std::string from;
  std::string to;
};

// The names that the placeholders ${station} and ${self} stand for; an
// await without "to" waits for messages to `self`.
struct ScriptNames {
  std::string station;
  std::string self;
};

struct SendStep {
  std::string sender;   // the envelope's :sender
  std::string content;  // the content text, placeholders expanded
  // Sent this many times; in sender and content ${n} stands for the
  // message's index, 0 to count - 1.
  int count = 1;
};
struct AwaitStep {
  Expectation expect;
  int within_ms = 0;
};
struct PauseStep {
  int ms = 0;
};
// clock_sync pulses from `from` to `to` (inclusive, when a step lands on
// it) every `step` minutes, `every_ms` apart; with an awaited command, one
// such message is awaited after each pulse.
struct ClockStep {
  int from = 0;
  int to = 0;
  int step = 0;
  int every_ms = 0;
  bool awaits = false;
  AwaitStep await;
};
struct TeammateStep {
  std::string name;
};
// Changes the automatic weather answers from here on: `error` makes them
// error answers; else the listed values replace the current ones.
struct WeatherStep {
  bool error = false;
  std::vector<std::pair<std::string, double>> values;
};

// The start of a measured stretch, and its end: the milliseconds since the
// last mark are printed as "elapsed: LABEL N ms" (for measurements, never
// for a test to judge).
struct MarkStep {};
struct ElapsedStep {
  std::string label;
};

using SimAction = std::variant<SendStep, AwaitStep, PauseStep, ClockStep, TeammateStep, WeatherStep,
                               MarkStep, ElapsedStep>;

struct SimStep {
  int line = 0;  // of the step's first line in the script
  SimAction action;
};

class SimScript {
 public:
  // The wait of an await without "within" until a timeout step.
  static constexpr int kDefaultTimeoutMs = 10'000;
  // Durations up to an hour.
  static constexpr int kMaxDurationMs = 3'600'000;
  // At most this many messages a repeat, and this many letters a ${long:N}.
  static constexpr int kMaxRepeat = 1'000'000;
  static constexpr int kMaxLong = 16 << 20;

  // Reads `text`; relative paths of placeholders start at `folder`. On
  // failure the steps are empty and error() tells what and where.
  bool read(const std::string& text, const std::string& folder, const ScriptNames& names);
  // Reads the file at `path`; its folder is where relative paths start.
  bool read_file(const std::string& path, const ScriptNames& names);

  const std::vector<SimStep>& steps() const { return steps_; }
  // "LINE: what is wrong" (line 0: the file itself); empty after success.
  const std::string& error() const { return error_; }

 private:
  std::vector<SimStep> steps_;
  std::string error_;
};

// `text` with every ${n} replaced by `index` in decimal.
std::string repeated(const std::string& text, int index);

// True for one word that can stand as an agent name in a message: no blank,
// parenthesis, quote or byte 0x04.
bool is_agent_name(const std::string& name);

// The file:// URL of an absolute `path`: every byte but letters, digits and
// "-._~/" written as %XX.
std::string file_url(const std::string& path);
