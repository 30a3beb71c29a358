// CCommandLine: the options of a program's command line, each written as a
// dash and a name followed by a value ("-port 6678"). Each option is a
// CParameter named without the dash whose value is the following argument.
#pragma once

#include "Toolwick/llist.h"

class CCommandLine : public CLList {
 public:
  // Empty, named "command_line".
  CCommandLine();
  explicit CCommandLine(const char* name);

  // Destroys the old options, keeps `argc` and `argv` (not copied: the vector
  // must outlive their use), then adds one option for every argument that
  // begins with '-', valued by the next argument when there is one: -a -b x
  // gives a = "-b" and b = "x". Reads at most `argc` entries; null entries
  // are passed over and a null `argv` gives no options.
  void parse_commandline(int argc, char** argv);
  // The value of the first option named `name` (one leading '-' ignored),
  // owned by the option; null for null, no match or an option without value.
  char* find_token(const char* name) const;

  // The vector last parsed.
  int get_argc() const { return argc_; }
  char** get_argv() const { return argv_; }

 private:
  int argc_ = 0;
  char** argv_ = nullptr;
};
