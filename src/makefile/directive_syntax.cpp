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

// NMAKE's keywords besides the dialect's, matched in any letter case.
constexpr KeywordEntry kNmakeKeywords[] = {
    {"UNDEF", DirectiveKind::kUndef},
    {"CMDSWITCHES", DirectiveKind::kCmdSwitches},
};

char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithIgnoringCase(std::string_view text, std::string_view keyword) {
  if (text.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (UpperAscii(text[i]) != keyword[i]) return false;
  }
  return true;
}

// NMAKE's keyword is a whole word: a blank, a '(' or the end follows it
// ("!if(1)" as much as "!if 1"); "ELSE  IF" with any blanks is one keyword.
bool EndsWord(std::string_view text, size_t length) {
  return length == text.size() || IsBlankOrTab(text[length]) || text[length] == '(' || text[length] == '!' ||
         text[length] == '"' || text[length] == '[';
}

DirectiveKeyword MatchNmakeKeyword(std::string_view text) {
  if (!text.empty() && text[0] == '[') return {DirectiveKind::kRunCommand, 0};
  for (const KeywordEntry& keyword : kKeywords) {
    if (StartsWithIgnoringCase(text, keyword.text) && EndsWord(text, keyword.text.size())) {
      return {keyword.kind, keyword.text.size()};
    }
  }
  for (const KeywordEntry& keyword : kNmakeKeywords) {
    if (StartsWithIgnoringCase(text, keyword.text) && EndsWord(text, keyword.text.size())) {
      return {keyword.kind, keyword.text.size()};
    }
  }
  return {DirectiveKind::kUnknown, 0};
}

}  // namespace

DirectiveKeyword MatchDirectiveKeyword(std::string_view text) {
  for (const KeywordEntry& keyword : kKeywords) {
    if (text.substr(0, keyword.text.size()) == keyword.text) return {keyword.kind, keyword.text.size()};
  }
  const DirectiveKeyword nmake = MatchNmakeKeyword(text);
  if (nmake.kind != DirectiveKind::kUnknown) return nmake;
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

std::optional<std::string> TestedMacroName(std::string_view argument) {
  if (argument.find('$') != std::string_view::npos) return ReferencedMacroName(argument);
  std::string_view name = Trim(argument);
  size_t end = 0;
  while (end < name.size() && !IsBlankOrTab(name[end])) ++end;
  if (end == 0) return std::nullopt;
  return std::string(name.substr(0, end));
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
