// Wildcard file search as the Windows build gets it from the system: '*' and
// '?' in the last path component only.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

bool HasWildcard(std::string_view text);

// '*' matches any run of characters, '?' exactly one (UTF-8) character;
// everything else matches itself.
bool MatchesWildcard(std::string_view pattern, std::string_view name);

// Calls `accept` with the path of each entry (never "." or "..") whose name
// matches the last component of `pattern`, until it returns true; gives
// whether it did. A wildcard before the last component matches nothing.
bool FindMatchingEntry(const std::string& pattern, const std::function<bool(const std::string& path)>& accept);

}  // namespace platform
