#include "PlatformQt/crashreport.h"

#include <execinfo.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr int kFatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};
constexpr int kMaxFrames = 64;

char g_path[PATH_MAX];
// The handler's own stack, so that a stack overflow can still be reported.
alignas(16) char g_handler_stack[64 * 1024];

const char* signal_name(int signal_number) {
  switch (signal_number) {
    case SIGSEGV: return "SIGSEGV (invalid memory access)";
    case SIGBUS: return "SIGBUS (bus error)";
    case SIGFPE: return "SIGFPE (arithmetic error)";
    case SIGILL: return "SIGILL (illegal instruction)";
    case SIGABRT: return "SIGABRT (aborted)";
    default: return "unknown signal";
  }
}

void write_text(int fd, const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    const ssize_t written = ::write(fd, text, left);
    if (written <= 0) return;
    text += written;
    left -= static_cast<size_t>(written);
  }
}

// The decimal digits of `value`, into `out` of at least 12 characters.
void format_number(int value, char* out) {
  char digits[12];
  size_t count = 0;
  unsigned magnitude = static_cast<unsigned>(value);
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  while (count > 0) *out++ = digits[--count];
  *out = '\0';
}

void on_fatal_signal(int signal_number, siginfo_t* /*info*/, void* /*context*/) {
  const int fd = ::open(g_path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd >= 0) {
    char number[12];
    format_number(signal_number, number);
    write_text(fd, "TesselStation crashed: signal ");
    write_text(fd, number);
    write_text(fd, " ");
    write_text(fd, signal_name(signal_number));
    write_text(fd, "\nBacktrace:\n");
    void* frames[kMaxFrames];
    backtrace_symbols_fd(frames, backtrace(frames, kMaxFrames), fd);
    ::close(fd);
  }
  // The handler was reset on entry: the signal, blocked until this returns,
  // then ends the process the default way. A fault that is re-executed on
  // return does the same.
  ::raise(signal_number);
}

}  // namespace

void* Install(const char* directory) {
  char cwd[PATH_MAX];
  if (directory == nullptr) {
    if (::getcwd(cwd, sizeof cwd) == nullptr) return nullptr;
    directory = cwd;
  }
  const int length = std::snprintf(g_path, sizeof g_path, "%s/crash-%ld.txt", directory,
                                   static_cast<long>(::getpid()));
  if (length < 0 || static_cast<size_t>(length) >= sizeof g_path) return nullptr;

  // The first backtrace loads the unwinder, which allocates: done here, not
  // in the handler.
  void* frame;
  backtrace(&frame, 1);

  stack_t handler_stack{};
  handler_stack.ss_sp = g_handler_stack;
  handler_stack.ss_size = sizeof g_handler_stack;
  if (::sigaltstack(&handler_stack, nullptr) != 0) return nullptr;

  struct sigaction action{};
  action.sa_sigaction = on_fatal_signal;
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (const int signal_number : kFatalSignals) {
    if (::sigaction(signal_number, &action, nullptr) != 0) return nullptr;
  }
  return g_path;
}
