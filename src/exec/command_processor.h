// Finding the system's command processor.
#pragma once

#include <string>
#include <vector>

namespace exec {

// 0 Windows 95 family, 1 NT family, 2 any other platform, -1 when the
// version query failed.
int GetPlatformKind();

// The files tried, in order, when "ComSpec" is not set: the Windows
// directory itself, then its SYSTEM, SYSTEM32 and COMMAND folders, each with
// "\COMMAND.COM" (kind 0) or "\cmd.exe" (kind 1). A drive root loses its
// backslash first; a directory shorter than two characters, or any other
// kind, gives none.
std::vector<std::string> ProcessorCandidates(std::string windowsDirectory, int platformKind);

// 0 with `path` set when a processor was found, 1 with `path` empty when
// not. "ComSpec" wins whenever it is set, existing file or not; then the
// candidates above (Windows) or /bin/sh (POSIX).
int FindCommandProcessor(std::string& path);

}  // namespace exec
