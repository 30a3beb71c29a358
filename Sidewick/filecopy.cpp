#include "Sidewick/filecopy.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileCloser {
  void operator()(FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

int copy_file(const char* target_directory, const char* source_directory, const char* name) {
  if (target_directory == nullptr || source_directory == nullptr || name == nullptr) return 1;
  const std::string source_path = std::string(source_directory) + "/" + name;
  const std::string target_path = std::string(target_directory) + "/" + name;
  File source(std::fopen(source_path.c_str(), "rb"));
  if (source == nullptr) {
    std::printf("Unable to open source file\n%s\n", source_path.c_str());
    return 1;
  }
  File target(std::fopen(target_path.c_str(), "wb"));
  if (target == nullptr) {
    std::printf("Unable to open target file\n%s\n", target_path.c_str());
    return 1;
  }
  char buffer[4096];
  bool copied = true;
  for (size_t got; copied && (got = std::fread(buffer, 1, sizeof buffer, source.get())) > 0;) {
    copied = std::fwrite(buffer, 1, got, target.get()) == got;
  }
  copied = copied && std::ferror(source.get()) == 0;
  // A full disk may show only when the rest is flushed on closing.
  if (std::fclose(target.release()) != 0) copied = false;
  if (!copied) {
    std::printf("Unable to write target file\n%s\n", target_path.c_str());
    return 1;
  }
  return 0;
}
