// Message throughput of agents on loopback, side by side with a bare pair of
// sockets carrying the same 0x04-framed texts, one send per message:
//   OneWay        messages per second from one agent to another
//   RoundTrip     request and answer between two agents, against a bare
//                 ping-pong on one thread
//   LargeMessage  one 1 MiB message arriving in receives of 2,047 bytes,
//                 from a sender thread on a connection already accepted
//   FanIn         one agent (the hub, on a thread of its own) receiving from
//                 1 to 2,000 peers, one way and answering each message,
//                 against a bare hub thread that polls the same number of
//                 plain sockets, counts the texts and writes a fixed answer
//                 to each
// The agents are containers in hosts, as agent programs run them: every
// message goes through CAgentContainer::handle_mfc_message (parsed, then
// handed to process_message), and the loop blocks in process_events until
// something is ready. Each benchmark reports both rates, the rate of the
// agents as a fraction of the bare rate, and the CPU time per message on
// either side: of the measuring thread, or in FanIn of the hub's thread.
// All but FanIn also time a second bare pair whose readers do the least
// work an agent must (BareReader), with its rate, its fraction of the bare
// rate and its CPU time per message. OneWay and RoundTrip time a third, the
// tight pair: its readers poll before each receive and parse each message
// once, and its senders compose each message with the header the agents
// send (TightWriter), which is what an agent must do at the least when the
// parse of a received piece is the parse of its message.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <pthread.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <ctime>
#include <cstdlib>
#include <functional>
#include <latch>
#include <memory>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "Agentwick/agenthost.h"
#include "Agentwick/basicagent.h"
#include "Lexwick/parser.h"
#include "Platform/pollloop.h"
#include "Talkwick/kqmlparser.h"
#include "Talkwick/messageframer.h"
#include "Toolwick/url.h"

namespace {

constexpr char kEnd = 0x04;
constexpr const char* kLoopback = "127.0.0.1";
constexpr int kBatch = 100;
// The content token of every tell between two agents.
constexpr const char* kContent = "(ok :unit 7 :pos (lat 52.1 lon 4.3) :state active)";

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
                            nullptr, kContent, nullptr);
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

// The bare cutting: pieces of a stream cut at 0x04 into whole texts, the
// beginning of an unfinished text held for the next piece.
class PlainCutter {
 public:
  // The number of texts that ended in `piece`; the last stays in last().
  // `on_text` sees each of them.
  template <class OnText>
  long feed(std::string_view piece, OnText on_text) {
    long texts = 0;
    for (size_t end; (end = piece.find(kEnd)) != std::string_view::npos; ++texts) {
      last_.assign(held_).append(piece.substr(0, end));
      held_.clear();
      piece.remove_prefix(end + 1);
      on_text(last_);
    }
    held_.append(piece);
    return texts;
  }
  long feed(std::string_view piece) {
    return feed(piece, [](const std::string&) {});
  }
  const std::string& last() const { return last_; }

 private:
  std::string held_;
  std::string last_;
};

// How much a reader does beside its receives: the plain one cuts only; the
// least-work one also does the least that the literal receiving side of an
// agent must: wait for readiness before each receive, parse each received
// piece (the connection decides from it how to treat the piece) and parse
// each whole text once (the container hands every message on parsed); the
// tight one waits and parses each whole text once, no more.
enum class Work { kPlain, kLeast, kTight };

// The bare receiver: 2,047-byte receives cut at 0x04 into whole texts, as
// the agent's connection receives and cuts, with the work of its kind. The
// least-work and tight readers' rates bound what the agents can reach.
class BareReader {
 public:
  BareReader(int fd, Work work) : fd_(fd), work_(work) {}
  // Returns once `messages` more texts ended; the last stays in last().
  void read(long messages) {
    char buffer[2048];
    while (messages > 0) {
      if (work_ != Work::kPlain) {
        pollfd ready{fd_, POLLIN, 0};
        if (::poll(&ready, 1, -1) != 1) std::abort();
      }
      const ssize_t count = ::recv(fd_, buffer, sizeof buffer - 1, 0);
      if (count <= 0) std::abort();
      const std::string_view piece(buffer, static_cast<size_t>(count));
      if (work_ == Work::kPlain) {
        messages -= cutter_.feed(piece);
        continue;
      }
      if (work_ == Work::kLeast) {
        buffer[count] = '\0';
        piece_parser_.parse_message(buffer);
      }
      messages -= cutter_.feed(
          piece, [this](const std::string& text) { message_parser_.parse_message(text.c_str()); });
    }
  }
  const std::string& last() const { return cutter_.last(); }

 private:
  int fd_;
  Work work_;
  PlainCutter cutter_;
  CParser piece_parser_;
  CParser message_parser_;
};

// The tight pair's sender: composes each message as the communicator does,
// the KQML header of its fields, the content and " ))" with 0x04, and
// sends it in one send.
class TightWriter {
 public:
  // The fields of HostedAgent::tell from `sender` to `receiver`.
  TightWriter(std::string sender, std::string receiver)
      : sender_(std::move(sender)), receiver_(std::move(receiver)) {}
  void send(int fd, const char* in_reply_to) {
    text_ = composer_.compose_message("tell", receiver_.c_str(), sender_.c_str(),
                                      "default-language", "default-ontology", "r1", in_reply_to,
                                      nullptr, 0);
    text_ += ' ';
    text_ += kContent;
    text_ += " ))";
    text_ += kEnd;
    write_all(fd, text_);
  }

 private:
  std::string sender_;
  std::string receiver_;
  CKQMLParser composer_;
  std::string text_;
};

// What was timed on either side, the agents and the bare baseline.
struct Comparison {
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

// A bare pair and its two readers.
struct BarePairReaders {
  explicit BarePairReaders(Work work) : read_a(pair.a, work), read_b(pair.b, work) {}
  BarePair pair;
  BareReader read_a;
  BareReader read_b;
};

// The agents beside the bare pairs: the plain one, and those whose readers
// do the least work an agent must do (BareReader), which bound the fraction
// of the bare rate that the agents can reach: the least-work pair of the
// literal receiving path and, where given, the tight pair.
struct SideBySide : Comparison {
  explicit SideBySide(bool with_tight = false) : with_tight(with_tight) {}

  bool with_tight;
  BarePairReaders bare{Work::kPlain};
  BarePairReaders least{Work::kLeast};
  BarePairReaders tight{Work::kTight};
  TightWriter tight_a{"agent-a", "agent-b"};
  TightWriter tight_b{"agent-b", "agent-a"};
  Tally least_tally;
  Tally tight_tally;

  // Times `run` on the plain pair, then on the least-work pair.
  template <class Run>
  void time_bare(Run run) {
    for (auto [pair, tally] : {std::pair{&bare, &plain}, std::pair{&least, &least_tally}}) {
      Stopwatch watch;
      run(*pair);
      tally->add(watch);
    }
  }
  // Times `run` on the tight pair.
  template <class Run>
  void time_tight(Run run) {
    Stopwatch watch;
    run(tight);
    tight_tally.add(watch);
  }

  void report(benchmark::State& state) const {
    Comparison::report(state);
    const auto n = static_cast<double>(messages);
    state.counters["least/s"] = n / least_tally.wall_s;
    state.counters["least_of_bare"] = plain.wall_s / least_tally.wall_s;
    state.counters["least_cpu_us"] = least_tally.cpu_s / n * 1e6;
    if (!with_tight) return;
    state.counters["tight/s"] = n / tight_tally.wall_s;
    state.counters["tight_of_bare"] = plain.wall_s / tight_tally.wall_s;
    state.counters["tight_cpu_us"] = tight_tally.cpu_s / n * 1e6;
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
  SideBySide side(true);
  for (auto _ : state) {
    const long target = b.agent().received + kBatch;
    Stopwatch watch;
    for (int i = 0; i < kBatch; ++i) a.tell("agent-b");
    loop.run_until([&] { return b.agent().received == target; });
    side.agents.add(watch);

    side.time_bare([&](BarePairReaders& bare) {
      for (int i = 0; i < kBatch; ++i) write_all(bare.pair.a, text);
      bare.read_b.read(kBatch);
    });
    side.time_tight([&](BarePairReaders& tight) {
      for (int i = 0; i < kBatch; ++i) side.tight_a.send(tight.pair.a, nullptr);
      tight.read_b.read(kBatch);
    });
    side.messages += kBatch;
  }
  if (side.tight.read_b.last() != b.agent().first) std::abort();  // the same texts
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
  SideBySide side(true);
  for (auto _ : state) {
    Stopwatch watch;
    for (int i = 0; i < kBatch; ++i) {
      const long target = a.agent().received + 1;
      a.tell("agent-b");
      loop.run_until([&] { return a.agent().received == target; });
    }
    side.agents.add(watch);

    side.time_bare([&](BarePairReaders& bare) {
      for (int i = 0; i < kBatch; ++i) {
        write_all(bare.pair.a, text);
        bare.read_b.read(1);
        write_all(bare.pair.b, text);
        bare.read_a.read(1);
      }
    });
    // Each answers what it read, as the agents do: in reply to "r1".
    side.time_tight([&](BarePairReaders& tight) {
      for (int i = 0; i < kBatch; ++i) {
        side.tight_a.send(tight.pair.a, "r1");
        tight.read_b.read(1);
        side.tight_b.send(tight.pair.b, "r1");
        tight.read_a.read(1);
      }
    });
    side.messages += kBatch;
  }
  if (side.tight.read_a.last() != a.agent().first) std::abort();  // the same texts
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
      // Started before the clocks, as the agent's sender is.
      SenderThread to_bare(side.bare.pair.a, text);
      SenderThread to_least(side.least.pair.a, text);
      side.time_bare([&](BarePairReaders& bare) {
        (&bare == &side.bare ? to_bare : to_least).go();
        bare.read_b.read(1);
      });
    }
    const size_t size = text.size() - 1;
    if (b.agent().last_size != size || side.bare.read_b.last().size() != size ||
        side.least.read_b.last().size() != size) {
      std::abort();
    }
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
  HubAgent(bool reply, const std::function<void()>& counted)
      : CBasicAgent("hub"), reply_(reply), counted_(counted) {}

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
    counted_();
    return 1;
  }

 private:
  bool reply_;
  std::function<void()> counted_;
};

// A hub on a thread of its own, the agent or the bare baseline. The agent
// runs on a loop of its own and knows the peers in its service table, so
// that it can answer them over the connections they opened. The bare hub
// polls the listener and the accepted plain sockets, counts the texts that
// end in what it reads and, when it answers, writes a text of the size of
// the agent's answer for each.
class HubThread {
 public:
  HubThread(bool bare, int peers, bool reply) {
    if (std::getenv("VERANTA_HOST_IP") == nullptr) setenv("VERANTA_HOST_IP", kLoopback, 1);
    if (::pipe(stop_) != 0) std::abort();
    thread_ = std::thread([this, bare, peers, reply] {
      pthread_setname_np(pthread_self(), "hub");  // for profiles: perf report --comm hub
      if (bare) {
        run_bare(reply);
      } else {
        run_agent(peers, reply);
      }
    });
    port_.wait(0);
  }
  ~HubThread() {
    if (::write(stop_[1], "x", 1) != 1) std::abort();
    thread_.join();
    ::close(stop_[0]);
    ::close(stop_[1]);
  }

  unsigned port() const { return port_.load(); }
  // The count that wait_for's callers wait for next.
  void expect(int messages) { target_.store(messages); }
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
  void counted(int messages) {
    if (received_.fetch_add(messages) + messages >= target_.load()) received_.notify_all();
  }
  void started(unsigned port) {
    port_.store(port);
    port_.notify_all();
  }
  void run_agent(int peers, bool reply) {
    platform::PollLoop loop;
    platform::set_current_loop(&loop);
    {
      CAgentHost host;
      auto agent = std::make_unique<HubAgent>(reply, [this] { counted(1); });
      HubAgent* hub = agent.get();
      host.AssignContainer(std::move(agent));
      char name[] = "hub";
      char* argv[] = {name, nullptr};
      CCommandLine command_line;
      command_line.parse_commandline(1, argv);
      if (host.CreateContainer(&command_line, 1) == 0) std::abort();
      // Room for every peer: the default would close connections past 1,024.
      CServerSocket::Limits limits;
      limits.accepted = peers + 16;
      hub->get_communicator()->get_server()->set_limits(limits);
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
      started(hub->get_communicator()->get_port());
      while (!stopping) loop.process_events(-1);
      loop.unwatch(stop_watch);
    }
    platform::set_current_loop(nullptr);
  }

  void run_bare(bool reply) {
    const std::string answer =
        "(tell :sender hub :receiver peer-0 :ontology default-language :language "
        "default-ontology :reply-with r2 :in-reply-to   :forward-to   :content (  (ok) ))" +
        std::string(1, kEnd);
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, SOMAXCONN) != 0 ||
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
      std::abort();
    }
    // The stop pipe, the listener, then the peers.
    std::vector<pollfd> watched{{stop_[0], POLLIN, 0}, {listener, POLLIN, 0}};
    started(ntohs(address.sin_port));
    while (true) {
      if (::poll(watched.data(), watched.size(), -1) < 0) {
        if (errno == EINTR) continue;
        std::abort();
      }
      if (watched[0].revents != 0) break;
      for (size_t i = 2; i < watched.size(); ++i) {
        if (watched[i].revents == 0) continue;
        char buffer[4096];
        const ssize_t count = ::recv(watched[i].fd, buffer, sizeof buffer, 0);
        if (count <= 0) {  // the peer is gone: the benchmark is over
          ::close(watched[i].fd);
          watched[i].fd = -1;
          continue;
        }
        const auto texts = static_cast<int>(std::count(buffer, buffer + count, kEnd));
        for (int t = 0; reply && t < texts; ++t) write_all(watched[i].fd, answer);
        counted(texts);
      }
      if (watched[1].revents != 0) {
        const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) std::abort();
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
        watched.push_back({fd, POLLIN, 0});
      }
    }
    for (size_t i = 1; i < watched.size(); ++i) {
      if (watched[i].fd >= 0) ::close(watched[i].fd);
    }
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

// A hub with its peers connected, each of which has sent a first message
// (which names its connection at an agent hub) and read its answer.
class FanInSide {
 public:
  FanInSide(bool bare, int peers, bool reply) : hub_(bare, peers, reply), reply_(reply) {
    for (int i = 0; i < peers; ++i) fds_.push_back(connect_to(hub_.port()));
    expected_ = peers;
    hub_.expect(expected_);
    for (int i = 0; i < peers; ++i) write_all(fds_[i], peer_message(i));
    hub_.wait_for(expected_);
    if (reply_) {
      for (const int fd : fds_) read_messages(fd, 1);
    }
  }
  ~FanInSide() {
    for (const int fd : fds_) ::close(fd);
  }

  // One round: every peer writes its burst and, when the hub answers, reads
  // the answers. Adds the round's wall time and the hub's CPU time to *tally.
  void round(const std::vector<std::string>& bursts, Tally* tally) {
    expected_ += static_cast<int>(fds_.size()) * kBurst;
    hub_.expect(expected_);
    const double cpu_before = hub_.cpu_s();
    Stopwatch watch;
    for (size_t i = 0; i < fds_.size(); ++i) write_all(fds_[i], bursts[i]);
    if (reply_) {
      for (const int fd : fds_) read_messages(fd, kBurst);
    }
    hub_.wait_for(expected_);
    tally->wall_s += watch.wall_s();
    tally->cpu_s += hub_.cpu_s() - cpu_before;
  }

 private:
  HubThread hub_;
  bool reply_;
  std::vector<int> fds_;
  int expected_ = 0;
};

// Args: the number of peers, 1 when the hub answers every message.
void FanIn(benchmark::State& state) {
  const int peers = static_cast<int>(state.range(0));
  const bool reply = state.range(1) != 0;
  raise_descriptor_limit(4 * static_cast<rlim_t>(peers) + 64);
  std::vector<std::string> bursts;
  for (int i = 0; i < peers; ++i) {
    std::string burst;
    for (int m = 0; m < kBurst; ++m) burst += peer_message(i);
    bursts.push_back(std::move(burst));
  }
  FanInSide agents(false, peers, reply);
  FanInSide bare(true, peers, reply);
  Comparison side;
  for (auto _ : state) {
    agents.round(bursts, &side.agents);
    bare.round(bursts, &side.plain);
    side.messages += static_cast<long>(peers) * kBurst;
  }
  side.report(state);
}
BENCHMARK(FanIn)
    ->ArgNames({"peers", "reply"})
    ->ArgsProduct({{1, 10, 100, 500, 1000, 2000}, {0, 1}})
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The same megabyte fed in 2,047-byte pieces to a new Cutter per iteration;
// `feed` gives the number of texts that a piece ended.
template <typename Cutter, typename Feed>
void cut_megabyte(benchmark::State& state, Feed feed) {
  std::string text(1u << 20, 'x');
  text.back() = kEnd;
  for (auto _ : state) {
    Cutter cutter;
    size_t messages = 0;
    for (size_t at = 0; at < text.size(); at += 2047) {
      messages += feed(cutter, std::string_view(text).substr(at, 2047));
    }
    benchmark::DoNotOptimize(messages);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                          static_cast<int64_t>(text.size()));
}

// The cutting alone: the framer fed the megabyte of LargeMessage.
void FramerLargeMessage(benchmark::State& state) {
  cut_megabyte<CMessageFramer>(state, [](CMessageFramer& framer, std::string_view piece) {
    return framer.feed(piece).messages.size();
  });
}
BENCHMARK(FramerLargeMessage)->Unit(benchmark::kMillisecond);

// The baseline of FramerLargeMessage: the same pieces cut as the bare
// receiver cuts them.
void PlainCutLargeMessage(benchmark::State& state) {
  cut_megabyte<PlainCutter>(state, [](PlainCutter& cutter, std::string_view piece) {
    return static_cast<size_t>(cutter.feed(piece));
  });
}
BENCHMARK(PlainCutLargeMessage)->Unit(benchmark::kMillisecond);

}  // namespace
