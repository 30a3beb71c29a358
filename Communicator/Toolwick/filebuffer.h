// CFileBuffer: a whole text file in memory, handed out line by line; the
// lines are cut in place in the loaded text.
#pragma once

#include <cstddef>
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
  // Loads a copy of the `size` bytes at `bytes` as load_a_file loads a
  // file's, replacing what was loaded, and returns the text (owned by the
  // buffer); null -- and nothing loaded -- for null bytes or a text too
  // long for the length.
  char* load_text(const char* bytes, size_t size);
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
  // Holds the `size` bytes of `text` (a block of at least size + 1) as the
  // loaded text, CR LF pairs made LF; returns it.
  char* take(std::unique_ptr<char[]> text, size_t size);

  std::unique_ptr<char[]> buffer_;
  int32_t length_ = 0;
  char* cursor_ = nullptr;
};
