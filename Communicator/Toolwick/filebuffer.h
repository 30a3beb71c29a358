// CFileBuffer: a whole text file in memory, handed out line by line; the
// lines are cut in place in the loaded text.
#pragma once

#include <cstdint>
#include <memory>

#include "Toolwick/streambuffer.h"

class CFileBuffer : public CStreamBuffer {
 public:
  CFileBuffer() = default;

  // Loads the file at `path`, replacing what was loaded; CR LF pairs become
  // LF. Returns the text (owned by the buffer), or null -- and nothing loaded
  // -- when `path` is null, the file cannot be opened, or its size cannot be
  // found (a pipe, a device).
  char* load_a_file(const char* path);
  // The next line (ended by LF, CR or the end of the text, the line end
  // overwritten with NUL), part of the loaded text; null when used up or
  // nothing is loaded. A text ending in a line end yields a last empty line.
  char* read_line();
  // The loaded text, with the NULs that read_line wrote into it.
  char* get_buffer() const { return buffer_.get(); }
  int32_t get_length() const { return length_; }
  // Does nothing.
  void create_list() {}

 private:
  void unload();

  std::unique_ptr<char[]> buffer_;
  int32_t length_ = 0;
  char* cursor_ = nullptr;
};
