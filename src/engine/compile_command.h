// Recognising the command lines that compile C and C++ sources, for a
// compilation database.
#pragma once

#include <string>
#include <vector>

#include "engine/command_list.h"

namespace engine {

// How one source is compiled.
struct CompileCommand {
  std::string file;                    // the source, absolute
  std::string output;                  // as the line names it; empty when it does not
  std::vector<std::string> arguments;  // the program's, its name first
};

// The entries of `line`: one per C or C++ source that it gives a C or C++
// compiler (cl, clang-cl, cc, gcc, g++, clang, clang++ or c++, in any
// letter case, with or without a folder and ".exe"); none for any other
// program or a line without a source. The arguments are the ones the
// program would get, a response file written from an inline file ("@<<")
// expanded in place. Relative sources are taken from the working directory.
std::vector<CompileCommand> CompileCommandsOf(const CommandLine& line);

}  // namespace engine
