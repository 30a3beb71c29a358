// A child process for the tests that need a process of their own:
//   platformqt-probe ask box:TEXT question:TEXT ...   shows each box and asks
//       each question in order, printing "answer: yes|no" after a question
//   platformqt-probe crash segv|abort                 installs the crash
//       reporter in the working directory and crashes
//   platformqt-probe exit                             installs it and exits 0
#include <sys/mman.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PlatformQt/crashreport.h"
#include "PlatformQt/qtmessagebox.h"

namespace {

int ask(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  int app_argc = 1;
  QApplication app(app_argc, argv);
  for (int i = 2; i < argc; ++i) {
    const std::string item = argv[i];
    if (item.rfind("box:", 0) == 0) {
      platform::show_box(nullptr, item.c_str() + 4);
    } else if (item.rfind("question:", 0) == 0) {
      const bool yes = platform::ask_yes_no(nullptr, item.c_str() + 9);
      std::printf("answer: %s\n", yes ? "yes" : "no");
      std::fflush(stdout);
    }
  }
  return 0;
}

// A write to a page that may not be touched: a real fault, not a raise.
void fault() {
  void* page = mmap(nullptr, 4096, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  *static_cast<volatile int*>(page) = 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "ask") return ask(argc, argv);
  if (Install(nullptr) == nullptr) return 2;
  if (mode == "exit") return 0;
  if (mode == "crash" && argc > 2 && std::strcmp(argv[2], "segv") == 0) fault();
  if (mode == "crash" && argc > 2 && std::strcmp(argv[2], "abort") == 0) std::abort();
  return 3;
}
