// How a directive line reads: its keyword, the macro an !IFDEF tests, and
// the truth of an evaluated condition.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace makefile {

enum class DirectiveKind {
  kIfndef,
  kIfdef,
  kIf,
  kElseIfdef,
  kElseIfndef,
  kElseIf,
  kElse,
  kEndif,
  kInclude,
  kMessage,
  kError,
  kUndef,        // NMAKE's: forgets a macro
  kCmdSwitches,  // NMAKE's: option changes, which have no meaning here
  kRunCommand,   // "[command]": runs it while reading
  kUnknown,
};

struct DirectiveKeyword {
  DirectiveKind kind = DirectiveKind::kUnknown;
  // Characters the keyword takes at the start of the text; for an unknown
  // directive, those of its word (the text up to the first blank).
  size_t length = 0;
};

// The first keyword, in matching order, that `text` starts with
// (case-sensitive, no blank needed after it): "!IFFY" is IF. Text that no
// keyword starts with is read as NMAKE reads it: keywords in any letter
// case, each a whole word, and NMAKE's own UNDEF, CMDSWITCHES and
// "[command]".
DirectiveKeyword MatchDirectiveKeyword(std::string_view text);

// The NAME of the first unescaped "$(NAME)" in an !IFDEF argument; none
// when there is no such reference or the name is empty.
std::optional<std::string> ReferencedMacroName(std::string_view argument);

// The macro an !IFDEF argument names: "$(NAME)", or NMAKE's bare NAME (an
// argument without '$'); none when it names none.
std::optional<std::string> TestedMacroName(std::string_view argument);

// An evaluated condition holds when its text reads as a non-zero decimal
// integer (white space, a sign, digits; the rest is ignored).
bool ConditionHolds(std::string_view result);

}  // namespace makefile
