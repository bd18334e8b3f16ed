// The temporary batch file through which the batch runner executes one
// command, and the processor dialect it is written in.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace exec {

// Everything that differs between cmd.exe and a POSIX shell when commands
// are typed into a resident processor. Templates name their holes {batch}
// (the batch file), {marker}, {sync} (the synchronisation file) and
// {token} (the sentinel prefix); paths are filled in quoted as the
// processor wants them.
struct BatchDialect {
  std::string_view extension;  // of the batch file
  std::string_view lineEnd;    // of the batch file and of typed lines
  // The batch file: an optional first line, the command, then lines that
  // keep its status, erase the marker and leave the status where the
  // processor reports it. The last line has no line end.
  std::string_view header;
  std::string_view saveStatus;
  std::string_view eraseMarker;
  std::string_view restoreStatus;
  // Content of a file the synchronisation calls, or empty when the start
  // line defines it in the processor itself. It prints "{token}-X STATUS" on
  // standard output and "{token}-X" on standard error for its argument X.
  std::string_view syncFile;
  // Typed lines: the first one (also prints the R sentinels), the one per
  // command (B sentinels, the batch file with the null device as input, E
  // sentinels carrying the status), and the last one.
  std::string_view startLine;
  std::string_view commandLine;
  std::string_view quitLine;
  bool singleQuotes;  // paths in '...' (POSIX) instead of "..." when needed
};

const BatchDialect& CmdDialect();
const BatchDialect& ShellDialect();
// The dialect of the platform's own processor.
const BatchDialect& NativeDialect();

// A path as the dialect's processor reads it as one word.
std::string QuotePath(const std::string& path, const BatchDialect& dialect);

// Replaces every {name} hole of `text` by its value.
std::string FillTemplate(std::string_view text, std::string_view batch, std::string_view marker,
                         std::string_view sync, std::string_view token);

// Claims a fresh name "<directory><separator>mk<number>" for which
// base + `extension` did not exist, and creates that file with the bytes
// `contentFor` gives for the base name. Gives the base name, or an empty
// string when no file could be created.
std::string ClaimScratchFile(const std::string& directory, std::string_view extension,
                             const std::function<std::string(const std::string& base)>& contentFor);

// Writes the batch file and the empty marker file of `command` in
// `directory`, each created exclusively. On success `command` becomes the
// batch file's path and `baseName` the pair's base name; on failure both
// are unchanged and nothing is left behind.
bool WriteBatch(std::string& command, std::string& baseName, const BatchDialect& dialect,
                const std::string& directory);
// The same in the platform's temporary directory, native dialect.
bool WriteBatch(std::string& command, std::string& baseName);

inline constexpr std::string_view kMarkerExtension = ".m";

}  // namespace exec
