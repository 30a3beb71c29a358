// CMapSource: the text of a map data file named by a URL, read line by line.
// "file://" locations name a file on this machine by its path, percent-
// encoded ("%20" for a blank), and are read at once; "http://" locations are
// fetched with an HTTP/1.0 GET from the event loop, without holding it:
// connected, asked and read as the server answers, the body of a successful
// answer being the text. A fetch that has not ended within kFetchTimeoutMs
// fails. A text longer than kMaxText is refused.
//
// The source belongs to whoever opened it; destroying it gives up a fetch
// still running, whose callback is then never called. The event loop that
// is current when Open is called must outlive the fetch.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "Toolwick/debug.h"

class CMapSource : public CDebug {
 public:
  static constexpr int kFetchTimeoutMs = 5000;
  static constexpr size_t kMaxText = 16u << 20;

  // Told once whether the text could be read.
  using Done = std::function<void(bool read)>;

  CMapSource();
  ~CMapSource() override;
  CMapSource(const CMapSource&) = delete;
  CMapSource& operator=(const CMapSource&) = delete;

  // Reads the text at `url` in place of the one held before (a fetch still
  // running is given up, its callback never called) and tells `done`: before Open returns for a file or for a location it refuses,
  // from the event loop for an http location. Not read (false, no text):
  // neither scheme, a path that does not decode (a bad escape, or one that
  // makes a NUL byte), no regular file that can be read, a server that
  // cannot be reached, that answers with a status other than 2xx or not in
  // time, or a text too long. `done` may destroy the source.
  void Open(const char* url, Done done);
  // Whether the last Open read its text; whether it failed for want of time.
  bool IsRead() const { return read_; }
  bool TimedOut() const { return timedOut_; }
  // The next line without its line end (LF, or CR LF); false when the text
  // is used up. Rewind starts again from the first line.
  bool ReadLine(std::string* line);
  void Rewind() { at_ = 0; }

 private:
  class Fetch;

  bool ReadFile(const std::string& url);
  // The fetch has ended: `reply` is the whole answer when it came in time.
  void Fetched(bool answered, const std::string& reply);

  std::string text_;
  size_t at_ = 0;
  bool read_ = false;
  bool timedOut_ = false;
  Done done_;
  std::unique_ptr<Fetch> fetch_;
};

// The body of an HTTP reply ("HTTP/x.y NNN ...", header lines, an empty
// line, the body) whose status is 2xx; false for any other text. Header
// lines may end with CR LF or LF alone.
bool HttpReplyBody(std::string_view reply, std::string* body);
