// Commands that a makefile runs while it is read: NMAKE's "![command]"
// directive and the "[command]" operands of its conditions.
#pragma once

#include <string>

namespace makefile {

// Runs `command` as a build would run it, its output passed through to the
// standard streams, and gives its exit code; a command that cannot be
// started gives 1, as a failing one would.
int RunReadTimeCommand(const std::string& command);

}  // namespace makefile
