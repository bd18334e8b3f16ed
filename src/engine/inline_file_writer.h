// Writing the inline file of a command just before it runs.
#pragma once

#include <string>

#include "engine/command_list.h"
#include "platform/scratch_files.h"

namespace engine {

// Writes `line`'s inline content to its file (text mode: each line feed
// becomes the platform's line end) and appends the file's name to the
// text, where the "<<" stood. The text after "<<" is the file's name up to
// its first blank (outside double quotes), then the rest of the command
// line, which stays in the command after the name. A named file replaces
// any file of that name; the text after "<<" goes into the command as
// written, while the file is named without the blanks and double quotes
// around its name. A Temporary file gets a new name in the temporary
// directory each time (`temporaryDirectory`, "" for the current one),
// quoted in the text when it holds a blank, followed by the rest. A Named
// line with a blank name writes nothing and keeps its text.
// Gives false, with `failedName` set, when the file cannot be written.
bool WriteInlineFile(CommandLine& line, std::string& failedName,
                     const std::string& temporaryDirectory = platform::TemporaryDirectory());

// Claims a name "min<number>.inl" in `directory` ("" for the current one,
// giving the bare name) by creating the file exclusively, so that no two
// runs share one; empty when none could be made.
std::string ClaimInlineFileName(const std::string& directory);

// Writes `content` to `name` in text mode (created or truncated).
bool WriteInlineText(const std::string& name, const std::string& content);

}  // namespace engine
