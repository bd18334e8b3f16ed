// The reading side of inline files: a command holding "<<" takes the raw
// lines below it, up to a line holding "<<", as the text of a file.
#pragma once

#include <string>

namespace engine {
class CommandList;
}  // namespace engine

namespace makefile {

class MakefileReader;

// `command` is a block line (white space and escapes removed) that holds
// "<<". Reads the inline file's lines and appends the command with them to
// `commands`; false with the error recorded.
bool ReadInlineFile(MakefileReader& reader, const std::string& command, engine::CommandList& commands);

}  // namespace makefile
