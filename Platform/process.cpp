#include "Platform/process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

namespace {

// Reads the errno that the exec'ing child wrote, 0 when the pipe closed
// without a word (the exec succeeded and closed it for us).
int read_exec_error(int fd) {
  int error = 0;
  for (;;) {
    const ssize_t got = read(fd, &error, sizeof error);
    if (got < 0 && errno == EINTR) continue;
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
  }
}

}  // namespace

int start_process(const std::string& path, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return errno;

  // Double fork: the intermediate child exits at once and is reaped here; the
  // program runs in the grandchild, which init adopts and reaps.
  const pid_t child = fork();
  if (child < 0) {
    const int error = errno;
    ::close(report[0]);
    ::close(report[1]);
    return error;
  }
  if (child == 0) {
    ::close(report[0]);
    const pid_t grandchild = fork();
    if (grandchild == 0) {
      execv(path.c_str(), argv.data());
      const int error = errno;
      ssize_t ignored = write(report[1], &error, sizeof error);
      (void)ignored;
      _exit(127);
    }
    if (grandchild < 0) {
      const int error = errno;
      ssize_t ignored = write(report[1], &error, sizeof error);
      (void)ignored;
    }
    _exit(0);
  }

  ::close(report[1]);
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  const int error = read_exec_error(report[0]);
  ::close(report[0]);
  return error;
}

}  // namespace platform
