#include "makefile/rule_line_syntax.h"

#include "engine/name_token.h"
#include "makefile/escapes.h"
#include "makefile/line_text.h"
#include "makefile/reader_error_codes.h"
#include "platform/path.h"

namespace makefile {
namespace {

constexpr size_t kNone = std::string_view::npos;

// The first of `characters` at or after `start`, stepping by characters.
size_t FindCharacter(std::string_view text, std::string_view characters, size_t start = 0) {
  for (size_t i = start; i < text.size();) {
    const size_t length = CharacterLength(text, i);
    if (length == 1 && characters.find(text[i]) != kNone) return i;
    i += length;
  }
  return kNone;
}

// Takes "{dir}" off the front of `text` into `directory`; false when the
// '}' is missing.
bool TakeBracedDirectory(std::string& text, std::string& directory) {
  if (text.empty() || text[0] != '{') return true;
  const size_t close = FindCharacter(text, "}", 1);
  if (close == kNone) return false;
  directory = text.substr(1, close - 1);
  text.erase(0, close + 1);
  return true;
}

// "./x" and "../x" name paths, not suffixes.
bool StartsWithRelativePath(std::string_view line) {
  const size_t dots = line.substr(0, 2) == ".." ? 2 : 1;
  return line.size() > dots && line[dots] == platform::kPathSeparator;
}

}  // namespace

RuleLineKind ParseInferenceRuleLine(std::string_view line, InferenceRuleLine& rule) {
  if (StartsWithRelativePath(line)) return RuleLineKind::kNotRule;
  const size_t colon = FindUnescaped(line, ':', 0);
  if (colon == kNone) return RuleLineKind::kMalformed;
  std::string text = RemoveEscapes(line.substr(0, colon));
  rule = InferenceRuleLine();
  if (!TakeBracedDirectory(text, rule.fromDirectory)) return RuleLineKind::kMalformed;

  // The '.' that starts the source suffix, then up to the next '.' or '{'.
  if (!text.empty()) text.erase(0, CharacterLength(text, 0));
  size_t end = FindCharacter(text, ".{");
  if (end == kNone) end = text.size();
  rule.fromSuffix = std::string(".").append(TrimRight(std::string_view(text).substr(0, end)));
  text = std::string(TrimRight(std::string_view(text).substr(end)));

  if (!TakeBracedDirectory(text, rule.toDirectory)) return RuleLineKind::kMalformed;
  rule.toSuffix = text;
  // A path such as ".abc\x.obj" is a target name, not a suffix.
  if (FindCharacter(rule.fromSuffix, std::string(1, platform::kPathSeparator)) != kNone) return RuleLineKind::kNotRule;
  // NMAKE's makefiles write paths with '\' on every platform, and with '/':
  // "..\inc\x.h" or ".\x.res" holds a separator in a suffix, which no
  // suffix has.
  if (FindCharacter(rule.fromSuffix + rule.toSuffix, "\\/") != kNone) return RuleLineKind::kNotRule;
  return RuleLineKind::kRule;
}

int ParseDependencyLine(std::string_view line, DependencyLine& dependency) {
  dependency = DependencyLine();
  size_t colon = FindUnescaped(line, ':', 0);
  // The colon of a drive name such as "C:\" is not the separator.
  if (colon != kNone && colon + 1 < line.size() && line[colon + 1] == '\\' &&
      (colon + 2 >= line.size() || line[colon + 2] != '\\')) {
    colon = FindUnescaped(line, ':', colon + 2);
  }
  if (colon == kNone) return kErrorSyntax;

  std::string_view targets = TrimRight(line.substr(0, colon));
  if (targets.empty()) return kErrorEmptyTarget;
  while (!TrimLeft(targets).empty()) {
    const size_t before = targets.size();
    std::string name = engine::ReadNameToken(targets);
    if (!name.empty()) dependency.targetNames.push_back(std::move(name));
    if (targets.size() == before) break;
  }

  const std::string_view rest = TrimLeft(line.substr(colon + 1));
  const size_t semicolon = rest.find(';');
  dependency.dependentsText = std::string(rest.substr(0, semicolon));
  if (semicolon != kNone) {
    dependency.hasInlineCommand = true;
    dependency.inlineCommand = std::string(TrimLeft(rest.substr(semicolon)));
  }
  return 0;
}

std::vector<std::string> SplitWords(std::string_view text) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < text.size()) {
    while (i < text.size() && IsBlankOrTab(text[i])) ++i;
    const size_t begin = i;
    while (i < text.size() && !IsBlankOrTab(text[i])) ++i;
    if (i > begin) words.emplace_back(text.substr(begin, i - begin));
  }
  return words;
}

}  // namespace makefile
