// The command lines of a target or an inference rule.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace engine {

enum class BuildState : unsigned char { NotStarted = 0, Done = 1, InProgress = 2, Failed = 3 };

enum class InlineKind {
  None = 0,
  Named = 1,      // the file name is given after the "<<"
  Temporary = 2,  // a fresh name is made each time the command runs
};

struct CommandLine {
  static constexpr unsigned kSilent = 1;       // '@' prefix
  static constexpr unsigned kIgnoreError = 2;  // '-' prefix

  std::string text;
  unsigned flags = 0;
  InlineKind inlineKind = InlineKind::None;
  std::string inlineContent;
  std::string inlineFileName;

  bool Silent() const { return (flags & kSilent) != 0; }
  bool IgnoreError() const { return (flags & kIgnoreError) != 0; }

  // Stores the fields and strips any mix of leading '@' and '-' (blanks may
  // stand between them) into the flags. Gives 1 when no text is left after
  // the prefixes, else 0; the line is usable either way.
  int SetCommandLine(std::string commandText, std::string fileName, std::string content, InlineKind kind);
};

class CommandList {
 public:
  // Gives the index of the new line.
  size_t Append(CommandLine line);
  void AppendCopies(const CommandList& other);
  void ReplaceWithCopies(const CommandList& other);
  // False (and no change) when `index` is not below the count.
  bool ReplaceLine(size_t index, CommandLine line);

  size_t Count() const { return lines_.size(); }
  bool Empty() const { return lines_.empty(); }
  const CommandLine& Line(size_t index) const { return lines_[index]; }
  const std::vector<CommandLine>& Lines() const { return lines_; }

 private:
  std::vector<CommandLine> lines_;
};

}  // namespace engine
