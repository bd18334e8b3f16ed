// Splitting a makefile command line into program name and arguments, and
// telling which lines the command processor must run.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/processor_family.h"

namespace exec {

struct SplitCommand {
  std::string program;  // a quoted name keeps its quotes
  std::vector<std::string> arguments;
  std::string argumentText;  // everything after the program name, left-trimmed
  bool redirection = false;  // '<', '>' or '|' among the arguments
};

// The program name is a leading double-quoted string (a backslash before a
// quote stands for a quote inside it), else the text up to the first space.
// Arguments are separated by spaces; a double-quoted part, quotes kept,
// belongs to its argument; '<', '>' and '|' outside quotes are arguments of
// their own and set the redirection flag. A quote that is never closed is
// an ordinary character.
SplitCommand SplitCommandLine(std::string_view commandLine);

// True when '<', '>' or '|' stands anywhere outside double quotes, the
// program name included ("dir>out.txt").
bool HasRedirection(std::string_view commandLine);

// Where the first '<', '>' or '|' outside double quotes stands; npos when
// there is none.
size_t FindRedirection(std::string_view commandLine);

// True when a POSIX shell must run the line because a direct start cannot
// honour its syntax: globs, ';', '&', '$', quotes other than double ones,
// backquotes, parentheses, '~', a line break, a variable assignment in
// front, or a word only the shell knows ("export", "while", ...).
bool NeedsPosixShell(std::string_view commandLine);

// True when a line that is no built-in command goes through the command
// processor of `family` rather than straight to its program.
bool ProcessorRunsLine(std::string_view commandLine, platform::ProcessorFamily family);

}  // namespace exec
