// Fixed file names of the framework on this platform.
#pragma once

namespace platform {

// Where CLList::dump_list appends its diagnostic dump (the working directory).
inline constexpr const char* kListDumpFile = "listdump.txt";

}  // namespace platform
