// Small files a program makes for itself and removes again: batch files,
// markers. Names are claimed by exclusive creation, so two programs never
// share one.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace platform {

// Where temporary files go: TMP on Windows (else the current directory
// "."), TMPDIR on POSIX (else /tmp). No trailing separator.
std::string TemporaryDirectory();

enum class CreateResult { Created, Exists, Failed };

// Creates `path` only if nothing of that name exists, and writes `bytes`
// into it as they are.
CreateResult CreateFileExclusively(const std::string& path, std::string_view bytes);

// True when `path` names an existing file (a directory does not count).
bool IsPlainFile(const std::string& path);

// Opens `path`, emptied, to write bytes and read them back; children
// started meanwhile do not inherit it (on Windows an inherited handle would
// keep the file from being removed). Null when it cannot be opened.
std::FILE* OpenScratchFile(const std::string& path);

// Removes a file; false when it could not be removed (or did not exist).
bool RemoveFile(const std::string& path);

}  // namespace platform
