// CBeliefDB: the agent's belief database, a list of beliefs (owned) named
// "BeliefDB". The communicator's settings and the service table (the list
// belief "lookup") live in it.
#pragma once

#include "Credwick/belief.h"
#include "Toolwick/llist.h"

class CParser;

class CBeliefDB : public CLList {
 public:
  CBeliefDB();

  // Set to 1 when a lookup module creates, renames or marks gone a service
  // table entry, and when an entry expires.
  void set_modified(int modified) { modified_ = modified; }
  int get_modified() const { return modified_; }

  // Reads and parses the file at `path`; nothing of it enters the database.
  // Always 0.
  int load_db(const char* path);
  // Creates or empties the file at `path`; nothing is written. Always 0.
  int save_db(const char* path);
  // Writes the text dump of the beliefs and the service table to `path`
  // (truncated). A file that cannot be opened gives nothing.
  void dump_beliefs(const char* path);

 private:
  // Takes nothing from a parsed belief file: 0.
  int process_data(CParser* parser);

  int modified_ = 0;
};
