// Runs a line through the system's command interpreter and waits for it.
#pragma once

#include <string>

namespace platform {

// Returns the exit code of the line, or -1 when it could not be run.
int RunShellLine(const std::string& line);

}  // namespace platform
