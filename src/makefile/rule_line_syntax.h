// How the lines that say what to build are split up: inference-rule lines
// and dependency lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace makefile {

enum class RuleLineKind {
  kNotRule,    // a dependency line whose first target starts with '.'
  kMalformed,  // no ':', or a '{' without its '}'
  kRule,
};

struct InferenceRuleLine {
  std::string fromSuffix;
  std::string fromDirectory;
  std::string toSuffix;  // may be empty
  std::string toDirectory;
};

// Reads a line that starts with '.' or '{' (leading spaces removed) as an
// inference rule such as ".c.obj:" or "{src}.c{obj}.obj:".
RuleLineKind ParseInferenceRuleLine(std::string_view line, InferenceRuleLine& rule);

struct DependencyLine {
  std::vector<std::string> targetNames;  // as written, escapes not removed yet
  std::string dependentsText;
  // The text from a ';' on: the block's first command ("" when no ';').
  std::string inlineCommand;
  bool hasInlineCommand = false;
};

// Splits a dependency line (leading white space removed) at its colon.
// Gives 0, or the reader error code (no colon: 22; no target: 18).
int ParseDependencyLine(std::string_view line, DependencyLine& dependency);

// The words of a .SUFFIXES line after its colon, or of any list separated
// by blanks and tabs.
std::vector<std::string> SplitWords(std::string_view text);

}  // namespace makefile
