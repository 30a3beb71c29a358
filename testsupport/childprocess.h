// Test helper: a program run as a child process with its standard output on
// a pipe, killed and reaped when the object goes. The children get
// VERANTA_HOST_IP and VERANTA_MULTICAST_IF set to 127.0.0.1, so that they
// stay on loopback whatever the caller's environment.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace childtest {

class ChildProcess {
 public:
  ChildProcess() = default;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ~ChildProcess() { stop(); }

  // The soft descriptor limit of the children started from now on; 0 (the
  // default) leaves the caller's.
  void set_descriptor_limit(rlim_t limit) { descriptor_limit_ = limit; }

  // Runs `path` with `args` (argv[0] is added). False when it could not be
  // started; a program that cannot be executed exits with 127.
  bool start(const std::string& path, const std::vector<std::string>& args) {
    std::vector<std::string> texts{path};
    texts.insert(texts.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& text : texts) argv.push_back(text.data());
    argv.push_back(nullptr);

    // Built before fork: the child only calls async-signal-safe functions.
    std::vector<std::string> settings{"VERANTA_HOST_IP=127.0.0.1",
                                      "VERANTA_MULTICAST_IF=127.0.0.1"};
    for (char** e = environ; *e != nullptr; ++e) {
      if (std::strncmp(*e, "VERANTA_", 8) != 0) settings.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& setting : settings) envp.push_back(setting.data());
    envp.push_back(nullptr);

    rlimit descriptors{};
    getrlimit(RLIMIT_NOFILE, &descriptors);
    if (descriptor_limit_ > 0) descriptors.rlim_cur = descriptor_limit_;

    int pipe_fds[2];
    if (pipe2(pipe_fds, O_CLOEXEC) != 0) return false;
    pid_ = fork();
    if (pid_ < 0) {
      close(pipe_fds[0]);
      close(pipe_fds[1]);
      return false;
    }
    if (pid_ == 0) {
      dup2(pipe_fds[1], STDOUT_FILENO);
      close_range(3, ~0u, 0);
      setrlimit(RLIMIT_NOFILE, &descriptors);
      execve(argv[0], argv.data(), envp.data());
      _exit(127);
    }
    close(pipe_fds[1]);
    out_ = pipe_fds[0];
    return true;
  }

  // The next line of the child's output (without its line end); false when
  // none came within timeout_ms or the output ended.
  bool read_line(std::string* line, int timeout_ms = 5000) {
    const auto deadline = now() + std::chrono::milliseconds(timeout_ms);
    for (;;) {
      const size_t end = pending_.find('\n');
      if (end != std::string::npos) {
        *line = pending_.substr(0, end);
        pending_.erase(0, end + 1);
        output_ += *line + "\n";
        return true;
      }
      if (!fill(deadline)) return false;
    }
  }

  // Everything the child writes until its output ends (it exited) or
  // timeout_ms passed, after the lines read so far.
  std::string read_all(int timeout_ms) {
    const auto deadline = now() + std::chrono::milliseconds(timeout_ms);
    while (fill(deadline)) {
    }
    output_ += pending_;
    pending_.clear();
    return output_;
  }

  // The exit status once the child ended within timeout_ms (-1 for a
  // signal), else -2 and the child keeps running.
  int wait_exit(int timeout_ms) {
    const auto deadline = now() + std::chrono::milliseconds(timeout_ms);
    while (pid_ > 0) {
      int status = 0;
      const pid_t done = waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        break;
      }
      if (now() >= deadline) return -2;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return status_;
  }

  // SIGTERM, then SIGKILL when it has not ended after two seconds; reaps it
  // and closes the pipe. Nothing happens for a child that is gone already.
  void stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      if (wait_exit(2000) == -2) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
      }
    }
    if (out_ >= 0) close(out_);
    out_ = -1;
  }

  pid_t pid() const { return pid_; }

 private:
  using Clock = std::chrono::steady_clock;
  static Clock::time_point now() { return Clock::now(); }

  // Reads what is there before the deadline; false at the end of the
  // output or when the time is up.
  bool fill(Clock::time_point deadline) {
    if (out_ < 0) return false;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now()).count();
    if (left <= 0) return false;
    pollfd ready{out_, POLLIN, 0};
    if (poll(&ready, 1, static_cast<int>(left)) <= 0) return false;
    char buffer[1024];
    const ssize_t got = read(out_, buffer, sizeof buffer);
    if (got <= 0) {
      close(out_);
      out_ = -1;
      return false;
    }
    pending_.append(buffer, static_cast<size_t>(got));
    return true;
  }

  rlim_t descriptor_limit_ = 0;
  pid_t pid_ = -1;
  int out_ = -1;
  int status_ = -1;
  std::string pending_;
  std::string output_;
};

// Starts the name server peer at `path` on a free loopback port with the
// extra `switches`; its port, or 0 when it did not come up.
inline unsigned start_ans_server(ChildProcess* child, const std::string& path,
                                 const std::vector<std::string>& switches = {}) {
  std::vector<std::string> args{"--port", "0"};
  args.insert(args.end(), switches.begin(), switches.end());
  std::string line;
  if (!child->start(path, args) || !child->read_line(&line)) return 0;
  const std::string prefix = "ans-server listening on ";
  if (line.rfind(prefix, 0) != 0) return 0;
  return static_cast<unsigned>(std::stoul(line.substr(prefix.size())));
}

}  // namespace childtest
