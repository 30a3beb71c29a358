// CMapSource: the text of a map data file named by a URL, read line by line.
// "file://" locations name a file on this machine by its path, percent-
// encoded ("%20" for a blank); "http://" locations are fetched with an
// HTTP/1.0 GET (Relaywick's CWebSocket), and the body of a successful answer
// is the text. The whole text is read when the source opens; the call
// blocks until then (a fetch within the web client's timeout).
#pragma once

#include <cstddef>
#include <string>

#include "Toolwick/debug.h"

class CMapSource : public CDebug {
 public:
  // Reads the text at `url` in place of the one held before. False, with no
  // text, when the URL names neither scheme, a path does not decode (a bad
  // escape, or one that makes a NUL byte), the file is not a regular file
  // that can be read, the server cannot be reached, or it answers with a
  // status other than 2xx.
  bool Open(const char* url);
  // The next line without its line end (LF, or CR LF); false when the text
  // is used up.
  bool ReadLine(std::string* line);

 private:
  bool ReadFile(const std::string& url);
  bool Fetch(const std::string& url);

  std::string text_;
  size_t at_ = 0;
};
