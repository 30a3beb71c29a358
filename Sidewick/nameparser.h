// CNameParser: the place of a parser of personal names; it reads nothing yet.
#pragma once

class CNameParser {
 public:
  virtual ~CNameParser() = default;

  void parse_name(const char* /*name*/) {}
};
