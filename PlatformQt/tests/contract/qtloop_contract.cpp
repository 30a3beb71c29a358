// Platform's event-loop, window and socket tests on the Qt back end: every
// LoopTest of this program runs on a fresh QtLoop.
#include <memory>

#include "Platform/tests/looptest.h"
#include "PlatformQt/qtloop.h"

namespace {

const bool qt_loop_chosen = [] {
  looptest::set_factory([]() -> std::unique_ptr<platform::EventLoop> {
    return std::make_unique<platform::QtLoop>();
  });
  return true;
}();

}  // namespace
