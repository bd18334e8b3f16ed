// The command processor's built-in commands: which names a runner hands to
// the processor instead of starting them as programs.
#pragma once

#include <string_view>

namespace exec {

class EnvironmentList;

// A built-in the runner carries out itself. Receives the text after the
// command name and returns the exit code.
using BuiltinHandler = int (*)(std::string_view argumentText, EnvironmentList& environment);

struct BuiltinCommand {
  int group;  // synonyms share one
  std::string_view name;
  BuiltinHandler handler;  // null: the processor runs it
};

// Groups run from 0 to kBuiltinGroupCount - 1.
inline constexpr int kBuiltinGroupCount = 28;

// The row whose name equals `programName` ignoring case, or null.
const BuiltinCommand* FindBuiltin(std::string_view programName);

// True when the text after the line's last path separator contains any of
// the names (case-sensitive, at a character boundary). The test is loose on
// purpose: "cl model.c" contains "del".
bool IsShellCommand(std::string_view commandLine);

// True when the line's program is a built-in, read the way the command
// processor reads a command name: the first word (quotes stripped), in any
// case, ended by the characters that end a built-in's name ("echo.",
// "cd..", "del/q", "dir>out"), looked at both whole and after its last
// path separator. Unlike IsShellCommand it leaves "cl model.c" alone.
bool IsBuiltinCommandLine(std::string_view commandLine);

}  // namespace exec
