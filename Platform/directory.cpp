#include "Platform/directory.h"

#include <dirent.h>
#include <fnmatch.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace platform {

bool list_directory(const std::string& dir, const std::string& pattern,
                    std::vector<DirEntry>* entries) {
  entries->clear();
  std::string base = dir;
  if (!base.empty() && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  if (base.empty() && !dir.empty()) base = "/";

  std::unique_ptr<DIR, int (*)(DIR*)> handle(opendir(base.empty() ? "." : base.c_str()), closedir);
  if (!handle) return false;

  const bool every_entry = pattern == "*.*";
  while (const dirent* entry = readdir(handle.get())) {
    const std::string name = entry->d_name;
    if (!every_entry && fnmatch(pattern.c_str(), name.c_str(), 0) != 0) continue;
    struct stat info {};
    const std::string full = (base == "/" ? "" : base) + "/" + name;
    const bool is_dir = stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    entries->push_back({name, is_dir});
  }
  std::sort(entries->begin(), entries->end(),
            [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
  return true;
}

}  // namespace platform
