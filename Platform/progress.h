// Progress of a long task (rendering a map): a bar that a GUI back end shows
// (PlatformQt/qtprogress.h). This base is the default and shows nothing.
#pragma once

namespace platform {

class Progress {
 public:
  virtual ~Progress() = default;
  // Shows the progress at `low` of the range `low` to `high`; each step()
  // then moves it by `step`, up to `high`.
  virtual void begin(int /*low*/, int /*high*/, int /*step*/) {}
  virtual void step() {}
  // The task is done: the progress goes away.
  virtual void end() {}
};

}  // namespace platform
