#include "platform/shell.h"

#include <cstdlib>

namespace platform {

int RunShellLine(const std::string& line) { return std::system(line.c_str()); }

}  // namespace platform
