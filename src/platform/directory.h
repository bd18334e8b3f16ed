// The working directory and the absolute form of file names.
#pragma once

#include <string>

namespace platform {

// The absolute form of `path`, resolved against the working directory; for
// an existing file the form the file system reports. Empty when none can be
// formed.
std::string FullPath(const std::string& path);

// Changes the process working directory; false when that fails.
bool SetWorkingDirectory(const std::string& directory);

std::string WorkingDirectory();

// True when two full paths name the same file by the platform's rules for
// names (letter case is ignored on Windows).
bool SamePath(const std::string& first, const std::string& second);

}  // namespace platform
