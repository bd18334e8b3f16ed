// Writing the inline file of a command just before it runs.
#pragma once

#include <string>

#include "engine/command_list.h"

namespace engine {

// Writes `line`'s inline content to its file (text mode: each line feed
// becomes the platform's line end) and appends the file's name to the
// text, where the "<<" stood. A named file replaces any file of that name;
// a Temporary one gets a new name in the temporary directory each time. A
// Named line with a blank name writes nothing and keeps its text. Gives
// false, with `failedName` set, when the file cannot be written.
bool WriteInlineFile(CommandLine& line, std::string& failedName);

}  // namespace engine
