#include "PlatformQt/qtprofile.h"

#include <algorithm>

namespace platform {

namespace {

QString key(const char* section, const char* entry) {
  return QString::fromUtf8(section != nullptr ? section : "") + '/' +
         QString::fromUtf8(entry != nullptr ? entry : "");
}

QString recent_key(size_t index) {
  return key(QtProfile::kRecentFileSection, ("File" + std::to_string(index + 1)).c_str());
}

}  // namespace

QtProfile::QtProfile(const char* application)
    : settings_(QString::fromUtf8(kOrganisation), QString::fromUtf8(application)) {}

std::string QtProfile::GetProfileString(const char* section, const char* entry,
                                        const char* default_value) {
  const QVariant value = settings_.value(key(section, entry));
  if (!value.isValid()) return default_value != nullptr ? default_value : "";
  return value.toString().toStdString();
}

bool QtProfile::WriteProfileString(const char* section, const char* entry, const char* value) {
  if (value == nullptr) {
    settings_.remove(key(section, entry));
  } else {
    settings_.setValue(key(section, entry), QString::fromUtf8(value));
  }
  return sync();
}

int QtProfile::GetProfileInt(const char* section, const char* entry, int default_value) {
  bool ok = false;
  const int value = settings_.value(key(section, entry)).toString().toInt(&ok);
  return ok ? value : default_value;
}

bool QtProfile::WriteProfileInt(const char* section, const char* entry, int value) {
  return WriteProfileString(section, entry, std::to_string(value).c_str());
}

void QtProfile::LoadStdProfileSettings(unsigned max_recent) {
  max_recent_ = max_recent;
  recent_.clear();
  for (size_t i = 0; i < max_recent_; ++i) {
    const QString path = settings_.value(recent_key(i)).toString();
    if (!path.isEmpty()) recent_.push_back(path.toStdString());
  }
}

void QtProfile::AddToRecentFileList(const char* path) {
  if (path == nullptr || *path == '\0' || max_recent_ == 0) return;
  recent_.erase(std::remove(recent_.begin(), recent_.end(), path), recent_.end());
  recent_.insert(recent_.begin(), path);
  if (recent_.size() > max_recent_) recent_.resize(max_recent_);
  for (size_t i = 0; i < max_recent_; ++i) {
    if (i < recent_.size()) {
      settings_.setValue(recent_key(i), QString::fromStdString(recent_[i]));
    } else {
      settings_.remove(recent_key(i));
    }
  }
  sync();
}

bool QtProfile::sync() {
  settings_.sync();
  return settings_.status() == QSettings::NoError;
}

}  // namespace platform
