#include "makefile/read_time_command.h"

#include "exec/direct_runner.h"
#include "platform/console.h"
#include "platform/line_ends.h"

namespace makefile {
namespace {

void PassOutputThrough(exec::DirectRunner& runner) {
  std::string text;
  if (!runner.TakeStdout(text)) platform::WriteStdout(platform::FromTextLineEnds(std::move(text)));
  text.clear();
  if (!runner.TakeStderr(text)) platform::WriteStderr(platform::FromTextLineEnds(std::move(text)));
}

}  // namespace

int RunReadTimeCommand(const std::string& command) {
  exec::DirectRunner runner;
  if (runner.Start() != 0 || runner.Exec(command) != 0) {
    runner.Close();
    return 1;
  }
  while (runner.IsRunning()) PassOutputThrough(runner);
  PassOutputThrough(runner);
  const int code = runner.ExitCode();
  runner.Close();
  return code;
}

}  // namespace makefile
