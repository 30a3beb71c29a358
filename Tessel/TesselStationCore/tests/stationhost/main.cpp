// station-host: the station's core without windows in a process of its
// own, for the end-to-end tests (not a product: the station program is
// Tessel/TesselStation).
//
//   station-host [-name N] [-ans HOST] [-ansport P] [-answers yes,no,...]
//                [-activate ID] [-draw MS]
//
// The station registers as N (default "TesselStation") with the name
// server at HOST:P (default 127.0.0.1:6677) and serves whoever drives it
// until SIGINT or SIGTERM. Yes/No questions take the -answers in order,
// then No; -activate names an interceptor that the operator clicks on once
// start_sim has been handled; the map view is drawn every MS milliseconds
// (default 100). What it prints is described in headlessstation.h and
// printingstationui.h.
//
// Exit status: 0 after a signal; 1 when the station did not start or
// register; 2 for a usage error (on stderr).
#include <csignal>
#include <cstdio>
#include <string>

#include "Platform/eventloop.h"
#include "headlessstation.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void on_signal(int /*signal*/) { g_stop = 1; }

int usage(const char* why) {
  std::fprintf(stderr,
               "station-host: %s\nusage: station-host [-name N] [-ans HOST] [-ansport P]"
               " [-answers yes,no,...] [-activate ID] [-draw MS]\n",
               why);
  return 2;
}

// A whole number from `low` to `high` in digits only.
bool read_number(const char* text, long low, long high, long* value) {
  if (text == nullptr || *text == '\0' ||
      std::string(text).find_first_not_of("0123456789") != std::string::npos) {
    return false;
  }
  const std::string digits(text);
  if (digits.size() > 9) return false;
  *value = std::stol(digits);
  return *value >= low && *value <= high;
}

// "yes" and "no" separated by commas.
bool read_answers(const std::string& list, std::deque<bool>* answers) {
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = list.find(',', start);
    const std::string word =
        list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    if (word != "yes" && word != "no") return false;
    answers->push_back(word == "yes");
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  CCommandLine command_line;
  command_line.parse_commandline(argc, argv);
  HeadlessOptions options;
  if (const char* name = command_line.find_token("name")) options.name = name;
  if (const char* host = command_line.find_token("ans")) options.ansHost = host;
  long number = 0;
  if (const char* port = command_line.find_token("ansport")) {
    if (!read_number(port, 1, 65535, &number)) return usage("-ansport takes a port");
    options.ansPort = static_cast<unsigned>(number);
  }
  if (const char* answers = command_line.find_token("answers")) {
    if (!read_answers(answers, &options.answers)) {
      return usage("-answers takes yes and no separated by commas");
    }
  }
  if (const char* id = command_line.find_token("activate")) options.activate = id;
  if (const char* draw = command_line.find_token("draw")) {
    if (!read_number(draw, 1, 60000, &number)) return usage("-draw takes milliseconds");
    options.drawMs = static_cast<int>(number);
  }

  // Before the station prints its first line: whoever reads it may stop it
  // at once.
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  {
    HeadlessStation station(options);
    if (!station.Start()) return 1;
    platform::EventLoop& loop = platform::current_loop();
    while (g_stop == 0) loop.process_events(100);
  }  // the agent stops and withdraws its registration
  std::printf("station-host stopped\n");
  return 0;
}
