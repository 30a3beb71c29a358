// Directory search: the entries of one directory that match a pattern.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct DirEntry {
  std::string name;
  bool is_directory = false;
};

// Fills `entries` with the entries of `dir` whose names match `pattern`
// (shell wildcards; "*.*" matches every entry, "." and ".." included), sorted
// by name. `dir` may end in '/' or '\'. False when `dir` cannot be opened.
bool list_directory(const std::string& dir, const std::string& pattern,
                    std::vector<DirEntry>* entries);

}  // namespace platform
