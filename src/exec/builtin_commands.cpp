#include "exec/builtin_commands.h"

#include <array>

#include "exec/environment_list.h"
#include "platform/path.h"
#include "platform/text.h"

namespace exec {
namespace {

constexpr std::array<std::string_view, 32> kNames = {
    "break", "call", "cd",    "chcp", "chdir", "cls",  "copy",   "ctty", "date",   "del",  "dir",
    "echo",  "erase", "exit", "for",  "goto",  "if",   "md",     "mkdir", "path",  "pause", "prompt",
    "rem",   "ren",  "rename", "set", "shift", "time", "type",   "ver",  "verify", "vol"};

constexpr std::array<BuiltinCommand, 32> kTable = {{
    {0, "break", nullptr},   {1, "call", nullptr},   {2, "chcp", nullptr},   {3, "cd", nullptr},
    {3, "chdir", nullptr},   {4, "cls", nullptr},    {5, "copy", nullptr},   {6, "ctty", nullptr},
    {7, "date", nullptr},    {8, "del", nullptr},    {8, "erase", nullptr},  {9, "dir", nullptr},
    {10, "echo", nullptr},   {11, "exit", nullptr},  {12, "for", nullptr},   {13, "goto", nullptr},
    {14, "if", nullptr},     {15, "mkdir", nullptr}, {15, "md", nullptr},    {16, "path", nullptr},
    {17, "pause", nullptr},  {18, "prompt", nullptr}, {19, "rem", nullptr},  {20, "ren", nullptr},
    {20, "rename", nullptr}, {21, "set", &RunSetCommand}, {22, "shift", nullptr}, {23, "time", nullptr},
    {24, "type", nullptr},   {25, "ver", nullptr},   {26, "verify", nullptr}, {27, "vol", nullptr},
}};

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerName) {
  if (text.size() != lowerName.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (LowerAscii(text[i]) != lowerName[i]) return false;
  }
  return true;
}

// The text after the last separator that is a character of its own (in
// code page 932 a trail byte may equal the backslash).
std::string_view TailAfterLastSeparator(std::string_view text) {
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) {
      ++i;
    } else if (text[i] == platform::kPathSeparator) {
      start = i + 1;
    }
  }
  return text.substr(start);
}

bool ContainsAtCharacterStart(std::string_view text, std::string_view name) {
  for (size_t i = 0; i + name.size() <= text.size(); ++i) {
    if (text.compare(i, name.size(), name) == 0) return true;
    if (platform::IsLeadByte(static_cast<unsigned char>(text[i]))) ++i;
  }
  return false;
}

// The characters that end a built-in's name besides blanks.
bool EndsBuiltinName(char c) {
  return std::string_view(".:;,=+/\\([]<>|&\"").find(c) != std::string_view::npos;
}

// The leading name of `word`, cut where the processor would cut a built-in.
std::string_view LeadingName(std::string_view word) {
  size_t i = 0;
  while (i < word.size() && !EndsBuiltinName(word[i])) {
    i += platform::IsLeadByte(static_cast<unsigned char>(word[i])) && i + 1 < word.size() ? 2 : 1;
  }
  return word.substr(0, i);
}

// The first word of the line, without the quotes around it.
std::string_view FirstWord(std::string_view line) {
  const size_t start = line.find_first_not_of(" \t");
  if (start == std::string_view::npos) return {};
  line.remove_prefix(start);
  if (line.front() == '"') {
    line.remove_prefix(1);
    return line.substr(0, line.find('"'));
  }
  return line.substr(0, line.find_first_of(" \t"));
}

}  // namespace

const BuiltinCommand* FindBuiltin(std::string_view programName) {
  for (const BuiltinCommand& row : kTable) {
    if (EqualsIgnoringCase(programName, row.name)) return &row;
  }
  return nullptr;
}

bool IsShellCommand(std::string_view commandLine) {
  std::string_view tail = TailAfterLastSeparator(commandLine);
  for (std::string_view name : kNames) {
    if (ContainsAtCharacterStart(tail, name)) return true;
  }
  return false;
}

bool IsBuiltinCommandLine(std::string_view commandLine) {
  const std::string_view word = FirstWord(commandLine);
  return FindBuiltin(LeadingName(word)) != nullptr || FindBuiltin(LeadingName(TailAfterLastSeparator(word))) != nullptr;
}

}  // namespace exec
