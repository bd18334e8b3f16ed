#include "engine/command_list.h"

#include <utility>

namespace engine {
namespace {

bool IsWhiteSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

}  // namespace

int CommandLine::SetCommandLine(std::string commandText, std::string fileName, std::string content, InlineKind kind) {
  inlineContent = std::move(content);
  inlineKind = kind;
  inlineFileName = std::move(fileName);
  size_t position = 0;
  for (;;) {
    while (position < commandText.size() && IsWhiteSpace(commandText[position])) ++position;
    if (position == commandText.size()) {
      text.clear();
      return 1;
    }
    if (commandText[position] == '-') {
      flags |= kIgnoreError;
    } else if (commandText[position] == '@') {
      flags |= kSilent;
    } else {
      break;
    }
    ++position;
  }
  commandText.erase(0, position);
  text = std::move(commandText);
  return 0;
}

size_t CommandList::Append(CommandLine line) {
  lines_.push_back(std::move(line));
  return lines_.size() - 1;
}

void CommandList::AppendCopies(const CommandList& other) {
  const std::vector<CommandLine> copies = other.lines_;  // `other` may be this list
  lines_.insert(lines_.end(), copies.begin(), copies.end());
}

void CommandList::ReplaceWithCopies(const CommandList& other) { lines_ = other.lines_; }

bool CommandList::ReplaceLine(size_t index, CommandLine line) {
  if (index >= lines_.size()) return false;
  lines_[index] = std::move(line);
  return true;
}

}  // namespace engine
