#include "Toolwick/filebuffer.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

void CFileBuffer::unload() {
  buffer_.reset();
  length_ = 0;
  cursor_ = nullptr;
}

char* CFileBuffer::load_a_file(const char* path) {
  unload();
  if (path == nullptr) return nullptr;
  FILE* stream = std::fopen(path, "rb");
  if (stream == nullptr) return nullptr;
  struct stat info {};
  if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > INT32_MAX - 2) {
    std::fclose(stream);
    return nullptr;
  }
  const size_t size = static_cast<size_t>(info.st_size);
  std::unique_ptr<char[]> text(new (std::nothrow) char[size + 2]);
  if (!text) {
    std::fclose(stream);
    return nullptr;
  }
  const size_t got = std::fread(text.get(), 1, size, stream);
  std::fclose(stream);
  return take(std::move(text), got);
}

char* CFileBuffer::load_text(const char* bytes, size_t size) {
  unload();
  if (bytes == nullptr || size > INT32_MAX - 2) return nullptr;
  std::unique_ptr<char[]> text(new (std::nothrow) char[size + 2]);
  if (!text) return nullptr;
  std::memcpy(text.get(), bytes, size);
  return take(std::move(text), size);
}

char* CFileBuffer::take(std::unique_ptr<char[]> text, size_t size) {
  // Text mode of the original platform: every CR LF pair reads as LF.
  size_t out = 0;
  for (size_t in = 0; in < size; ++in) {
    if (text[in] == '\r' && in + 1 < size && text[in + 1] == '\n') continue;
    text[out++] = text[in];
  }
  text[out] = '\0';

  buffer_ = std::move(text);
  length_ = static_cast<int32_t>(out);
  cursor_ = buffer_.get();
  return buffer_.get();
}

char* CFileBuffer::read_line() {
  if (cursor_ == nullptr) return nullptr;
  char* line = cursor_;
  char* end = line + std::strcspn(line, "\r\n");
  if (*end == '\0') {
    cursor_ = nullptr;
  } else {
    *end = '\0';
    cursor_ = end + 1;
  }
  return line;
}
