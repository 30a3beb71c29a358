// Fixtures of the connection and communicator tests: a log that can be read
// back, a window and an event module that record what they are told, and
// plain descriptors as peers on loopback, so that the agent's sockets meet
// the system alone.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Platform/tests/looptest.h"
#include "Platform/wnd.h"
#include "Relaywick/logfacility.h"
#include "Relaywick/socketbase.h"

namespace relaytest {

inline constexpr const char* kLoopback = "127.0.0.1";

// An environment setting for the life of the object.
class EnvSetting {
 public:
  EnvSetting(const char* name, const char* value);
  ~EnvSetting();
  EnvSetting(const EnvSetting&) = delete;
  EnvSetting& operator=(const EnvSetting&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// A log stream in memory; it must outlive every object that writes to it.
class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  FILE* stream() const { return stream_; }
  // The lines so far, without their "[number] [time] " prefix.
  std::vector<std::string> lines() const;
  bool has(const std::string& line) const;
  // The lines that begin with `prefix`.
  std::vector<std::string> starting(const std::string& prefix) const;

 private:
  FILE* stream_ = nullptr;
  char* buffer_ = nullptr;
  size_t size_ = 0;
};

// Records every WM_SOCKET_NOTIFY it gets; on_notify, when set, runs on each.
class RecordingWindow : public CWnd {
 public:
  struct Notice {
    WPARAM type;
    LPARAM descriptor;
  };
  std::vector<Notice> notices;
  std::function<void(const Notice&)> on_notify;

 protected:
  LRESULT WindowProc(unsigned message, WPARAM wParam, LPARAM lParam) override;
};

// An event module that records its calls in order ("state 3", "registered
// 0", "message 2 <text>").
class RecordingModule : public CLogFacility {
 public:
  explicit RecordingModule(const char* name, std::vector<std::string>* calls = nullptr,
                           bool* destroyed = nullptr);
  ~RecordingModule() override;

  int change_state(unsigned state) override;
  void process_message(const char* text, int direction) override;

  std::vector<std::string> own_calls;
  std::function<void()> on_message;  // runs after each recorded message

 private:
  std::vector<std::string>* calls_;
  bool* destroyed_;
};

// Runs rounds of `loop` until `done()` holds or timeout_ms passed; checks
// after every round, also one that only ran queued calls.
bool run_until(platform::EventLoop& loop, const std::function<bool()>& done,
               int timeout_ms = 3000);

// --- Plain descriptors as peers (blocking, with timeouts)

// A listening descriptor on loopback; its port in *port.
int listen_peer(unsigned* port);
// A descriptor connected to loopback `port` (blocking connect).
int connect_peer(unsigned port);
// accept() that waits at most timeout_ms; -1 when nothing came.
int accept_peer(int listener, int timeout_ms = 3000);
// Writes all of `bytes`; false when the connection broke.
bool send_peer(int fd, const std::string& bytes);
// Reads until `count` bytes came, the peer closed or timeout_ms passed.
std::string read_peer(int fd, size_t count, int timeout_ms = 3000);
// Reads up to and including the first 0x04 (or NUL), or what came in time.
std::string read_message(int fd, int timeout_ms = 3000);
// True when the peer closed (end of stream or reset) within timeout_ms.
bool peer_closed(int fd, int timeout_ms = 3000);
// Closes with a reset instead of the orderly close.
void reset_peer(int fd);
void close_peer(int fd);

}  // namespace relaytest
