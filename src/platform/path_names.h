// Absolute and relative forms of path names.
#pragma once

#include <optional>
#include <string>

namespace platform {

std::string CurrentDirectory();

// `name` made absolute against the current directory, with "." and ".."
// resolved; the file need not exist.
std::string FullPathName(const std::string& name);

// The path that leads from directory `from` to directory `to`, both
// absolute: "." for the same directory, "./sub" below it, "../other" beside
// it (with the platform's separator). None when the two share no root or
// either is relative.
std::optional<std::string> RelativePathBetween(const std::string& from, const std::string& to);

}  // namespace platform
