// The runner that keeps one command processor alive and feeds it batch
// files: commands share the processor's state (current directory,
// variables), as they would typed at its prompt.
//
// Each command is written into a batch file with a marker file beside it.
// One line is typed per command; it makes the processor print a begin
// sentinel, run the batch file (which erases the marker and leaves the
// command's status in ERRORLEVEL, or $?), and print an end sentinel with
// that status, on standard output and on standard error. Whatever the
// processor prints outside the sentinels (banner, prompts, blank lines) is
// dropped, so the output and the exit code come out the same whether the
// processor echoes, prompts or neither. Only one typed line is ever
// unread, as some processors lose the rest of what one read returned.
#pragma once

#include <string>

#include "exec/batch_file.h"
#include "exec/command_runner.h"

namespace exec {

class BatchRunner : public CommandRunner {
 public:
  // How long Start waits for a new processor to answer.
  static constexpr int kProcessorAnswerMs = 60000;

  explicit BatchRunner(const BatchDialect& dialect = NativeDialect());
  ~BatchRunner() override;

  int Start() override;
  // A command that ends the processor itself ("exit 3") reports the
  // processor's exit code; the next Exec starts a new processor.
  int Exec(const std::string& commandLine) override;
  void Close() override;

 protected:
  void Enqueue(int stream, std::string&& lines) override;
  void OnOutputEnded(int status) override;
  void OnCommandFinished() override;
  void OnKilled() override;

 private:
  enum class Phase { AwaitingReady, Idle, Command };

  int StartProcessor();
  void RemoveBatchFiles();
  void RemoveSyncFile();

  const BatchDialect& dialect_;
  std::string processor_;
  std::string token_;     // sentinel prefix, new for each Start
  std::string ready_;     // the sentinels: token_ + "-R", "-B", "-E"
  std::string begin_;
  std::string end_;
  std::string syncBase_;  // base name of the synchronisation file, if any
  std::string sync_;      // its path as typed
  std::string baseName_;  // batch file pair of the running command
  Phase phase_[2] = {Phase::AwaitingReady, Phase::AwaitingReady};
  bool streamDone_[2] = {false, false};
  bool processorReady_ = false;
};

}  // namespace exec
