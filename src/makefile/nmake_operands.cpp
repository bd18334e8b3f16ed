#include "makefile/nmake_operands.h"

#include "makefile/escapes.h"
#include "makefile/expression_tokenizer.h"
#include "makefile/line_text.h"
#include "platform/file_search.h"
#include "platform/path.h"

namespace makefile {
namespace {

constexpr size_t kNone = std::string_view::npos;

bool IsWordCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The first `c` at or after `start`, stepping by characters.
size_t FindCharacter(std::string_view text, char c, size_t start) {
  for (size_t i = start; i < text.size(); i += CharacterLength(text, i)) {
    if (text[i] == c) return i;
  }
  return kNone;
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

enum class Function { kNone, kDefined, kExist };

// The function whose name starts at `at` as a whole word, followed by
// blanks and '('; `open` becomes the position of that '('.
Function FunctionAt(std::string_view text, size_t at, size_t& open) {
  if (at > 0 && IsWordCharacter(text[at - 1])) return Function::kNone;
  size_t end = at;
  while (end < text.size() && IsWordCharacter(text[end])) ++end;
  std::string word;
  for (size_t i = at; i < end; ++i) word.push_back(LowerAscii(text[i]));
  Function function = Function::kNone;
  if (word == "defined") function = Function::kDefined;
  if (word == "exist" || word == "exists") function = Function::kExist;
  if (function == Function::kNone) return function;
  while (end < text.size() && IsBlankOrTab(text[end])) ++end;
  if (end == text.size() || text[end] != '(') return Function::kNone;
  open = end;
  return function;
}

// The argument as written, without blanks around it and without the double
// quotes of a quoted path.
std::string Argument(std::string_view text) {
  text = Trim(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return std::string(text);
}

}  // namespace

std::string CommandText(std::string_view bracketed) {
  std::string command;
  bracketed = Trim(bracketed);
  for (size_t i = 0; i < bracketed.size(); ++i) {
    if (bracketed[i] == kEscape && i + 1 < bracketed.size() && bracketed[i + 1] == ']') continue;
    command.push_back(bracketed[i]);
  }
  return command;
}

std::string WithNativeSeparators(std::string path) {
  if (platform::kPathSeparator == '\\') return path;
  for (size_t i = 0; i < path.size(); i += CharacterLength(path, i)) {
    if (path[i] == '\\') path[i] = platform::kPathSeparator;
  }
  return path;
}

bool NmakePathExists(const std::string& path) {
  return platform::AnyFileMatches(path) || platform::AnyFileMatches(WithNativeSeparators(path));
}

OperandsResult ReplaceNmakeOperands(std::string& text, const NmakeOperands& operands, std::string& construct) {
  std::string out;
  bool replaced = false;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    const size_t length = CharacterLength(text, i);
    if (length > 1) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    if (c == '"') {
      std::string literal;
      size_t end = ReadStringLiteral(text, i, literal);
      if (end == kNone) end = text.size();
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    if (c == '[') {
      // "^]" is a bracket of the command's own.
      const size_t close = FindUnescaped(text, ']', i + 1);
      if (close == kNone) {
        construct = text.substr(i);
        return OperandsResult::kUnclosed;
      }
      out += std::to_string(operands.runCommand(CommandText(std::string_view(text).substr(i + 1, close - i - 1))));
      replaced = true;
      i = close + 1;
      continue;
    }
    size_t open = 0;
    const Function function = IsWordCharacter(c) ? FunctionAt(text, i, open) : Function::kNone;
    if (function == Function::kNone) {
      // The rest of a word is copied with it, so that no function name is
      // found inside a longer word.
      size_t end = i + 1;
      while (IsWordCharacter(c) && end < text.size() && IsWordCharacter(text[end])) ++end;
      out.append(text, i, end - i);
      i = end;
      continue;
    }
    const size_t close = FindCharacter(text, ')', open + 1);
    if (close == kNone) {
      construct = text.substr(i, open + 1 - i) + ")";
      return OperandsResult::kUnclosed;
    }
    const std::string argument = Argument(std::string_view(text).substr(open + 1, close - open - 1));
    const bool holds = function == Function::kDefined ? operands.macros->FindMacro(argument) != nullptr
                                                      : NmakePathExists(argument);
    out += holds ? "1" : "0";
    replaced = true;
    i = close + 1;
  }
  if (!replaced) return OperandsResult::kUnchanged;
  text.swap(out);
  return OperandsResult::kReplaced;
}

}  // namespace makefile
