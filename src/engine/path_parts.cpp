#include "engine/path_parts.h"

#include "platform/path.h"
#include "platform/text.h"

namespace engine {
namespace {

constexpr size_t kNone = std::string_view::npos;

// The last position of `c` in `text`, counting only whole characters.
size_t FindLastCharacter(std::string_view text, char c) {
  size_t found = kNone;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == c) found = i;
    if (platform::IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
  }
  return found;
}

}  // namespace

PathParts SplitPath(std::string_view path) {
  PathParts parts;
  std::string_view rest = path;
  const size_t separator = FindLastCharacter(path, platform::kPathSeparator);
  if (separator != kNone) {
    parts.directory = path.substr(0, separator);
    rest = path.substr(separator + 1);
  }
  const size_t dot = FindLastCharacter(rest, '.');
  if (dot == kNone) {
    parts.base = rest;
  } else {
    parts.base = rest.substr(0, dot);
    parts.extension = rest.substr(dot);
  }
  return parts;
}

std::string_view LastPathComponent(std::string_view path) {
  const size_t separator = FindLastCharacter(path, platform::kPathSeparator);
  return separator == kNone ? path : path.substr(separator + 1);
}

}  // namespace engine
