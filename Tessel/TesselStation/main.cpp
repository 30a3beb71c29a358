// tesselstation: the station of the defence exercise.
//
//   tesselstation [-name N] [-port P] [-ans HOST] [-ansport P] [-screenshot FILE]
//
// Runs until its main window closes, or until SIGINT or SIGTERM;
// exits 0 then, 1 when the agent could not start. On start it prints one
// line: the agent's name, where it listens and whether the name server
// registered it. With TESSEL_UNATTENDED=1 boxes and questions are printed
// rather than shown (PlatformQt/qtmessagebox.h).
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <vector>

#include "TesselStation/tesselstationapp.h"

namespace {

// The write end of the pipe on which a signal asks the program to end.
int g_signalPipe = -1;

void OnSignal(int /*signal*/) {
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = write(g_signalPipe, &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  // Qt takes the options it knows out of argv, under X11 "-name" among
  // them; the station reads its command line from the vector as it came.
  std::vector<char*> arguments(argv, argv + argc + 1);
  QApplication application(argc, argv);
  CTesselStationApp app(static_cast<int>(arguments.size()) - 1, arguments.data());
  if (!app.InitInstance()) return 1;

  // Set up before the first line goes out: whoever reads it may stop the
  // program at once.
  int pipe[2];
  if (pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
  g_signalPipe = pipe[1];
  QSocketNotifier closing(pipe[0], QSocketNotifier::Read);
  // Ending every event loop, a box's included, the windows and the agent
  // go once no handler runs any more. Not quit(), which the chat window,
  // which never closes, would refuse.
  QObject::connect(&closing, &QSocketNotifier::activated, &application, [&closing] {
    closing.setEnabled(false);
    QCoreApplication::exit(0);
  });
  std::signal(SIGINT, OnSignal);
  std::signal(SIGTERM, OnSignal);
  std::printf("%s\n", app.Whereabouts().c_str());
  return application.exec();
}
