// Counted lists of the station's messages: a count under "number" and the
// entries under keywords made of a prefix and an index, such as ":0" in a
// scenario list or ":client2" in a team. Internal to the station's core.
#pragma once

#include <cstdint>
#include <vector>

class CParser;

namespace station {

// The indices below `count` of the entries that the parsed `list` holds
// under `prefix` followed by an index written as "%d" writes it, highest
// first, each once. Only keywords present are looked at, so a count far
// beyond the entries, or a negative one, costs nothing.
std::vector<int32_t> CountedEntries(CParser& list, const char* prefix, int32_t count);

}  // namespace station
