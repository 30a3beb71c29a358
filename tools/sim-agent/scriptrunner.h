// ScriptRunner: runs the steps of a script through a CSimAgent, turning the
// event loop while it pauses and waits, so that messages come in and
// get_weather is answered meanwhile. The first step that fails ends the
// run with one line "FAILED: line N: why" on stdout.
//
// The agent and the loop are not owned and must outlive the runner.
#pragma once

#include <chrono>
#include <csignal>
#include <functional>
#include <vector>

#include "Platform/eventloop.h"
#include "simagent.h"
#include "simscript.h"

class ScriptRunner {
 public:
  // The run stops (as a failure) once *stop is non-zero; null: never.
  ScriptRunner(CSimAgent* agent, platform::EventLoop* loop, const volatile std::sig_atomic_t* stop)
      : agent_(agent), loop_(loop), stop_(stop) {}

  // True when every step went through and every awaited message came.
  bool run(const std::vector<SimStep>& steps);

 private:
  bool run_step(int line, const SendStep& send);
  bool run_step(int line, const AwaitStep& await);
  bool run_step(int line, const PauseStep& pause);
  bool run_step(int line, const ClockStep& clock);
  bool run_step(int line, const TeammateStep& teammate);
  bool run_step(int line, const WeatherStep& weather);
  bool run_step(int line, const MarkStep& mark);
  bool run_step(int line, const ElapsedStep& elapsed);
  // Turns the loop for `ms`; false when stopped meanwhile.
  bool wait(int ms);
  // Turns the loop until done() holds (true), `ms` passed or the run is
  // stopped (false).
  bool turn_until(int ms, const std::function<bool()>& done);
  bool stopped() const { return stop_ != nullptr && *stop_ != 0; }
  bool fail(int line, const std::string& why);

  CSimAgent* agent_;
  platform::EventLoop* loop_;
  const volatile std::sig_atomic_t* stop_;
  std::chrono::steady_clock::time_point mark_ = std::chrono::steady_clock::now();
};
