// Message throughput of agents on loopback, side by side with a bare pair of
// sockets carrying the same 0x04-framed texts, one send per message:
//   OneWay        messages per second from one agent to another
//   RoundTrip     request and answer between two agents, against a bare
//                 ping-pong on one thread
//   LargeMessage  one 1 MiB message arriving in receives of 2,047 bytes,
//                 from a sender thread on a connection already accepted
//   FanIn         one agent (the hub, on a thread of its own) receiving from
//                 1 to 500 peers, one way and answering each message:
//                 messages per second and the hub's CPU time per message
// The agents are containers in hosts, as agent programs run them: every
// message goes through CAgentContainer::handle_mfc_message (parsed, then
// handed to process_message), and the loop blocks in process_events until
// something is ready. Each benchmark reports both rates, the rate of the
// agents as a fraction of the bare rate, and the CPU time per message of
// the measuring thread on either side.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <functional>
#include <latch>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Agentwick/basicagent.h"
#include "Lexwick/parser.h"
#include "Platform/pollloop.h"
#include "Relaywick/messageframer.h"
#include "Toolwick/url.h"

namespace {

constexpr char kEnd = 0x04;
constexpr const char* kLoopback = "127.0.0.1";
constexpr int kBatch = 100;

// Wall and thread CPU time of the calling thread since construction.
class Stopwatch {
 public:
  Stopwatch() : wall_(std::chrono::steady_clock::now()), cpu_(thread_cpu()) {}
  double wall_s() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_).count();
  }
  double cpu_s() const { return thread_cpu() - cpu_; }

 private:
  static double thread_cpu() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  }
  std::chrono::steady_clock::time_point wall_;
  double cpu_;
};

// Wall and CPU seconds summed over the timed parts of a benchmark.
struct Tally {
  double wall_s = 0;
  double cpu_s = 0;
  void add(const Stopwatch& watch) {
    wall_s += watch.wall_s();
    cpu_s += watch.cpu_s();
  }
};

// An agent that counts what reaches its message hook and may answer it.
class CountingAgent : public CBasicAgent {
 public:
  explicit CountingAgent(const char* name) : CBasicAgent(name) {}

  int process_create() override {
    get_communicator()->set_port(0);
    return 1;
  }
  int process_message(char* text) override {
    if (received++ == 0) first = text;
    last_size = std::char_traits<char>::length(text);
    if (on_message) on_message();
    return 1;
  }

  long received = 0;
  std::string first;  // the text of the first message
  size_t last_size = 0;
  std::function<void()> on_message;
};

// A started agent in its host; the host owns the agent.
class HostedAgent {
 public:
  explicit HostedAgent(const char* name) : host_(std::make_unique<CAgentHost>()) {
    auto agent = std::make_unique<CountingAgent>(name);
    agent_ = agent.get();
    host_->AssignContainer(std::move(agent));
    argv_ = {const_cast<char*>(name)};
    command_line_.parse_commandline(1, argv_.data());
    if (host_->CreateContainer(&command_line_, 1) == 0) std::abort();
  }

  CountingAgent& agent() { return *agent_; }
  CCommunicator& comm() { return *agent_->get_communicator(); }
  long connections() { return comm().get_server()->get_sockets()->get_nr_elements(); }

  // Makes `other` known in the service table.
  void know(HostedAgent& other) {
    auto* entry = new CServiceInfo;
    entry->set_name(other.comm().get_name());
    auto* location = new CURL;
    location->set_host(kLoopback);
    location->set_port(static_cast<int32_t>(other.comm().get_port()));
    entry->set_location(location);
    static_cast<CListBelief*>(comm().get_beliefdb()->find_element("lookup"))
        ->get_value()
        ->add_element(entry);
  }

  void tell(const char* to) {
    comm().comm_sendmessage("tell", to, "default-language", "default-ontology", "r1", nullptr,
                            nullptr, "(ok :unit 7 :pos (lat 52.1 lon 4.3) :state active)", nullptr);
  }

 private:
  std::vector<char*> argv_;
  CCommandLine command_line_;
  std::unique_ptr<CAgentHost> host_;
  CountingAgent* agent_;
};

// The loop every agent of a benchmark runs on, blocking as an agent's does.
class Loop {
 public:
  Loop() {
    if (std::getenv("VERANTA_HOST_IP") == nullptr) setenv("VERANTA_HOST_IP", kLoopback, 1);
    platform::set_current_loop(&loop_);
  }
  ~Loop() { platform::set_current_loop(nullptr); }

  void run_until(const std::function<bool()>& done) {
    while (!done()) loop_.process_events(-1);
  }

 private:
  platform::PollLoop loop_;
};

// Two plain connected descriptors.
struct BarePair {
  int a = -1;
  int b = -1;
  BarePair() {
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    a = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (::connect(a, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
    b = ::accept(listener, nullptr, nullptr);
    ::close(listener);
    const int on = 1;
    ::setsockopt(a, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    ::setsockopt(b, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  }
  ~BarePair() {
    ::close(a);
    ::close(b);
  }
};

void write_all(int fd, std::string_view bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) std::abort();
    sent += static_cast<size_t>(count);
  }
}

// The bare receiver: 2,047-byte receives cut at 0x04 into whole texts, as
// the agent's connection receives and cuts.
class BareReader {
 public:
  explicit BareReader(int fd) : fd_(fd) {}
  // Returns once `messages` more texts ended; the last stays in last().
  void read(long messages) {
    char buffer[2047];
    while (messages > 0) {
      const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
      if (count <= 0) std::abort();
      std::string_view piece(buffer, static_cast<size_t>(count));
      for (size_t end; (end = piece.find(kEnd)) != std::string_view::npos;) {
        last_.assign(held_).append(piece.substr(0, end));
        held_.clear();
        piece.remove_prefix(end + 1);
        --messages;
      }
      held_.append(piece);
    }
  }
  const std::string& last() const { return last_; }

 private:
  int fd_;
  std::string held_;
  std::string last_;
};

// The bare pair beside the agents, and what was timed on either side.
struct SideBySide {
  BarePair bare;
  BareReader read_a{bare.a};
  BareReader read_b{bare.b};
  Tally agents;
  Tally plain;
  long messages = 0;

  void report(benchmark::State& state) const {
    const auto n = static_cast<double>(messages);
    state.counters["agents/s"] = n / agents.wall_s;
    state.counters["bare/s"] = n / plain.wall_s;
    state.counters["of_bare"] = plain.wall_s / agents.wall_s;
    state.counters["agents_cpu_us"] = agents.cpu_s / n * 1e6;
    state.counters["bare_cpu_us"] = plain.cpu_s / n * 1e6;
  }
};

void OneWay(benchmark::State& state) {
  Loop loop;
  HostedAgent a("agent-a");
  HostedAgent b("agent-b");
  a.know(b);
  a.tell("agent-b");  // connects, and gives the text for the bare pair
  loop.run_until([&] { return b.agent().received == 1; });
  const std::string text = b.agent().first + kEnd;
  SideBySide side;
  for (auto _ : state) {
    const long target = b.agent().received + kBatch;
    Stopwatch watch;
    for (int i = 0; i < kBatch; ++i) a.tell("agent-b");
    loop.run_until([&] { return b.agent().received == target; });
    side.agents.add(watch);

    Stopwatch bare_watch;
    for (int i = 0; i < kBatch; ++i) write_all(side.bare.a, text);
    side.read_b.read(kBatch);
    side.plain.add(bare_watch);
    side.messages += kBatch;
  }
  side.report(state);
}
BENCHMARK(OneWay)->UseRealTime()->Unit(benchmark::kMillisecond);

void RoundTrip(benchmark::State& state) {
  Loop loop;
  HostedAgent a("agent-a");
  HostedAgent b("agent-b");
  a.know(b);
  b.know(a);
  // B answers from its message hook, over the connection that A's first
  // message named.
  b.agent().on_message = [&] { b.tell("agent-a"); };
  a.tell("agent-b");
  loop.run_until([&] { return a.agent().received == 1; });
  const std::string text = a.agent().first + kEnd;
  SideBySide side;
  for (auto _ : state) {
    Stopwatch watch;
    for (int i = 0; i < kBatch; ++i) {
      const long target = a.agent().received + 1;
      a.tell("agent-b");
      loop.run_until([&] { return a.agent().received == target; });
    }
    side.agents.add(watch);

    Stopwatch bare_watch;
    for (int i = 0; i < kBatch; ++i) {
      write_all(side.bare.a, text);
      side.read_b.read(1);
      write_all(side.bare.b, text);
      side.read_a.read(1);
    }
    side.plain.add(bare_watch);
    side.messages += kBatch;
  }
  side.report(state);
  // Both sides kept to one connection each way.
  state.counters["connections"] = static_cast<double>(a.connections() + b.connections());
}
BENCHMARK(RoundTrip)->UseRealTime()->Unit(benchmark::kMillisecond);

int connect_to(unsigned port) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
  return fd;
}

// Sends `text` on `fd` from a thread of its own once go() is called.
class SenderThread {
 public:
  SenderThread(int fd, const std::string& text)
      : thread_([this, fd, &text] {
          start_.wait();
          write_all(fd, text);
        }) {}
  ~SenderThread() { thread_.join(); }
  void go() { start_.count_down(); }

 private:
  std::latch start_{1};
  std::thread thread_;
};

void LargeMessage(benchmark::State& state) {
  Loop loop;
  HostedAgent b("agent-b");
  std::string text = "(tell :sender big :content (";
  text.append((1u << 20) - text.size() - 3, 'x');
  text += "))";
  text += kEnd;
  // One peer for every round, accepted and known by a first short message
  // before the clock starts, as a peer's cached connection is.
  const int peer = connect_to(b.comm().get_port());
  write_all(peer, std::string("(tell :sender big :content (hello))") + kEnd);
  loop.run_until([&] { return b.agent().received == 1; });
  SideBySide side;
  for (auto _ : state) {
    {
      SenderThread sender(peer, text);
      const long target = b.agent().received + 1;
      Stopwatch watch;
      sender.go();
      loop.run_until([&] { return b.agent().received == target; });
      side.agents.add(watch);
    }
    {
      SenderThread sender(side.bare.a, text);
      Stopwatch watch;
      sender.go();
      side.read_b.read(1);
      side.plain.add(watch);
    }
    const size_t size = text.size() - 1;
    if (b.agent().last_size != size || side.read_b.last().size() != size) std::abort();
    ++side.messages;
  }
  ::close(peer);
  // One message is 1 MiB: messages per second are MiB per second.
  side.report(state);
}
BENCHMARK(LargeMessage)->UseRealTime()->Unit(benchmark::kMillisecond);

// --- Fan-in: one hub, many peers

// The peers are plain sockets driven from the benchmark's thread, so that
// the hub's thread does the agent's work alone and its CPU time can be read.
constexpr int kBurst = 50;  // messages per peer per round, written at once

std::string peer_name(int peer) { return "peer-" + std::to_string(peer); }

// What a peer's communicator sends: a 150-byte tell, 0x04 included.
std::string peer_message(int peer) {
  return "(tell :sender " + peer_name(peer) +
         " :receiver hub :ontology default-ontology :language default-language :reply-with r1 "
         ":in-reply-to nil :forward-to nil :content (  (ok :unit 7 :state active) ))" + kEnd;
}

// Room for `descriptors` more open descriptors, as far as the hard limit
// allows.
void raise_descriptor_limit(rlim_t descriptors) {
  rlimit limit{};
  getrlimit(RLIMIT_NOFILE, &limit);
  const rlim_t wanted = std::min(limit.rlim_max, limit.rlim_cur + descriptors);
  if (wanted > limit.rlim_cur) {
    limit.rlim_cur = wanted;
    setrlimit(RLIMIT_NOFILE, &limit);
  }
}

// The hub's agent: counts the messages and, when asked to, answers each
// one to its sender.
class HubAgent : public CBasicAgent {
 public:
  HubAgent(bool reply, std::atomic<int>* received, const std::atomic<int>* target)
      : CBasicAgent("hub"), reply_(reply), received_(received), target_(target) {}

  int process_create() override {
    get_communicator()->set_port(0);
    return 1;
  }
  int process_message(CParser* parser) override {
    if (reply_) {
      get_communicator()->comm_sendmessage("tell", parser->find_sender(), "default-language",
                                           "default-ontology", "r2", nullptr, nullptr, "(ok)",
                                           nullptr);
    }
    if (received_->fetch_add(1) + 1 >= target_->load()) received_->notify_all();
    return 1;
  }

 private:
  bool reply_;
  std::atomic<int>* received_;
  const std::atomic<int>* target_;
};

// The hub on a thread of its own with its own loop; it knows the peers in
// its service table, so that it can answer them over the connections they
// opened.
class HubThread {
 public:
  HubThread(int peers, bool reply) {
    if (std::getenv("VERANTA_HOST_IP") == nullptr) setenv("VERANTA_HOST_IP", kLoopback, 1);
    if (::pipe(stop_) != 0) std::abort();
    thread_ = std::thread([this, peers, reply] { run(peers, reply); });
    port_.wait(0);
  }
  ~HubThread() {
    if (::write(stop_[1], "x", 1) != 1) std::abort();
    thread_.join();
    ::close(stop_[0]);
    ::close(stop_[1]);
  }

  unsigned port() const { return port_.load(); }
  std::atomic<int>& received() { return received_; }
  std::atomic<int>& target() { return target_; }
  // CPU seconds of the hub's thread so far.
  double cpu_s() const {
    clockid_t clock{};
    timespec now{};
    if (pthread_getcpuclockid(const_cast<std::thread&>(thread_).native_handle(), &clock) != 0 ||
        clock_gettime(clock, &now) != 0) {
      std::abort();
    }
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
  }
  // Blocks until the hub has counted `messages` in all.
  void wait_for(int messages) {
    for (int seen = received_.load(); seen < messages; seen = received_.load()) {
      received_.wait(seen);
    }
  }

 private:
  void run(int peers, bool reply) {
    pthread_setname_np(pthread_self(), "hub");  // for profiles: perf report --comm hub
    platform::PollLoop loop;
    platform::set_current_loop(&loop);
    {
      CAgentHost host;
      auto agent = std::make_unique<HubAgent>(reply, &received_, &target_);
      HubAgent* hub = agent.get();
      host.AssignContainer(std::move(agent));
      char name[] = "hub";
      char* argv[] = {name, nullptr};
      CCommandLine command_line;
      command_line.parse_commandline(1, argv);
      if (host.CreateContainer(&command_line, 1) == 0) std::abort();
      CLList* table = static_cast<CListBelief*>(
                          hub->get_communicator()->get_beliefdb()->find_element("lookup"))
                          ->get_value();
      for (int i = 0; i < peers; ++i) {
        auto* entry = new CServiceInfo;
        entry->set_name(peer_name(i).c_str());
        auto* location = new CURL;
        location->set_host(kLoopback);
        location->set_port(9);  // never used: the peer's own connection is
        entry->set_location(location);
        table->add_element(entry);
      }
      bool stopping = false;
      const auto stop_watch =
          loop.watch(stop_[0], platform::kReadable, [&](unsigned) { stopping = true; });
      port_.store(hub->get_communicator()->get_port());
      port_.notify_all();
      while (!stopping) loop.process_events(-1);
      loop.unwatch(stop_watch);
    }
    platform::set_current_loop(nullptr);
  }

  int stop_[2] = {-1, -1};
  std::atomic<unsigned> port_{0};
  std::atomic<int> received_{0};
  std::atomic<int> target_{0};
  std::thread thread_;
};

// Reads from `fd` until `messages` more texts ended with 0x04.
void read_messages(int fd, int messages) {
  char buffer[4096];
  while (messages > 0) {
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count <= 0) std::abort();
    messages -= static_cast<int>(std::count(buffer, buffer + count, kEnd));
  }
}

// Args: the number of peers, 1 when the hub answers every message.
void FanIn(benchmark::State& state) {
  const int peers = static_cast<int>(state.range(0));
  const bool reply = state.range(1) != 0;
  raise_descriptor_limit(2 * static_cast<rlim_t>(peers) + 64);
  HubThread hub(peers, reply);
  std::vector<int> fds;
  std::vector<std::string> bursts;
  for (int i = 0; i < peers; ++i) {
    fds.push_back(connect_to(hub.port()));
    std::string burst;
    for (int m = 0; m < kBurst; ++m) burst += peer_message(i);
    bursts.push_back(std::move(burst));
  }
  // A first message from every peer names its connection at the hub.
  int expected = peers;
  hub.target().store(expected);
  for (int i = 0; i < peers; ++i) write_all(fds[i], peer_message(i));
  hub.wait_for(expected);
  if (reply) {
    for (const int fd : fds) read_messages(fd, 1);
  }

  Tally tally;
  double hub_cpu = 0;
  long messages = 0;
  for (auto _ : state) {
    expected += peers * kBurst;
    hub.target().store(expected);
    const double cpu_before = hub.cpu_s();
    Stopwatch watch;
    for (int i = 0; i < peers; ++i) write_all(fds[i], bursts[i]);
    if (reply) {
      for (const int fd : fds) read_messages(fd, kBurst);
    }
    hub.wait_for(expected);
    tally.add(watch);
    hub_cpu += hub.cpu_s() - cpu_before;
    messages += peers * kBurst;
  }
  for (const int fd : fds) ::close(fd);
  const auto n = static_cast<double>(messages);
  state.counters["msgs/s"] = n / tally.wall_s;
  state.counters["hub_cpu_us"] = hub_cpu / n * 1e6;
}
BENCHMARK(FanIn)
    ->ArgNames({"peers", "reply"})
    ->ArgsProduct({{1, 10, 100, 500}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The cutting alone: the framer fed the same megabyte in 2,047-byte pieces.
void FramerLargeMessage(benchmark::State& state) {
  std::string text(1u << 20, 'x');
  text.back() = kEnd;
  for (auto _ : state) {
    CMessageFramer framer;
    size_t messages = 0;
    for (size_t at = 0; at < text.size(); at += 2047) {
      messages += framer.feed(std::string_view(text).substr(at, 2047)).messages.size();
    }
    benchmark::DoNotOptimize(messages);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}
BENCHMARK(FramerLargeMessage)->Unit(benchmark::kMillisecond);

}  // namespace
