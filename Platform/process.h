// Starting a program without waiting for it.
#pragma once

#include <string>
#include <vector>

namespace platform {

// Starts the program at `path` with the argument vector `args` (args[0] is
// conventionally the path) and returns at once: 0 when the program is
// running, else the errno of the failed exec. The child is detached, so no
// zombie is left behind whatever it does.
int start_process(const std::string& path, const std::vector<std::string>& args);

}  // namespace platform
