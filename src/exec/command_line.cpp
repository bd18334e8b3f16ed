#include "exec/command_line.h"

#include <array>

#include "platform/text.h"

namespace exec {
namespace {

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t'; }

bool IsLead(std::string_view text, size_t i) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
}

size_t SkipWhiteSpace(std::string_view text, size_t i) {
  while (i < text.size() && IsWhiteSpace(text[i])) ++i;
  return i;
}

// Reads the double-quoted string at text[start]. Sets `content` (a
// backslash-quote gives a quote) and `end` (after the closing quote); false
// when the quote is never closed.
bool ReadQuoted(std::string_view text, size_t start, std::string& content, size_t& end) {
  content.clear();
  for (size_t i = start + 1; i < text.size(); ++i) {
    if (IsLead(text, i)) {
      content.append(text.substr(i, 2));
      ++i;
    } else if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
      content.push_back('"');
      ++i;
    } else if (text[i] == '"') {
      end = i + 1;
      return true;
    } else {
      content.push_back(text[i]);
    }
  }
  return false;
}

bool IsRedirection(char c) { return c == '<' || c == '>' || c == '|'; }

// Words a POSIX shell knows that name no program.
constexpr std::array<std::string_view, 28> kShellOnlyWords = {
    "export", "unset", "exec",  "eval",    "trap",     "umask", "ulimit",  "wait",  "read",  "readonly",
    "return", "source", ".",    ":",       "while",    "until", "case",    "alias", "unalias", "command",
    "continue", "times", "getopts", "hash", "local",   "!",     "{",       "function"};

}  // namespace

SplitCommand SplitCommandLine(std::string_view commandLine) {
  SplitCommand result;
  std::string_view line = commandLine.substr(SkipWhiteSpace(commandLine, 0));

  size_t consumed = 0;
  std::string quoted;
  if (!line.empty() && line.front() == '"' && ReadQuoted(line, 0, quoted, consumed)) {
    result.program = "\"" + quoted + "\"";
  } else {
    consumed = line.find(' ');
    if (consumed == std::string_view::npos) consumed = line.size();
    result.program = std::string(line.substr(0, consumed));
  }
  std::string_view text = line.substr(SkipWhiteSpace(line, consumed));
  result.argumentText = std::string(text);

  std::string token;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (IsLead(text, i)) {
      token.append(text.substr(i, 2));
      i += 2;
    } else if (c == ' ') {
      result.arguments.push_back(std::move(token));
      token.clear();
      i = SkipWhiteSpace(text, i);
    } else if (c == '"' && ReadQuoted(text, i, quoted, i)) {
      token += "\"" + quoted + "\"";
    } else if (IsRedirection(c)) {
      if (!token.empty()) result.arguments.push_back(std::move(token));
      token.clear();
      result.arguments.emplace_back(1, c);
      result.redirection = true;
      i = SkipWhiteSpace(text, i + 1);
    } else {
      token.push_back(c);
      ++i;
    }
  }
  if (!token.empty()) result.arguments.push_back(std::move(token));
  return result;
}

bool HasRedirection(std::string_view commandLine) { return FindRedirection(commandLine) != std::string_view::npos; }

size_t FindRedirection(std::string_view commandLine) {
  bool quoted = false;
  for (size_t i = 0; i < commandLine.size(); ++i) {
    if (IsLead(commandLine, i)) {
      ++i;
    } else if (commandLine[i] == '"') {
      quoted = !quoted;
    } else if (!quoted && IsRedirection(commandLine[i])) {
      return i;
    }
  }
  return std::string_view::npos;
}

bool NeedsPosixShell(std::string_view commandLine) {
  if (commandLine.find_first_of("*?[~;&$'`()<>|\n\r") != std::string_view::npos) return true;
  const size_t start = SkipWhiteSpace(commandLine, 0);
  size_t end = start;
  while (end < commandLine.size() && !IsWhiteSpace(commandLine[end])) ++end;
  const std::string_view first = commandLine.substr(start, end - start);
  if (first.find('=') != std::string_view::npos) return true;
  for (std::string_view word : kShellOnlyWords) {
    if (first == word) return true;
  }
  return false;
}

bool ProcessorRunsLine(std::string_view commandLine, platform::ProcessorFamily family) {
  return HasRedirection(commandLine) ||
         (family == platform::ProcessorFamily::PosixShell && NeedsPosixShell(commandLine));
}

}  // namespace exec
