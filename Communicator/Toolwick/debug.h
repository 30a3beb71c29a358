// CDebug: the root of nearly every framework class. Each object may have a
// debug log -- a file it opened by path, or a stream it adopted -- to which
// debug() and dprintf() write numbered, time-stamped lines:
//   [00041] [22: 5:07] <CParser> KQML parser assigned
#pragma once

#include <cstdio>
#include <ctime>

#include "Toolwick/heaptext.h"

#define TW_PRINTF(fmt_index, first_arg) __attribute__((format(printf, fmt_index, first_arg)))

class CDebug {
 public:
  CDebug() = default;
  CDebug(const CDebug&) = delete;
  CDebug& operator=(const CDebug&) = delete;
  // Lets go of the log stream: a file opened by path is closed once its last
  // user (this object or one that adopted it) lets go; an adopted stream that
  // no CDebug opened is never closed.
  virtual ~CDebug() {
    if (stream_ != nullptr) let_go();
  }

  // Both write one line "[%.5ld] [%s] " + message + "\n" and flush, when a
  // stream is set; nothing otherwise. The message length is unbounded.
  virtual void dprintf(const char* fmt, ...) TW_PRINTF(2, 3);
  virtual void debug(const char* fmt, ...) TW_PRINTF(2, 3);

  // Opens `path` for writing (truncating) as the log; null is ignored. The
  // old stream is let go first. When the file cannot be opened logging is off.
  void set_file(const char* path);
  // Adopts an open stream as the log, typically another object's
  // get_file_pointer(); null is ignored.
  void set_file(FILE* stream);
  // set_file(path); 1 when the file is open, else 0.
  int Create(const char* path);
  // Lets go of the stream; logging is off afterwards.
  void close();

  // The path last set by set_file(path), owned; null when none.
  char* get_file() const { return path_.get(); }
  // The log stream, null when logging is off.
  FILE* get_file_pointer() const { return stream_; }

  // "%.3s-%.3s-%2d-%.2d_%2d_%.2d-%d", e.g. Tue-Dec- 8-22_27_43-2026, in one
  // buffer shared by every caller and overwritten by the next call. A null
  // time gives ""; a weekday or month out of range reads "???".
  static char* my_asctime(const tm* time);
  // "%.2d:%2d:%.2d" (blank-padded minute, e.g. 09: 5:07) in a second shared buffer.
  static char* my_asctime_short(const tm* time);

 private:
  void write_line(const char* fmt, va_list args) TW_PRINTF(2, 0);
  void let_go();

  FILE* stream_ = nullptr;
  HeapText path_;
  long counter_ = 0;
};
