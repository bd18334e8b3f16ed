#include "exec/command_words.h"

#include "exec/command_line.h"
#include "platform/windows_arguments.h"

namespace exec {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsShellOperator(char c) {
  return c == ';' || c == '&' || c == '|' || c == '<' || c == '>' || c == '(' || c == ')' || c == '\n';
}

// What a backslash escapes inside double quotes.
bool IsEscapedInQuotes(char c) { return c == '$' || c == '`' || c == '"' || c == '\\' || c == '\n'; }

bool AllDigits(std::string_view word) {
  return !word.empty() && word.find_first_not_of("0123456789") == std::string_view::npos;
}

// The text before a cmd.exe redirection, without a handle number written
// against it ("cl /c a.c 2>err").
std::string_view BeforeRedirection(std::string_view line) {
  const size_t at = FindRedirection(line);
  if (at == std::string_view::npos) return line;
  size_t start = at;
  while (start > 0 && line[start - 1] >= '0' && line[start - 1] <= '9') --start;
  if (start < at && (start == 0 || IsBlank(line[start - 1]))) return line.substr(0, start);
  return line.substr(0, at);
}

}  // namespace

std::vector<std::string> SplitShellWords(std::string_view text, bool stopAtOperator) {
  std::vector<std::string> words;
  std::string word;
  bool inWord = false;
  bool quotedWord = false;  // a quote or escape in it: never a handle number
  const auto endWord = [&] {
    if (inWord) words.push_back(std::move(word));
    word.clear();
    inWord = quotedWord = false;
  };
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (IsBlank(c) || c == '\r' || (c == '\n' && !stopAtOperator)) {
      endWord();
    } else if (stopAtOperator && IsShellOperator(c)) {
      if (!((c == '<' || c == '>') && !quotedWord && AllDigits(word))) endWord();
      return words;
    } else if (c == '\\') {
      // A backslash before a line end joins the lines.
      if (i + 1 < n && text[i + 1] != '\n') {
        word.push_back(text[i + 1]);
        inWord = quotedWord = true;
      }
      ++i;
    } else if (c == '\'') {
      const size_t close = text.find('\'', i + 1);
      const size_t end = close == std::string_view::npos ? n : close;
      word.append(text.substr(i + 1, end - i - 1));
      inWord = quotedWord = true;
      i = end;
    } else if (c == '"') {
      inWord = quotedWord = true;
      for (++i; i < n && text[i] != '"'; ++i) {
        const bool escape = text[i] == '\\' && i + 1 < n && IsEscapedInQuotes(text[i + 1]);
        if (escape) ++i;
        if (!(escape && text[i] == '\n')) word.push_back(text[i]);
      }
    } else {
      word.push_back(c);
      inWord = true;
    }
  }
  endWord();
  return words;
}

std::vector<std::string> ProgramArguments(std::string_view commandLine, platform::ProcessorFamily family) {
  if (!ProcessorRunsLine(commandLine, family)) return platform::SplitWindowsArguments(commandLine);
  if (family == platform::ProcessorFamily::PosixShell) return SplitShellWords(commandLine, true);
  return platform::SplitWindowsArguments(BeforeRedirection(commandLine));
}

std::vector<std::string> ResponseFileArguments(std::string_view content, platform::ProcessorFamily family) {
  if (family == platform::ProcessorFamily::PosixShell) return SplitShellWords(content, false);
  std::string blanked(content);
  for (char& c : blanked) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  // Every word is an argument here, the first included; the C runtime's
  // splitting treats only the first as a program name.
  std::vector<std::string> arguments = platform::SplitWindowsArguments(" x " + blanked);
  arguments.erase(arguments.begin());
  return arguments;
}

}  // namespace exec
