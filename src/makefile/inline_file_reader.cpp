#include "makefile/inline_file_reader.h"

#include "engine/command_list.h"
#include "makefile/makefile_reader.h"

namespace makefile {
namespace {

constexpr std::string_view kMarker = "<<";

}  // namespace

bool ReadInlineFile(MakefileReader& reader, const std::string& command, engine::CommandList& commands) {
  const size_t marker = command.find(kMarker);
  std::string commandText = command.substr(0, marker);
  std::string namePart = command.substr(marker + kMarker.size());
  if (commandText.empty()) {
    reader.RecordError(kErrorInlineWithoutCommand);
    return false;
  }

  // The lines are taken as written: no comments, continuations or
  // directives, only macro references are expanded.
  std::string content;
  std::string line;
  for (;;) {
    if (reader.ReadPhysicalLine(line) == LineResult::kEndOfInput) {
      reader.RecordError(kErrorInlineNotClosed);
      return false;
    }
    if (!reader.ExpandMacros(line)) return false;
    const size_t end = line.find(kMarker);
    content.append(line, 0, end);
    content.push_back('\n');
    if (end == std::string::npos) continue;

    const std::string_view keepWord = std::string_view(line).substr(end + kMarker.size());
    engine::InlineKind kind;
    if (keepWord == "KEEP") {
      kind = engine::InlineKind::Named;
    } else if (keepWord == "NOKEEP" || keepWord.empty()) {
      kind = engine::InlineKind::Temporary;
    } else {
      reader.RecordError(kErrorInlineKeepWord);
      return false;
    }
    engine::CommandLine entry;
    entry.SetCommandLine(std::move(commandText), std::move(namePart), std::move(content), kind);
    commands.Append(std::move(entry));
    return true;
  }
}

}  // namespace makefile
