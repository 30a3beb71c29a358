// CFileModule: the event log file, one file per agent run:
//   <home>/Logfiles/Log-<weekday>-<month>/<name>-<start time>.txt
// with one line per event ("[**]" internal, "[<-]" incoming, "[->]"
// outgoing) and one per state change. The home directory is the framework's
// (the "VERANTA" variable); all runs on the same weekday of the same month
// share a folder.
//
// The file is opened once, by the constructor, and closed by the destructor;
// a module whose set-up failed writes nothing. The belief database and the
// communicator are not owned and must outlive the module.
#pragma once

#include <string>

#include "Relaywick/logfacility.h"
#include "Toolwick/heaptext.h"

class CFileModule : public CLogFacility {
 public:
  // Makes the folders and opens the file when the database holds "name" and
  // the home directory is set; `name` names the file.
  CFileModule(const char* name, CBeliefDB* db, CCommunicator* communicator, unsigned kind);
  ~CFileModule() override;

  // Writes the line of the state; 0 without a database, a "name" element or
  // a communicator.
  int change_state(unsigned state) override;
  // Writes one event line: the agent name, the marker of the direction and
  // the text on one line. Nothing for a null or empty text, one that holds
  // the filter, or without "name" or file.
  void process_message(const char* text, int direction) override;

  // Events whose text contains `text` are not written; null sets no filter.
  void set_filter(const char* text) { filter_.set(text); }
  int get_counter() const { return counter_; }

 private:
  // 1 when `dir` holds an entry named `name`.
  static int directory_exists(const char* dir, const char* name);
  // Makes `path` unless `parent` already holds `name`; false on failure.
  static bool ensure_directory(const std::string& parent, const char* name);
  // "Log-%.3s-%.3s" of the weekday and month of the local time.
  static std::string get_logdir(const tm& local);

  int counter_ = 0;
  HeapText filter_;
};
