// Fuzzes reading space arcs: the input is read and written. The oracle: the
// written text reads back into a fresh arc with every field the same, and
// that arc writes the same text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "Sidewick/spacearc.h"
#include "oracle.h"

namespace {

bool same_arc(const CSpaceArc& a, const CSpaceArc& b) {
  return std::strcmp(a.get_label(), b.get_label()) == 0 && a.get_arctype() == b.get_arctype() &&
         a.get_locationtype() == b.get_locationtype() &&
         a.get_human_traversable() == b.get_human_traversable() &&
         a.get_permanent() == b.get_permanent() && a.get_active() == b.get_active();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  CSpaceArc arc;
  arc.from_string(text.data());
  const std::string written = arc.to_string();
  CSpaceArc back;
  std::string copy = written;
  FUZZ_CHECK(back.from_string(copy.data()) == 1);
  FUZZ_CHECK(same_arc(arc, back));
  FUZZ_CHECK(back.to_string() == written);
  return 0;
}
