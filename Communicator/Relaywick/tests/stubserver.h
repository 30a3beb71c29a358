// Servers for the SMTP and HTTP client tests: each serves one connection on
// loopback from a thread of its own, scripted ahead, and records what came.
#pragma once

#include <string>
#include <thread>
#include <vector>

namespace stubserver {

// Reply markers: a '|' inside a reply cuts it into pieces sent 50 ms apart;
// a reply ending in kClose closes the connection once the rest went out; an
// empty reply sends nothing.
inline constexpr const char* kClose = "<close>";

class StubServer {
 public:
  StubServer();
  virtual ~StubServer();
  StubServer(const StubServer&) = delete;
  StubServer& operator=(const StubServer&) = delete;

  unsigned port() const { return port_; }
  // Waits until the client closed (at most a few seconds) and the thread ended.
  void finish();

 protected:
  // Runs the script; called on the thread with the accepted connection.
  virtual void serve() = 0;
  // Starts the thread; subclasses call it last in their constructors.
  void start();
  // One line up to and including its LF (or what came before the close).
  std::string read_line();
  // Everything up to and including `end`, or what came before the close.
  std::string read_until(const std::string& end);
  // What comes until nothing came for quiet_ms.
  std::string read_quietly(int quiet_ms);
  // Sends a reply in its pieces; false once the connection was closed.
  bool send_reply(const std::string& reply);
  // Reads until the client closes.
  void drain();

 private:
  int listener_ = -1;
  int connection_ = -1;
  unsigned port_ = 0;
  std::thread thread_;
};

// A mail server: greets with the first reply and answers each command line
// with the next one; after a reply beginning 354 it takes the mail up to the
// end of data before it answers. Lines after the last reply are recorded
// unanswered.
class SmtpStub : public StubServer {
 public:
  explicit SmtpStub(std::vector<std::string> replies);
  ~SmtpStub() override { finish(); }
  // Valid after finish().
  const std::vector<std::string>& commands() const { return commands_; }
  const std::string& mail() const { return mail_; }

 protected:
  void serve() override;

 private:
  std::vector<std::string> replies_;
  std::vector<std::string> commands_;
  std::string mail_;
};

// A web server: reads the request head (and as much more as comes within
// 200 ms), then sends the response and closes; a response ending in
// "<silent>" sends the rest and then waits for the client to close.
class HttpStub : public StubServer {
 public:
  explicit HttpStub(std::string response);
  ~HttpStub() override { finish(); }
  const std::string& request() const { return request_; }

 protected:
  void serve() override;

 private:
  std::string response_;
  std::string request_;
};

}  // namespace stubserver
