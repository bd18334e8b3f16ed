// Splitting file names into directory, base name and extension.
#pragma once

#include <string>
#include <string_view>

namespace engine {

struct PathParts {
  std::string directory;  // before the last separator, without it
  std::string base;       // up to the last '.' after the directory
  std::string extension;  // from that '.' on, dot included
};

// Only the platform's path separator separates; double-byte characters are
// never split.
PathParts SplitPath(std::string_view path);

// The text after the last path separator (all of it when there is none).
std::string_view LastPathComponent(std::string_view path);

}  // namespace engine
