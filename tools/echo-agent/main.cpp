// echo-agent: an agent that answers every message with its own content.
//
//   echo-agent [-name N] [-port P] [-ans HOST] [-ansport P] [-idle SECONDS]
//              [-send NAME -text TEXT [-timeout SECONDS]]
//
// Registers with the name server and serves until SIGINT or SIGTERM. -idle
// sets how long an accepted connection may stay idle before it is closed
// (120 s by default), so that tests of that bound need not wait two
// minutes. With
// -send it first sends TEXT to the agent NAME, prints the reply and exits:
// 0 once the reply came, 1 when NAME cannot be reached or no reply came
// within the timeout (10 s by default), 2 for a usage error.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "Agentwick/agenthost.h"
#include "Platform/eventloop.h"
#include "Relaywick/serversocket.h"
#include "echoagent.h"

namespace {

volatile std::sig_atomic_t g_stop = 0;

void on_signal(int /*signal*/) { g_stop = 1; }

// The loop rounds are short so that a signal is seen soon.
constexpr int kRoundMs = 100;

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  CCommandLine command_line;
  command_line.parse_commandline(argc, argv);
  const char* target = command_line.find_token("send");
  const char* text = command_line.find_token("text");
  const char* timeout_text = command_line.find_token("timeout");
  const int timeout_s = timeout_text != nullptr ? std::atoi(timeout_text) : 10;
  const char* idle_text = command_line.find_token("idle");
  const int idle_s = idle_text != nullptr ? std::atoi(idle_text) : 0;
  if ((target == nullptr) != (text == nullptr) || timeout_s <= 0 ||
      (idle_text != nullptr && idle_s <= 0)) {
    std::fprintf(stderr,
                 "usage: echo-agent [-name N] [-port P] [-ans HOST] [-ansport P] [-idle SECONDS]"
                 " [-send NAME -text TEXT [-timeout SECONDS]]\n");
    return 2;
  }
  std::signal(SIGINT, on_signal);
  std::signal(SIGTERM, on_signal);

  auto owned = std::make_unique<CEchoAgent>();
  CEchoAgent* agent = owned.get();
  CAgentHost host;
  host.AssignContainer(std::move(owned));
  if (host.CreateContainer(&command_line, 1) == 0) {
    std::printf("unable to start the agent\n");
    return 1;
  }
  CCommunicator* communicator = agent->get_communicator();
  if (idle_s > 0) {
    CServerSocket::Limits limits = communicator->get_server()->get_limits();
    limits.idle = std::chrono::seconds(idle_s);
    communicator->get_server()->set_limits(limits);
  }
  std::printf("%s listening on %s:%u\n", communicator->get_name(), communicator->comm_get_ip(),
              communicator->get_port());
  if (communicator->is_registered() != 0) {
    std::printf("registered with the name server at %s:%u\n", communicator->get_ansname(),
                communicator->get_ansport());
  } else {
    const char* why = communicator->comm_ans_error();
    std::printf("not registered: %s\n", why != nullptr ? why : "no name server");
  }

  platform::EventLoop& loop = platform::current_loop();
  if (target == nullptr) {
    while (g_stop == 0) loop.process_events(kRoundMs);
    std::printf("stopping\n");
    return 0;
  }

  if (!agent->send_text(target, text)) return 1;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_s);
  while (g_stop == 0 && !agent->replied() && std::chrono::steady_clock::now() < deadline) {
    loop.process_events(kRoundMs);
  }
  if (!agent->replied()) {
    std::printf("no reply from %s within %d s\n", target, timeout_s);
    return 1;
  }
  return 0;
}
