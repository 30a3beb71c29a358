#include "MarkDOM/domexception.h"

#include <cstdio>

namespace {

const char* messageOf(int code) {
  switch (code) {
    case DOM_NOT_FOUND_ERR:
      return "\n MarkDOM: Referencing a non-existing node";
    case DOM_NO_NODE_ERR:
      return "\n MarkDOM: Node Not found: First create a node";
    case DOM_FILE_ERR:
      return "\n MarkDOM: Fatal Error During Parsing: Check if the file exists\n";
    case DOM_CANNOT_DELETE_ERR:
      return "\n MarkDOM: Cannot Delete Node: First delete all its attributes and children";
    case DOM_PARSE_ERR:
      return "\n MarkDOM: Fatal Error During Parsing: Check the document\n";
    case DOM_NO_MEMORY_ERR:
      return "\n MarkDOM: Fatal Error During Memory Allocation: Free up some memory\n";
    default:
      return "";
  }
}

}  // namespace

DOMException::DOMException(int code) : code_(code) {
  std::snprintf(message_, sizeof message_, "%s", messageOf(code));
}
