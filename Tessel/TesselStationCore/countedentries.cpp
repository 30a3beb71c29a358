#include "TesselStationCore/countedentries.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <functional>
#include <string>

#include "Lexwick/parser.h"
#include "Toolwick/llist.h"
#include "Toolwick/token.h"

namespace station {

namespace {

// The index that a keyword such as ":client12" names after `prefix`; -1 for
// any other keyword.
int32_t entry_index(const char* keyword, const char* prefix) {
  const size_t length = std::strlen(prefix);
  if (keyword == nullptr || keyword[0] != ':' || std::strncmp(keyword + 1, prefix, length) != 0) {
    return -1;
  }
  const char* digits = keyword + 1 + length;
  if (digits[0] < '0' || digits[0] > '9') return -1;
  const char* end = digits + std::strlen(digits);
  int32_t index = -1;
  const auto [stop, error] = std::from_chars(digits, end, index);
  if (error != std::errc() || stop != end || std::to_string(index) != digits) return -1;
  return index;
}

}  // namespace

std::vector<int32_t> CountedEntries(CParser& list, const char* prefix, int32_t count) {
  std::vector<int32_t> indices;
  // One walk along the links: indexing the list from its head for every
  // entry would cost the square of the entries.
  if (const CLList* tokens = list.get_tokens()) {
    for (const CListElement* e = tokens->get_element(0); e != nullptr; e = e->get_next()) {
      const auto* token = dynamic_cast<const CToken*>(e);
      if (token == nullptr || token->get_token() == nullptr) continue;
      const int32_t index = entry_index(token->get_token()->get_name(), prefix);
      if (index >= 0 && index < count) indices.push_back(index);
    }
  }
  std::sort(indices.begin(), indices.end(), std::greater<>());
  indices.erase(std::unique(indices.begin(), indices.end()), indices.end());
  return indices;
}

}  // namespace station
