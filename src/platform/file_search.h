// Wildcard file search.
#pragma once

#include <string>

namespace platform {

// True when a file or directory matches `pattern`. Without wildcards this is
// an existence test. Otherwise the last path component may hold '*' (any
// run of characters, dots included) and '?' (one character); wildcards in
// an earlier component match nothing, and the entries "." and ".." never
// count. Names compare as the platform's file system does (case-sensitive
// on Linux, case-insensitive on Windows).
bool AnyFileMatches(const std::string& pattern);

}  // namespace platform
