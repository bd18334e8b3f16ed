// The relative form of one directory seen from another.
#pragma once

#include <optional>
#include <string>

namespace platform {

// The path that leads from directory `from` to directory `to`, both
// absolute: "." for the same directory, "./sub" below it, "../other" beside
// it (with the platform's separator). None when the two share no root or
// either is relative.
std::optional<std::string> RelativePathBetween(const std::string& from, const std::string& to);

}  // namespace platform
