// The command line a remote client receives: its program named without the
// directory, because the client finds the program where its own system
// puts it.
#pragma once

#include <string>
#include <string_view>

namespace distributed {

// Leading blanks go; the program part (up to the first blank, or a quoted
// name through its closing quote) loses everything up to its last path
// separator; the arguments stay as they are.
std::string StripProgramDirectory(std::string_view commandLine);

}  // namespace distributed
