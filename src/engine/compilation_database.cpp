#include "engine/compilation_database.h"

#include "engine/inline_file_writer.h"
#include "engine/json_text.h"
#include "platform/directory.h"

namespace engine {

void CompilationDatabase::Add(const std::vector<CommandLine>& lines) {
  std::vector<CompileCommand> added;
  for (const CommandLine& line : lines) {
    for (CompileCommand& entry : CompileCommandsOf(line)) added.push_back(std::move(entry));
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (CompileCommand& entry : added) entries_.push_back(std::move(entry));
}

bool CompilationDatabase::Write(const std::string& path) const {
  const std::string directory = JsonString(platform::WorkingDirectory());
  std::string json = "[";
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (size_t i = 0; i < entries_.size(); ++i) {
      const CompileCommand& entry = entries_[i];
      json += i == 0 ? "\n" : ",\n";
      json += "  {\n    \"directory\": " + directory + ",\n    \"file\": " + JsonString(entry.file) + ",\n";
      if (!entry.output.empty()) json += "    \"output\": " + JsonString(entry.output) + ",\n";
      json += "    \"arguments\": [";
      for (size_t k = 0; k < entry.arguments.size(); ++k) {
        if (k > 0) json += ", ";
        json += JsonString(entry.arguments[k]);
      }
      json += "]\n  }";
    }
  }
  json += "\n]\n";
  // In text mode, like an inline file: the platform's line ends.
  return WriteInlineText(path, json);
}

}  // namespace engine
