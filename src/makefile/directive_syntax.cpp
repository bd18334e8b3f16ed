#include "makefile/directive_syntax.h"

#include "makefile/escapes.h"
#include "makefile/line_text.h"

namespace makefile {
namespace {

struct KeywordEntry {
  std::string_view text;
  DirectiveKind kind;
};

// Longer forms come before the keywords they start with.
constexpr KeywordEntry kKeywords[] = {
    {"IFNDEF", DirectiveKind::kIfndef},          {"IFDEF", DirectiveKind::kIfdef},
    {"IF", DirectiveKind::kIf},                  {"ELSE IFDEF", DirectiveKind::kElseIfdef},
    {"ELSEIFDEF", DirectiveKind::kElseIfdef},    {"ELSE IFNDEF", DirectiveKind::kElseIfndef},
    {"ELSEIFNDEF", DirectiveKind::kElseIfndef},  {"ELSE IF", DirectiveKind::kElseIf},
    {"ELSEIF", DirectiveKind::kElseIf},          {"ELSE", DirectiveKind::kElse},
    {"ENDIF", DirectiveKind::kEndif},            {"INCLUDE", DirectiveKind::kInclude},
    {"MESSAGE", DirectiveKind::kMessage},        {"ERROR", DirectiveKind::kError},
};

}  // namespace

DirectiveKeyword MatchDirectiveKeyword(std::string_view text) {
  for (const KeywordEntry& keyword : kKeywords) {
    if (text.substr(0, keyword.text.size()) == keyword.text) return {keyword.kind, keyword.text.size()};
  }
  const size_t blank = text.find(' ');
  return {DirectiveKind::kUnknown, blank == std::string_view::npos ? text.size() : blank};
}

std::optional<std::string> ReferencedMacroName(std::string_view argument) {
  const size_t dollar = FindUnescaped(argument, '$', 0);
  if (dollar == std::string_view::npos || dollar + 1 >= argument.size() || argument[dollar + 1] != '(') {
    return std::nullopt;
  }
  const size_t begin = dollar + 2;
  const size_t close = FindUnescaped(argument, ')', begin);
  if (close == std::string_view::npos || close == begin) return std::nullopt;
  return std::string(argument.substr(begin, close - begin));
}

bool ConditionHolds(std::string_view result) {
  std::string_view text = TrimLeft(result);
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    if (c != '0') return true;
  }
  return false;
}

}  // namespace makefile
