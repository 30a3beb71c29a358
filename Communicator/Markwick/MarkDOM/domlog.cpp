#include "MarkDOM/domlog.h"

#include <new>

namespace {

constexpr const char* kErrorFile = "ErrFileName.txt";
constexpr const char* kInfoFile = "InfoFileName.txt";

void closeFile(std::FILE*& file) {
  if (file != nullptr) std::fclose(file);
  file = nullptr;
}

}  // namespace

DOMLog::~DOMLog() { close(); }

int DOMLog::open() {
  if (mutex_ == nullptr) mutex_.reset(new (std::nothrow) std::mutex);
  if (mutex_ == nullptr) return 1;
  std::lock_guard<std::mutex> lock(*mutex_);
  closeFile(errors_);
  closeFile(infos_);
  errors_ = std::fopen(kErrorFile, "a");
  infos_ = std::fopen(kInfoFile, "a");
  if (errors_ == nullptr || infos_ == nullptr) {
    closeFile(errors_);
    closeFile(infos_);
    return -1;
  }
  return 0;
}

void DOMLog::close() {
  if (mutex_ == nullptr) return;
  std::lock_guard<std::mutex> lock(*mutex_);
  closeFile(errors_);
  closeFile(infos_);
}

void DOMLog::error(const char* text) { write(true, text); }

void DOMLog::info(const char* text) { write(false, text); }

void DOMLog::write(bool toErrors, const char* text) {
  if (mutex_ == nullptr || text == nullptr) return;
  std::lock_guard<std::mutex> lock(*mutex_);
  std::FILE* file = toErrors ? errors_ : infos_;
  if (file == nullptr) return;
  std::fputs(text, file);
  std::fputc('\n', file);
  std::fflush(file);
}
