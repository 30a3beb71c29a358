#include "Toolwick/debug.h"

#include <cstdarg>
#include <map>

namespace {

// Streams that a CDebug opened by path, with the number of objects using each.
// Adopting such a stream counts one more user; the last to let go closes it.
// Made on first use and never destroyed: objects of static storage duration
// made before it (a program's global command line) let go of their files
// after every other static object has gone.
std::map<FILE*, int>& opened_files() {
  static auto* files = new std::map<FILE*, int>;
  return *files;
}

void acquire(FILE* stream) {
  auto it = opened_files().find(stream);
  if (it != opened_files().end()) ++it->second;
}

void release(FILE* stream) {
  auto it = opened_files().find(stream);
  if (it == opened_files().end()) return;
  if (--it->second == 0) {
    std::fclose(stream);
    opened_files().erase(it);
  }
}

constexpr const char* kAbbreviations[19] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat",
                                            "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

const char* weekday_name(int wday) { return wday >= 0 && wday < 7 ? kAbbreviations[wday] : "???"; }
const char* month_name(int mon) { return mon >= 0 && mon < 12 ? kAbbreviations[7 + mon] : "???"; }

}  // namespace

void CDebug::let_go() {
  if (stream_ != nullptr) release(stream_);
  stream_ = nullptr;
}

void CDebug::set_file(const char* path) {
  if (path == nullptr) return;
  HeapText copy(path);  // `path` may be our own get_file()
  let_go();
  path_ = std::move(copy);
  stream_ = std::fopen(path_.get(), "w");
  if (stream_ != nullptr) opened_files()[stream_] = 1;
}

void CDebug::set_file(FILE* stream) {
  if (stream == nullptr || stream == stream_) return;
  acquire(stream);
  let_go();
  stream_ = stream;
}

int CDebug::Create(const char* path) {
  set_file(path);
  return stream_ != nullptr ? 1 : 0;
}

void CDebug::close() { let_go(); }

void CDebug::write_line(const char* fmt, va_list args) {
  if (stream_ == nullptr) return;
  const time_t now = std::time(nullptr);
  tm local{};
  localtime_r(&now, &local);
  std::fprintf(stream_, "[%.5ld] [%s] ", counter_++, my_asctime_short(&local));
  std::vfprintf(stream_, fmt, args);
  std::fputs("\n", stream_);
  std::fflush(stream_);
}

void CDebug::dprintf(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  write_line(fmt, args);
  va_end(args);
}

void CDebug::debug(const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  write_line(fmt, args);
  va_end(args);
}

char* CDebug::my_asctime(const tm* time) {
  static char text[96];
  if (time == nullptr) {
    text[0] = '\0';
    return text;
  }
  std::snprintf(text, sizeof text, "%.3s-%.3s-%2d-%.2d_%2d_%.2d-%d", weekday_name(time->tm_wday),
                month_name(time->tm_mon), time->tm_mday, time->tm_hour, time->tm_min, time->tm_sec,
                time->tm_year + 1900);
  return text;
}

char* CDebug::my_asctime_short(const tm* time) {
  static char text[48];
  if (time == nullptr) {
    text[0] = '\0';
    return text;
  }
  std::snprintf(text, sizeof text, "%.2d:%2d:%.2d", time->tm_hour, time->tm_min, time->tm_sec);
  return text;
}
