// Test helper: a fresh temporary directory that becomes the working directory
// for the life of the object; the previous working directory and the removal of
// the tree come back when it goes.
#pragma once

#include <string>

namespace testsupport {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& path() const { return path_; }
  // path() + "/" + name
  std::string file(const std::string& name) const;

  // Whole-file helpers for fixtures.
  static void write(const std::string& path, const std::string& bytes);
  static std::string read(const std::string& path);
  static bool exists(const std::string& path);

 private:
  std::string path_;
  std::string previous_;
};

}  // namespace testsupport
