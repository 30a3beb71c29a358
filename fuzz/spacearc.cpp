// Fuzzes reading space arcs: the input is read, written and read back into
// a fresh arc. An arc whose label is a plain word must come back whole.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Sidewick/spacearc.h"

namespace {

bool plain(const char* label) {
  if (*label == '\0') return false;
  for (const char* c = label; *c != '\0'; ++c) {
    const bool word = (*c >= 'a' && *c <= 'z') || (*c >= 'A' && *c <= 'Z') ||
                      (*c >= '0' && *c <= '9') || *c == '-' || *c == '_';
    if (!word) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  CSpaceArc arc;
  arc.from_string(text.data());
  std::string written = arc.to_string();
  CSpaceArc back;
  if (back.from_string(written.data()) != 1) {
    if (plain(arc.get_label())) __builtin_trap();
    return 0;
  }
  // The text carries every field: the same text, the same arc.
  if (plain(arc.get_label()) && std::string(back.to_string()) != written) __builtin_trap();
  return 0;
}
