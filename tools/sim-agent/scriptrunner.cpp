#include "scriptrunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

// Loop rounds are short, so that a message or a signal is seen soon.
constexpr int kRoundMs = 20;

std::string duration_text(int ms) {
  return ms % 1000 == 0 ? std::to_string(ms / 1000) + "s" : std::to_string(ms) + "ms";
}

// "COMMAND key=value ... from A to B", as the step wrote it.
std::string describe(const Expectation& expect) {
  std::string text = expect.command;
  for (const auto& [key, value] : expect.fields) text += " " + key + "=" + value;
  if (!expect.from.empty()) text += " from " + expect.from;
  return text + " to " + expect.to;
}

}  // namespace

bool ScriptRunner::run(const std::vector<SimStep>& steps) {
  for (const SimStep& step : steps) {
    const bool done =
        std::visit([&](const auto& action) { return run_step(step.line, action); }, step.action);
    if (!done) return false;
  }
  return true;
}

bool ScriptRunner::run_step(int line, const SendStep& send) {
  std::string error;
  if (send.count == 1) return agent_->send(send.sender, send.content, &error) || fail(line, error);
  // One line for the lot: the messages themselves may be long.
  std::printf("send: %d messages from %s: %s\n", send.count, send.sender.c_str(),
              send.content.c_str());
  for (int n = 0; n < send.count; ++n) {
    if (!agent_->send(repeated(send.sender, n), repeated(send.content, n), &error, false)) {
      return fail(line, "message " + std::to_string(n) + ": " + error);
    }
    // Between sends the loop turns, so that the station's answers are taken.
    loop_->process_events(0);
    if (stopped()) return fail(line, "interrupted");
  }
  return true;
}

bool ScriptRunner::run_step(int line, const AwaitStep& await) {
  if (turn_until(await.within_ms, [&] { return agent_->take(await.expect); })) return true;
  if (stopped()) return fail(line, "interrupted");
  return fail(line,
              "no " + describe(await.expect) + " within " + duration_text(await.within_ms));
}

bool ScriptRunner::run_step(int line, const PauseStep& pause) {
  return wait(pause.ms) || fail(line, "interrupted");
}

bool ScriptRunner::run_step(int line, const ClockStep& clock) {
  for (long long minute = clock.from; minute <= clock.to; minute += clock.step) {
    if (minute != clock.from && !wait(clock.every_ms)) return fail(line, "interrupted");
    const SendStep pulse{agent_->get_communicator()->get_name(),
                         "tell :command clock_sync :clock " + std::to_string(minute)};
    if (!run_step(line, pulse)) return false;
    if (clock.awaits && !run_step(line, clock.await)) return false;
  }
  return true;
}

bool ScriptRunner::run_step(int line, const TeammateStep& teammate) {
  std::string error;
  if (!agent_->add_alias(teammate.name, &error)) return fail(line, error);
  std::printf("teammate: %s registered\n", teammate.name.c_str());
  return true;
}

bool ScriptRunner::run_step(int /*line*/, const WeatherStep& weather) {
  agent_->set_weather(weather);
  return true;
}

bool ScriptRunner::run_step(int /*line*/, const MarkStep& /*mark*/) {
  mark_ = Clock::now();
  return true;
}

bool ScriptRunner::run_step(int /*line*/, const ElapsedStep& elapsed) {
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - mark_).count();
  std::printf("elapsed: %s %lld ms\n", elapsed.label.c_str(), static_cast<long long>(ms));
  return true;
}

bool ScriptRunner::wait(int ms) {
  turn_until(ms, [] { return false; });
  return !stopped();
}

bool ScriptRunner::turn_until(int ms, const std::function<bool()>& done) {
  const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
  for (;;) {
    if (done()) return true;
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0 || stopped()) return false;
    loop_->process_events(static_cast<int>(std::min<long long>(left, kRoundMs)));
  }
}

bool ScriptRunner::fail(int line, const std::string& why) {
  std::printf("FAILED: line %d: %s\n", line, why.c_str());
  return false;
}
