// The program's profile: named settings kept between runs by QSettings (on
// Linux an INI file under the user's configuration directory), under the
// organisation kOrganisation and the program's name, with the list of the
// files opened last.
//
// Values are read and written at once; a section is a group of the
// settings, an entry a key in it. The texts returned are the caller's.
#pragma once

#include <QSettings>

#include <string>
#include <vector>

namespace platform {

class QtProfile {
 public:
  static constexpr const char* kOrganisation = "Veranta Agent Systems TesselStation Project";
  // The section of the recent-file list; its entries are "File1", "File2", ...
  static constexpr const char* kRecentFileSection = "Recent File List";

  // The profile of the program `application`.
  explicit QtProfile(const char* application);
  QtProfile(const QtProfile&) = delete;
  QtProfile& operator=(const QtProfile&) = delete;

  // The entry's text, or `default_value` (null: "") when it is not set.
  std::string GetProfileString(const char* section, const char* entry,
                               const char* default_value = nullptr);
  // Stores the text; a null value removes the entry. False when the
  // settings cannot be written.
  bool WriteProfileString(const char* section, const char* entry, const char* value);
  // The entry as a decimal number, or `default_value` when it is not set or
  // is no number.
  int GetProfileInt(const char* section, const char* entry, int default_value);
  bool WriteProfileInt(const char* section, const char* entry, int value);

  // Reads the recent-file list, which keeps at most `max_recent` files.
  void LoadStdProfileSettings(unsigned max_recent = 4);
  // Puts `path` first in the list (moving it up when it is there already),
  // drops what no longer fits and stores the list.
  void AddToRecentFileList(const char* path);
  // The files, the last opened first.
  const std::vector<std::string>& recent_files() const { return recent_; }

 private:
  bool sync();

  QSettings settings_;
  unsigned max_recent_ = 0;
  std::vector<std::string> recent_;
};

}  // namespace platform
