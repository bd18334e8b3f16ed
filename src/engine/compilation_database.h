// The compile commands of a build, gathered instead of run and written as
// a compilation database ("compile_commands.json") for editors and
// language servers.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/command_list.h"
#include "engine/compile_command.h"

namespace engine {

inline constexpr const char* kCompilationDatabaseName = "compile_commands.json";

class CompilationDatabase {
 public:
  // Adds the entries of a target's command lines. Any thread.
  void Add(const std::vector<CommandLine>& lines);

  // Writes every entry, in the order added and each with the working
  // directory, as a JSON array to `path`; false when it cannot be written.
  bool Write(const std::string& path) const;

 private:
  mutable std::mutex mutex_;
  std::vector<CompileCommand> entries_;
};

}  // namespace engine
