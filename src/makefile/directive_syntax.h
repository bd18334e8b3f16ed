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
  kUnknown,
};

struct DirectiveKeyword {
  DirectiveKind kind = DirectiveKind::kUnknown;
  // Characters the keyword takes at the start of the text; for an unknown
  // directive, those of its word (the text up to the first blank).
  size_t length = 0;
};

// The first keyword, in matching order, that `text` starts with
// (case-sensitive, no blank needed after it): "!IFFY" is IF.
DirectiveKeyword MatchDirectiveKeyword(std::string_view text);

// The NAME of the first unescaped "$(NAME)" in an !IFDEF argument; none
// when there is no such reference or the name is empty.
std::optional<std::string> ReferencedMacroName(std::string_view argument);

// An evaluated condition holds when its text reads as a non-zero decimal
// integer (white space, a sign, digits; the rest is ignored).
bool ConditionHolds(std::string_view result);

}  // namespace makefile
