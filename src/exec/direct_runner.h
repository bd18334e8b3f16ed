// The default runner: every command is a process of its own. Built-ins of
// the command processor and lines with redirections (on POSIX also lines
// with shell syntax) go through the processor; "set" is carried out by the
// runner itself, for the children it starts later.
#pragma once

#include <string>

#include "exec/command_runner.h"
#include "exec/environment_list.h"

namespace exec {

class DirectRunner : public CommandRunner {
 public:
  // A command is read by the caller: no thread for a process that lives
  // for one command.
  DirectRunner() : CommandRunner(Reader::Caller) {}
  ~DirectRunner() override;

  int Start() override;
  int Exec(const std::string& commandLine) override;
  void Close() override;

  // The environment children get.
  const EnvironmentList& Environment() const { return environment_; }

 protected:
  void Enqueue(int stream, std::string&& lines) override;
  void OnOutputEnded(int status) override;
  bool DropsStdoutBacklog() const override { return true; }

 private:
  // How Exec runs a line.
  enum class Route { Nothing, Handled, Program, Processor };
  Route RouteOf(const std::string& commandLine, int& handledStatus);

  EnvironmentList environment_;
  std::string processor_;  // empty when none was found
};

}  // namespace exec
