// Message throughput of the communicator on loopback, side by side with a
// bare pair of sockets carrying the same 0x04-framed texts:
//   OneWay      messages per second from one communicator to another
//   RoundTrip   request and answer between two communicators
//   LargeMessage  one 1 MiB message arriving in receives of 2,047 bytes
// Each reports both rates and the ratio bare / communicator. Everything runs
// on one thread and one loop, except the sender of the large message.
#include <benchmark/benchmark.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <arpa/inet.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

#include "Platform/pollloop.h"
#include "Relaywick/communicator.h"
#include "Relaywick/messageframer.h"
#include "Toolwick/url.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr char kEnd = 0x04;
constexpr const char* kLoopback = "127.0.0.1";
constexpr int kBatch = 100;

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A communicator whose window takes every message as the agent container
// does: read, answer (optionally), remove.
class Agent : public CWnd {
 public:
  explicit Agent(const char* name) : comm_(std::make_unique<CCommunicator>()) {
    comm_->set_name(name);
    comm_->set_port(0);
    comm_->set_handler(this);
    if (comm_->Create() == 0) std::abort();
  }
  ~Agent() override { comm_.reset(); }

  CCommunicator& comm() { return *comm_; }
  // Makes `other` known in the service table.
  void know(Agent& other) {
    auto* entry = new CServiceInfo;
    entry->set_name(other.comm().get_name());
    auto* location = new CURL;
    location->set_host(kLoopback);
    location->set_port(static_cast<int32_t>(other.comm().get_port()));
    entry->set_location(location);
    static_cast<CListBelief*>(comm_->get_beliefdb()->find_element("lookup"))
        ->get_value()
        ->add_element(entry);
  }

  long received = 0;
  std::string last;
  std::function<void()> on_message;

 protected:
  LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) override {
    if (message != WM_SOCKET_NOTIFY) return CWnd::WindowProc(message, wParam, lParam);
    auto* connection = dynamic_cast<CClientSocket*>(comm_->get_connection(lParam));
    if (connection == nullptr) return 0;
    if (const char* text = connection->mfc_getdata()) {
      ++received;
      last = text;
      if (on_message) on_message();
    }
    connection->remove_from_queue();
    return 0;
  }

 private:
  std::unique_ptr<CCommunicator> comm_;
};

void tell(Agent& from, const char* to) {
  from.comm().comm_sendmessage("tell", to, "default-language", "default-ontology", "r1", nullptr,
                               nullptr, "(ok :unit 7 :pos (lat 52.1 lon 4.3) :state active)",
                               nullptr);
}

// Spins: a round that only ran queued calls must not wait in poll after
// the awaited message came.
void run_until(platform::EventLoop& loop, const std::function<bool()>& done) {
  while (!done()) loop.process_events(0);
}

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

void write_all(int fd, const std::string& bytes) {
  for (size_t sent = 0; sent < bytes.size();) {
    const ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (count <= 0) std::abort();
    sent += static_cast<size_t>(count);
  }
}

// Reads 2,047-byte pieces, cutting at 0x04, until `messages` ended.
void read_messages(int fd, long messages, std::string* held) {
  char buffer[2047];
  while (messages > 0) {
    const ssize_t count = ::recv(fd, buffer, sizeof buffer, 0);
    if (count <= 0) std::abort();
    for (ssize_t i = 0; i < count; ++i) {
      if (buffer[i] == kEnd) {
        --messages;
        held->clear();
      } else {
        held->push_back(buffer[i]);
      }
    }
  }
}

void report(benchmark::State& state, long messages, double communicator_s, double bare_s) {
  state.counters["communicator/s"] = static_cast<double>(messages) / communicator_s;
  state.counters["bare/s"] = static_cast<double>(messages) / bare_s;
  state.counters["ratio"] = communicator_s / bare_s;
}

class Loop {
 public:
  Loop() {
    if (std::getenv("VERANTA_HOST_IP") == nullptr) setenv("VERANTA_HOST_IP", kLoopback, 1);
    platform::set_current_loop(&loop);
  }
  ~Loop() { platform::set_current_loop(nullptr); }
  platform::PollLoop loop;
};

void OneWay(benchmark::State& state) {
  Loop l;
  {
    Agent a("agent-a");
    Agent b("agent-b");
    a.know(b);
    tell(a, "agent-b");  // connects, and gives the text for the bare pair
    run_until(l.loop, [&] { return b.received == 1; });
    const std::string text = b.last + kEnd;
    BarePair bare;
    std::string held;
    double communicator_s = 0;
    double bare_s = 0;
    long messages = 0;
    for (auto _ : state) {
      const long target = b.received + kBatch;
      Clock::time_point start = Clock::now();
      for (int i = 0; i < kBatch; ++i) tell(a, "agent-b");
      run_until(l.loop, [&] { return b.received == target; });
      communicator_s += seconds_since(start);

      start = Clock::now();
      for (int i = 0; i < kBatch; ++i) write_all(bare.a, text);
      read_messages(bare.b, kBatch, &held);
      bare_s += seconds_since(start);
      messages += kBatch;
    }
    report(state, messages, communicator_s, bare_s);
  }
}
BENCHMARK(OneWay)->UseRealTime()->Unit(benchmark::kMillisecond);

void RoundTrip(benchmark::State& state) {
  Loop l;
  {
    Agent a("agent-a");
    Agent b("agent-b");
    a.know(b);
    b.know(a);
    // B answers over the connection that A's first message named.
    b.on_message = [&] { tell(b, "agent-a"); };
    tell(a, "agent-b");
    run_until(l.loop, [&] { return a.received == 1; });
    const std::string text = a.last + kEnd;
    BarePair bare;
    std::string held;
    double communicator_s = 0;
    double bare_s = 0;
    long trips = 0;
    for (auto _ : state) {
      Clock::time_point start = Clock::now();
      for (int i = 0; i < kBatch; ++i) {
        const long target = a.received + 1;
        tell(a, "agent-b");
        run_until(l.loop, [&] { return a.received == target; });
      }
      communicator_s += seconds_since(start);

      start = Clock::now();
      for (int i = 0; i < kBatch; ++i) {
        write_all(bare.a, text);
        read_messages(bare.b, 1, &held);
        write_all(bare.b, text);
        read_messages(bare.a, 1, &held);
      }
      bare_s += seconds_since(start);
      trips += kBatch;
    }
    report(state, trips, communicator_s, bare_s);
    // Both sides kept to one connection each way.
    state.counters["connections"] = a.comm().get_server()->get_sockets()->get_nr_elements() +
                                    b.comm().get_server()->get_sockets()->get_nr_elements();
  }
}
BENCHMARK(RoundTrip)->UseRealTime()->Unit(benchmark::kMillisecond);

void LargeMessage(benchmark::State& state) {
  Loop l;
  {
    Agent b("agent-b");
    std::string text = "(tell :sender big :content (";
    text.append((1u << 20) - text.size() - 3, 'x');
    text += "))";
    text += kEnd;
    double communicator_s = 0;
    double bare_s = 0;
    long messages = 0;
    for (auto _ : state) {
      // A new peer each time: a plain descriptor sending from its own thread.
      BarePair link;
      const int peer = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
      sockaddr_in address{};
      address.sin_family = AF_INET;
      address.sin_port = htons(static_cast<uint16_t>(b.comm().get_port()));
      address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
      if (::connect(peer, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
      const long target = b.received + 1;
      Clock::time_point start = Clock::now();
      std::thread sender([&] { write_all(peer, text); });
      run_until(l.loop, [&] { return b.received == target; });
      communicator_s += seconds_since(start);
      sender.join();
      if (b.last.size() + 1 != text.size()) std::abort();
      ::close(peer);

      std::string held;
      start = Clock::now();
      std::thread bare_sender([&] { write_all(link.a, text); });
      read_messages(link.b, 1, &held);
      bare_s += seconds_since(start);
      bare_sender.join();
      ++messages;
    }
    report(state, messages, communicator_s, bare_s);
    state.counters["MiB/s"] = static_cast<double>(messages) / communicator_s;
  }
}
BENCHMARK(LargeMessage)->UseRealTime()->Unit(benchmark::kMillisecond);

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
