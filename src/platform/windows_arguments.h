// The Windows C runtime's way of turning a command line into arguments. On
// Windows each program does this itself; the POSIX build does it before a
// direct start so that a makefile's command lines mean the same there.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Blanks and tabs separate, double quotes group, 2n backslashes before a
// quote give n backslashes and a delimiting quote, 2n+1 give n and a
// literal quote, other backslashes are literal, "" inside quotes is a
// literal quote. The first argument (the program) ends at the next blank
// outside quotes, and its quotes are only removed.
std::vector<std::string> SplitWindowsArguments(std::string_view line);

}  // namespace platform
