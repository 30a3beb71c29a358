// CGUID: a globally unique identifier text, made at construction from a new
// time-based (version 1) UUID: "{XXXXXXXX-XXXX-1XXX-YXXX-XXXXXXXXXXXX}" in
// upper case (38 characters).
#pragma once

#include "Toolwick/heaptext.h"
#include "Toolwick/listelement.h"

class CUuidGenerator;

class CGUID : public CListElement {
 public:
  CGUID() { generate_guid(); }

  // Makes a new UUID with the process-wide generator, keeps its text and
  // returns it (owned by the object).
  char* generate_guid();
  // The same with the given generator (not kept).
  char* generate_guid(CUuidGenerator& generator);
  // The text, owned by the object; null when unset.
  char* get_guid() const { return guid_.get(); }
  // Keeps a copy of `guid`; null unsets.
  void set_guid(const char* guid) { guid_.set(guid); }

 private:
  HeapText guid_;
};
