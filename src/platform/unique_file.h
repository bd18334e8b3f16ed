// Files that need a name of their own for each use.
#pragma once

#include <string>

namespace platform {

// The directory the environment names for temporary files, else the
// system's usual one.
std::string TemporaryDirectory();

// Creates a new empty file in `directory` whose name starts with `prefix`
// and ends with `suffix`, never one that exists already, and gives its
// path; empty when none could be created.
std::string CreateUniqueFile(const std::string& directory, const std::string& prefix, const std::string& suffix);

}  // namespace platform
