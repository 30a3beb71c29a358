// CSimAgent: the agent of the scripted simulation agent. It sends the
// script's messages to the station, under its own name or a teammate's,
// prints every message it sends ("send: ") and receives ("recv: "), one a
// line, keeps the received ones until an await takes them, and answers
// every get_weather at once with weather_data for the balloon asked about.
//
// It registers with the name server given by -ans and -ansport; further
// names (teammates) can be registered for it, so that what the station
// sends to those teammates comes here too.
#pragma once

#include <cstdio>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "Agentwick/basicagent.h"
#include "simscript.h"

// A list value without its outer parentheses and the blanks inside them,
// as the message lines show contents; "" for null.
std::string unwrapped(const char* value);

// Reads the value of the option -`option` as a port, 0 to 65535 in digits
// only; says so and gives false for anything else.
bool read_port(const char* option, const char* value, unsigned* port);

class CSimAgent : public CBasicAgent {
 public:
  static constexpr const char* kDefaultName = "sim-agent";

  CSimAgent();

  // -name, -port, -ans, -ansport into the beliefs; 0 for a value that is
  // not usable.
  int handle_parse_args(CCommandLine* command_line) override;
  // Prints the message, answers a get_weather and keeps the message for
  // the awaits.
  int process_message(char* text) override;

  // "NAME at HOST:PORT, registered with the name server at HOST:PORT", or
  // ", not registered: why" in its place.
  std::string whereabouts();

  // The station's agent name: the receiver of every send.
  void set_station(const std::string& name) { station_ = name; }
  // Enters host and port as the station's location, so that it is reached
  // without the name server. False when the entry cannot be made.
  bool locate_station_at(const std::string& host, unsigned port);
  // Sends "tell" with `content` to the station under the name `sender`,
  // printing its "send: " line when `shown`. False, with the reason in
  // *error, when the station cannot be located or the send failed.
  bool send(const std::string& sender, const std::string& content, std::string* error,
            bool shown = true);
  // Registers `name` with the name server as a further name of this agent.
  bool add_alias(const std::string& name, std::string* error);
  void set_weather(const WeatherStep& weather);
  // Writes every message received to `frames` as it came, each followed by
  // 0x04; null writes none. Not owned: it outlives the agent's receiving.
  void set_frames(std::FILE* frames) { frames_ = frames; }

  // Removes and gives the first kept message that meets `expect`; false
  // when none does (yet).
  bool take(const Expectation& expect);

 private:
  struct Received {
    std::string sender;
    std::string receiver;
    std::string content;  // without its outer parentheses
    std::string command;  // its :command, empty without one
  };

  bool send_to(const std::string& receiver, const std::string& sender,
               const std::string& content, std::string* error, bool shown = true);
  void answer_weather(const Received& request);
  static bool meets(const Received& message, const Expectation& expect);

  std::string station_;
  std::deque<Received> inbox_;
  std::FILE* frames_ = nullptr;
  bool weather_error_ = false;
  // The report's values by keyword, in the order they are sent.
  std::vector<std::pair<std::string, double>> weather_ = {
      {"winddir", 270.0}, {"windspeed", 12.0}, {"humidity", 45.0},
      {"pressure", 1013.0}, {"temperature", 68.0}};
};
