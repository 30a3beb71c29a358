// CDNA: a CDebug with a name, the key by which objects are found in lists.
#pragma once

#include "Toolwick/debug.h"

class CDNA : public CDebug {
 public:
  CDNA() = default;
  // Named by a copy of `name`; null leaves the object unnamed.
  explicit CDNA(const char* name) : name_(name) {}

  // The name, owned by the object unless it is viewed; null when unnamed.
  char* get_name() const { return name_.get(); }
  // Keeps a copy of `name` (safe when it is the current name); null unnames.
  void set_name(const char* name) { name_.set(name); }
  // Named by `name` itself, not a copy, for records whose owner keeps the
  // text alive longer than them (the entities of a parse). A later
  // set_name copies as usual.
  void view_name(char* name) { name_.view(name); }
  // Accepts a diagnostic text and discards it (farewell messages of the lists).
  void dump(const char* /*text*/) {}

 private:
  HeapText name_;
};
