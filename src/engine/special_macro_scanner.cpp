#include "engine/special_macro_scanner.h"

#include "engine/path_parts.h"
#include "platform/path.h"
#include "platform/text.h"

namespace engine {
namespace {

constexpr size_t kNone = std::string_view::npos;

// The first '$' not directly after a '^', stepping over double-byte
// characters so that a trail byte is never taken for either.
size_t FindTokenStart(std::string_view text) {
  size_t found = text.find('$');
  if constexpr (!platform::kHasLeadBytes) {
    // Every byte is a character: only the one before each '$' counts.
    while (found != kNone && found > 0 && text[found - 1] == '^') found = text.find('$', found + 1);
    return found;
  }
  if (found == kNone) return kNone;
  bool afterCaret = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c == '$' && !afterCaret) return i;
    afterCaret = c == '^';
    if (platform::IsLeadByte(c)) ++i;
  }
  return kNone;
}

MacroModifier ModifierOf(char c) {
  switch (c) {
    case 'D': return MacroModifier::Directory;
    case 'B': return MacroModifier::BaseName;
    case 'F': return MacroModifier::FileName;
    case 'R': return MacroModifier::Root;
    default: return MacroModifier::None;
  }
}

char At(std::string_view text, size_t i) { return i < text.size() ? text[i] : '\0'; }

// The special characters at `position`: its kind and how many characters
// it spans, or NotSpecial.
SpecialMacroKind SpecialAt(std::string_view text, size_t position, size_t& width) {
  width = 1;
  switch (At(text, position)) {
    case '@': return SpecialMacroKind::Target;
    case '?': return SpecialMacroKind::NewerDependents;
    case '<': return SpecialMacroKind::FirstDependent;
    case '*':
      if (At(text, position + 1) == '*') {
        width = 2;
        return SpecialMacroKind::AllDependents;
      }
      return SpecialMacroKind::TargetBase;
    default: return SpecialMacroKind::NotSpecial;
  }
}

}  // namespace

SpecialMacroToken ScanSpecialMacro(std::string_view text) {
  SpecialMacroToken token;
  if (text.size() <= 1) return token;
  const size_t start = FindTokenStart(text);
  if (start == kNone) return token;
  token.start = start;

  size_t body = start + 1;
  if (At(text, body) == '$') ++body;
  const char opener = At(text, body);

  if (opener == '(' || opener == '{') {
    size_t width = 0;
    const SpecialMacroKind kind = SpecialAt(text, body + 1, width);
    if (kind == SpecialMacroKind::NotSpecial) {
      // "$(CC)" and the like: step over the opener and go on scanning.
      token.kind = SpecialMacroKind::NotSpecial;
      token.length = body + 1 - start;
      return token;
    }
    const size_t modifierPosition = body + 1 + width;
    const char closer = At(text, modifierPosition + 1);
    if (closer != ')' && closer != '}') {
      token.kind = SpecialMacroKind::NotSpecial;
      token.length = (modifierPosition < text.size() ? modifierPosition + 1 : text.size()) - start;
      return token;
    }
    token.kind = kind;
    token.modifier = ModifierOf(At(text, modifierPosition));
    token.length = modifierPosition + 2 - start;
    return token;
  }

  size_t width = 0;
  const SpecialMacroKind kind = SpecialAt(text, body, width);
  if (kind == SpecialMacroKind::NotSpecial) return SpecialMacroToken{};
  token.kind = kind;
  token.length = body + width - start;
  return token;
}

std::string ApplyModifier(MacroModifier modifier, std::string_view value) {
  if (modifier == MacroModifier::None) return std::string(value);
  PathParts parts = SplitPath(value);
  switch (modifier) {
    case MacroModifier::Directory: return parts.directory;
    case MacroModifier::BaseName: return parts.base;
    case MacroModifier::FileName: return parts.base + parts.extension;
    case MacroModifier::Root:
      if (parts.directory.empty()) return parts.base;
      return parts.directory + platform::kPathSeparator + parts.base;
    case MacroModifier::None: break;
  }
  return std::string(value);
}

std::string ReplaceSpecialMacros(std::string_view text,
                                 const std::function<std::optional<std::string>(const SpecialMacroToken&)>& replace) {
  std::string result;
  result.reserve(text.size());
  for (;;) {
    const SpecialMacroToken token = ScanSpecialMacro(text);
    if (token.kind == SpecialMacroKind::EndOfScan) break;
    result.append(text.substr(0, token.start));
    std::optional<std::string> value;
    if (token.kind != SpecialMacroKind::NotSpecial) value = replace(token);
    if (value) {
      result += *value;
    } else {
      result.append(text.substr(token.start, token.length));
    }
    text.remove_prefix(token.start + token.length);
  }
  result.append(text);
  return result;
}

}  // namespace engine
