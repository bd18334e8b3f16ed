// The line handlers that fill the target model and the rule table:
// .SUFFIXES lines and inference rules, dependency lines, and the command
// block that follows either.
#pragma once

#include <string_view>

namespace engine {
class CommandList;
class RuleTable;
}  // namespace engine

namespace makefile {

class MakefileReader;

enum class HandlerResult {
  kTaken,       // the line is used up (a line read ahead may be pending)
  kNotMine,     // left unchanged for the next handler
  kEndOfInput,  // the input ended while a command block was read
  kError,       // a reader error has been recorded
};

// A line whose first character after leading spaces is '.' or '{': a
// .SUFFIXES line or an inference rule with its command block.
HandlerResult HandleSuffixLine(MakefileReader& reader, std::string_view line);

// Any other line, leading white space removed: targets, a colon, the
// dependents, an optional ';' command, then the command block.
HandlerResult HandleDependencyLine(MakefileReader& reader, std::string_view line);

// Reads the indented lines that follow into `commands`; the first line that
// is not indented is left pending. A line holding "<<" starts an inline file.
HandlerResult ReadCommandBlock(MakefileReader& reader, engine::CommandList& commands);

// Enters the suffixes every makefile starts with.
void AddDefaultSuffixes(engine::RuleTable& rules);

}  // namespace makefile
