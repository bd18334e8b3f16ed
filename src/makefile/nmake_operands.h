// NMAKE's condition operands that the expression grammar has no form for:
// DEFINED(NAME), EXIST(path) and EXISTS(path) with the path as written
// (unquoted, with '\' or ':'), and "[command]", whose value is the
// command's exit code. They are replaced by their values, so that the
// evaluator reads what is left.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "makefile/macro_table.h"

namespace makefile {

struct NmakeOperands {
  const MacroTable* macros = nullptr;
  std::function<int(const std::string& command)> runCommand;
};

enum class OperandsResult {
  kUnchanged,  // no such operand: the text stays as it is
  kReplaced,
  kUnclosed,   // a call without ')' or a '[' without ']'; `construct` names it
};

// The command of "[command]" from the text between its brackets: blanks
// around it dropped, "^]" read as ']'.
std::string CommandText(std::string_view bracketed);

// NMAKE's makefiles separate paths with '\' wherever they run; where the
// platform separates with '/', the path with its backslashes turned.
std::string WithNativeSeparators(std::string path);

// A file or directory matches `path`, as written or with native separators.
bool NmakePathExists(const std::string& path);

// Replaces the operands of `text` outside string literals, left to right,
// in one pass. Functions are known in any letter case, as whole words.
OperandsResult ReplaceNmakeOperands(std::string& text, const NmakeOperands& operands, std::string& construct);

}  // namespace makefile
