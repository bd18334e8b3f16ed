#include "platform/relative_path_core.h"

#include <vector>

#include "platform/text.h"

namespace platform::detail {
namespace {

// The non-empty components between separators; a double-byte character
// whose second byte equals the separator does not split.
std::vector<std::string_view> Components(std::string_view path, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == separator) {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    } else if (IsLeadByte(static_cast<unsigned char>(path[i])) && i + 1 < path.size()) {
      ++i;
    }
  }
  return parts;
}

// Components with "." dropped and ".." taken back, as the file system
// would resolve them.
std::vector<std::string_view> ResolvedComponents(std::string_view path, char separator) {
  std::vector<std::string_view> resolved;
  for (std::string_view part : Components(path, separator)) {
    if (part == ".") continue;
    if (part == "..") {
      if (!resolved.empty()) resolved.pop_back();
      continue;
    }
    resolved.push_back(part);
  }
  return resolved;
}

}  // namespace

std::optional<std::string> RelativePathBetween(
    const std::string& from, const std::string& to, char separator,
    const std::function<size_t(std::string_view)>& rootLength,
    const std::function<bool(std::string_view, std::string_view)>& sameComponent) {
  const size_t fromRoot = rootLength(from);
  const size_t toRoot = rootLength(to);
  if (fromRoot == 0 || toRoot == 0 || fromRoot != toRoot) return std::nullopt;
  if (!sameComponent(std::string_view(from).substr(0, fromRoot), std::string_view(to).substr(0, toRoot))) {
    return std::nullopt;
  }
  const std::vector<std::string_view> fromParts =
      ResolvedComponents(std::string_view(from).substr(fromRoot), separator);
  const std::vector<std::string_view> toParts = ResolvedComponents(std::string_view(to).substr(toRoot), separator);
  size_t common = 0;
  while (common < fromParts.size() && common < toParts.size() && sameComponent(fromParts[common], toParts[common])) {
    ++common;
  }
  std::string relative;
  for (size_t i = common; i < fromParts.size(); ++i) {
    if (!relative.empty()) relative.push_back(separator);
    relative.append(2, '.');
  }
  if (relative.empty()) relative.assign(1, '.');
  for (size_t i = common; i < toParts.size(); ++i) {
    relative.push_back(separator);
    relative.append(toParts[i]);
  }
  return relative;
}

}  // namespace platform::detail
