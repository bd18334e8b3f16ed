// The arguments a program receives from a makefile's command line as bramle
// starts it, and those a compiler reads from a response file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/processor_family.h"

namespace exec {

// A POSIX shell's words, without expansion: blanks separate, single quotes
// keep everything, double quotes keep all but a backslash before $ ` " \ or
// a line end, a backslash elsewhere keeps the next character. With
// `stopAtOperator` the words end at the first operator outside quotes
// (; & | < > ( ) or a line end), and a number written against a redirection
// ("2>") is its handle, not a word; without, a line end is a blank.
std::vector<std::string> SplitShellWords(std::string_view text, bool stopAtOperator);

// The program's arguments (its name first) from a line the direct runner of
// `family` starts: the C runtime's splitting of a direct start; of a line
// that goes through the processor, a shell's words up to its first operator,
// or for cmd.exe the C runtime's splitting of the text before the first
// redirection.
std::vector<std::string> ProgramArguments(std::string_view commandLine, platform::ProcessorFamily family);

// The arguments in a response file: the C runtime's rules for cmd.exe's
// compilers, a shell's quoting (as GCC reads "@file") for a POSIX shell's;
// line ends separate like blanks.
std::vector<std::string> ResponseFileArguments(std::string_view content, platform::ProcessorFamily family);

}  // namespace exec
