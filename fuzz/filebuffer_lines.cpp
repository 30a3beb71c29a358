// Fuzzes reading a text line by line: the input as a file's bytes. The
// oracle: the lines are the text up to its first NUL, CR LF read as LF,
// split at every LF and CR (a line end at the end gives a last empty line);
// and the lines joined with LF read back as the same lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "Toolwick/filebuffer.h"
#include "oracle.h"

namespace {

std::vector<std::string> lines_of(CFileBuffer& buffer, const std::string& bytes) {
  std::vector<std::string> lines;
  FUZZ_CHECK(buffer.load_text(bytes.data(), bytes.size()) != nullptr);
  for (const char* line = buffer.read_line(); line != nullptr; line = buffer.read_line()) {
    lines.emplace_back(line);
  }
  FUZZ_CHECK(buffer.read_line() == nullptr);
  return lines;
}

// The lines as the format defines them, worked out apart from the reader.
std::vector<std::string> expected_lines(const std::string& bytes, size_t* length) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
    text += bytes[i];
  }
  *length = text.size();
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines(1);
  for (const char c : text) {
    if (c == '\n' || c == '\r') {
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  CFileBuffer buffer;
  const std::vector<std::string> lines = lines_of(buffer, bytes);
  size_t length = 0;
  FUZZ_CHECK(lines == expected_lines(bytes, &length));
  FUZZ_CHECK(static_cast<size_t>(buffer.get_length()) == length);

  std::string written;
  for (size_t i = 0; i < lines.size(); ++i) written += (i > 0 ? "\n" : "") + lines[i];
  FUZZ_CHECK(lines_of(buffer, written) == lines);
  return 0;
}
