// DOMLog: the diagnostic log of the document model, two files in the working
// directory opened for appending: "ErrFileName.txt" for errors and
// "InfoFileName.txt" for information. A mutex of its own guards them, so
// lines from several threads do not mix; open() and close() are called from
// one thread, before and after the others write.
#pragma once

#include <cstdio>
#include <memory>
#include <mutex>

class DOMLog {
 public:
  DOMLog() = default;
  DOMLog(const DOMLog&) = delete;
  DOMLog& operator=(const DOMLog&) = delete;
  // Closes the files.
  ~DOMLog();

  // Makes the mutex (once) and opens both files, closing them first when
  // they are open. 1 when the mutex cannot be made, -1 when a file cannot be
  // opened (then neither is open), else 0.
  int open();
  // Closes both files; nothing when they are not open.
  void close();
  // Append `text` and a line end to the error or the information file;
  // nothing when the log is not open.
  void error(const char* text);
  void info(const char* text);

 private:
  // The file is picked under the mutex, as close() may be clearing it.
  void write(bool toErrors, const char* text);

  std::unique_ptr<std::mutex> mutex_;
  std::FILE* errors_ = nullptr;
  std::FILE* infos_ = nullptr;
};
