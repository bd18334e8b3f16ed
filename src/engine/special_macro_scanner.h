// Finds the tokens that stand for the current target and its dependents in
// a command ($@ $* $** $? $<, alone or as $(@D) and the like).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

enum class SpecialMacroKind {
  Target,           // $@
  TargetBase,       // $*
  AllDependents,    // $**
  NewerDependents,  // $?
  FirstDependent,   // $<
  NotSpecial,       // characters to copy unchanged, then scan on
  EndOfScan,        // copy the rest of the text unchanged
};

enum class MacroModifier {
  None,
  Directory,  // D
  BaseName,   // B
  FileName,   // F: base name and extension
  Root,       // R: directory and base name
};

struct SpecialMacroToken {
  size_t start = 0;
  size_t length = 0;
  SpecialMacroKind kind = SpecialMacroKind::EndOfScan;
  MacroModifier modifier = MacroModifier::None;
};

// The first token of `text`. A '$' right after '^' is not a token; "$$"
// stands for one '$' that starts a token.
SpecialMacroToken ScanSpecialMacro(std::string_view text);

// The part of the file name `value` that `modifier` selects.
std::string ApplyModifier(MacroModifier modifier, std::string_view value);

// Copies `text` with each token for which `replace` gives a value replaced by
// that value; every other token stays as written.
std::string ReplaceSpecialMacros(std::string_view text,
                                 const std::function<std::optional<std::string>(const SpecialMacroToken&)>& replace);

}  // namespace engine
