// The working directory and the absolute form of file names.
#pragma once

#include <string>

namespace platform {

// The absolute form of `path`, resolved against the working directory, with
// "." and ".." components resolved by the text (links are not followed).
// Empty when none can be formed.
std::string FullPath(const std::string& path);

// Changes the process working directory; false when that fails.
bool SetWorkingDirectory(const std::string& directory);

std::string WorkingDirectory();

// Creates one directory; true when it exists afterwards.
bool MakeDirectory(const std::string& directory);

// True when two full paths name the same file: on Windows the names compare
// without regard to case; elsewhere an existing file is the same through
// any of its names.
bool SamePath(const std::string& first, const std::string& second);

}  // namespace platform
