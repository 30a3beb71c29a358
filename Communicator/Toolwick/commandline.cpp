#include "Toolwick/commandline.h"

#include "Toolwick/parameter.h"

CCommandLine::CCommandLine() : CLList("command_line") {}

CCommandLine::CCommandLine(const char* name) : CLList(name) {}

void CCommandLine::parse_commandline(int argc, char** argv) {
  delete_list();
  if (argv == nullptr) {
    argc_ = 0;
    argv_ = nullptr;
    return;
  }
  argc_ = argc;
  argv_ = argv;
  for (int i = 0; i < argc; ++i) {
    if (argv[i] == nullptr || argv[i][0] != '-') continue;
    auto* option = new CParameter(argv[i] + 1);
    // Bounded by argc: the vector need not end with a null entry.
    if (i + 1 < argc && argv[i + 1] != nullptr) option->set_content(argv[i + 1]);
    add_element(option);
  }
}

char* CCommandLine::find_token(const char* name) const {
  if (name == nullptr) return nullptr;
  if (name[0] == '-') ++name;
  auto* option = dynamic_cast<CParameter*>(find_element(name));
  return option != nullptr ? option->get_value() : nullptr;
}
