// sim-agent: a scripted simulation agent that drives a station, for the
// tests and the demo.
//
//   sim-agent -script FILE -station NAME [-stationhost HOST -stationport P]
//             [-name N] [-port P] [-ans HOST] [-ansport P] [-frames FILE]
//
// The agent N (default "sim-agent") registers with the name server at -ans
// and -ansport and finds the station NAME there, or at HOST:P when given.
// It runs the script's steps in order and prints every message it sends and
// receives, one a line:
//
//   send: SENDER -> RECEIVER: CONTENT
//   recv: SENDER -> RECEIVER: CONTENT
//
// With -frames, every message it receives is also written to FILE as it
// came, each followed by 0x04, for a reader to judge them whole.
//
// Exit status: 0 when every step went through and every awaited message
// came; 1 when a step failed (the line "FAILED: line N: why" says which) or
// the agent could not start; 2 for a usage or script error (on stderr,
// "FILE:LINE: why"), found before anything is sent.
//
// The script: one step a line; blank lines and lines whose first non-blank
// character is '#' are skipped; a line ending in '\' goes on on the next
// line. Words are separated by blanks. Durations are whole numbers with
// "ms" or "s" (250ms, 2s), at most an hour.
//
//   send CONTENT
//       Sends "tell" with the KQML content CONTENT (the rest of the line,
//       e.g. "tell :command reset_sim") to the station under the agent's
//       own name. Its parentheses must balance.
//   send-as NAME CONTENT
//       The same under the sender NAME: how a teammate's unit commands are
//       played. The station takes them from a team member only, so NAME
//       must be in the team that start_sim gave it.
//   await COMMAND [KEY=VALUE]... [from NAME] [to NAME] [within DURATION]
//       Waits for a received message whose content has :command COMMAND and
//       each KEY with exactly VALUE as it stands in the message
//       (parentheses included: comfirm=(alpha)); VALUE * only asks for the
//       keyword. "from" names the sender; "to" the receiver, by default the
//       agent itself. Every message received since the start counts, each
//       once: an await takes the first match and leaves the rest. Fails
//       after DURATION (default 10s).
//   timeout DURATION
//       The wait of the awaits after it that have no "within".
//   pause DURATION
//       Lets DURATION pass, receiving meanwhile.
//   clock FROM TO step MINUTES every DURATION [await COMMAND]
//       clock_sync pulses ":clock FROM", FROM + MINUTES, ... up to TO,
//       DURATION apart; with "await", one COMMAND to the agent itself is
//       awaited after each pulse (e.g. the station's mission_cost).
//   teammate NAME
//       Registers NAME with the name server as a further name of this agent,
//       so that what the station sends to that teammate (mission_cost, a
//       request for a unit, chat) arrives here and can be awaited "to NAME".
//   weather KEY VALUE [KEY VALUE]...   |   weather error
//       get_weather is always answered at once, to its sender, with
//       "weather_data :balloonID ID :winddir :windspeed :humidity :pressure
//       :temperature" and the request's :lng and :lat. This step sets the
//       values from here on (keys temperature, pressure, humidity,
//       windspeed, winddir), or makes the answers ":error (No weather data)".
//   repeat COUNT send CONTENT   |   repeat COUNT send-as NAME CONTENT
//       The send COUNT times (at most 1,000,000), ${n} in NAME and CONTENT
//       standing for the message's index from 0: a flood from one sender or
//       from many ("send-as stranger${n} ..."). One line tells of them all:
//       "send: COUNT messages from NAME: CONTENT".
//   mark   |   elapsed LABEL
//       elapsed prints "elapsed: LABEL N ms", the milliseconds since the last
//       mark (or the start): a measurement for the reader, not a check.
//
// Placeholders, in contents and await values:
//   ${station}     the station's name       ${self}  this agent's name
//   ${url:PATH}    the file:// URL of PATH, made absolute, bytes other than
//                  letters, digits and -._~/ as %XX; the file must exist
//   ${file:PATH}   the text of PATH: its lines without the blanks around
//                  them, joined by one blank, lines starting with '#' left
//                  out; its own ${url:...} (relative to its folder),
//                  ${station} and ${self} are expanded
//   ${long:N}      one word of N letters x (at most 16 MiB)
// Relative paths start at the script's folder.
//
// Example (scenarios/demo.script runs a whole exercise):
//   teammate BravoStation
//   send tell :command init_sim :scenario ${file:demo.scenario}
//   await init_sim comfirm=(${station}) within 20s
//   send tell :command start_sim :team (tell :number 1 :client0 BravoStation)
//   clock 0 960 step 60 every 50ms await mission_cost
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>

#include "Agentwick/agenthost.h"
#include "Platform/eventloop.h"
#include "scriptrunner.h"
#include "simagent.h"
#include "simscript.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void on_signal(int /*signal*/) { g_stop = 1; }

int usage() {
  std::fprintf(stderr,
               "usage: sim-agent -script FILE -station NAME [-stationhost HOST -stationport P]"
               " [-name N] [-port P] [-ans HOST] [-ansport P] [-frames FILE]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  CCommandLine command_line;
  command_line.parse_commandline(argc, argv);
  const char* script_path = command_line.find_token("script");
  const char* station = command_line.find_token("station");
  const char* station_host = command_line.find_token("stationhost");
  const char* station_port_text = command_line.find_token("stationport");
  const char* own_name = command_line.find_token("name");
  if (own_name == nullptr) own_name = CSimAgent::kDefaultName;
  if (script_path == nullptr || station == nullptr ||
      (station_host == nullptr) != (station_port_text == nullptr) || !is_agent_name(station) ||
      !is_agent_name(own_name) || std::string(station) == own_name) {
    return usage();
  }
  unsigned station_port = 0;
  if (station_port_text != nullptr &&
      !read_port("stationport", station_port_text, &station_port)) {
    return usage();
  }
  SimScript script;
  if (!script.read_file(script_path, ScriptNames{station, own_name})) {
    std::fprintf(stderr, "%s:%s\n", script_path, script.error().c_str());
    return 2;
  }
  // Opened before the agent, closed after it has gone.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> frames(nullptr, std::fclose);
  if (const char* path = command_line.find_token("frames")) {
    frames.reset(std::fopen(path, "wb"));
    if (frames == nullptr) {
      std::fprintf(stderr, "cannot write -frames %s\n", path);
      return 2;
    }
  }
  auto owned = std::make_unique<CSimAgent>();
  CSimAgent* agent = owned.get();
  CAgentHost host;
  host.AssignContainer(std::move(owned));
  if (host.CreateContainer(&command_line, 1) == 0) {
    std::printf("unable to start the agent\n");
    return 1;
  }
  // Before the first line: whoever reads it may stop the agent at once.
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);
  std::printf("%s\n", agent->whereabouts().c_str());
  agent->set_station(station);
  agent->set_frames(frames.get());
  if (station_host != nullptr && !agent->locate_station_at(station_host, station_port)) {
    std::printf("cannot enter the location of %s\n", station);
    return 1;
  }

  ScriptRunner runner(agent, &platform::current_loop(), &g_stop);
  if (!runner.run(script.steps())) return 1;
  std::printf("script complete\n");
  return 0;
}
