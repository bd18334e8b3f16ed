// Everything the command line decides, with its defaults.
#pragma once

#include <string>
#include <vector>

namespace app {

inline constexpr const char* kVersion = "1.16";

struct BuildOptions {
  std::string makefileName;
  std::vector<std::string> targetNames;  // in the order given
  int buildAll = 0;
  int showTimestamps = 0;
  int printModel = 0;
  int ignoreErrors = 0;
  int keepGoing = 0;
  int showUpdateInfo = 0;
  int queryOnly = 0;
  int silent = 0;
  int touchOnly = 0;
  int executeCommands = 1;
  int progressOutput = 0;
  int echoInlineFiles = 0;
  int useDirectRunner = 1;
  int nmakeReading = 0;  // lines both dialects read, read as NMAKE does (-M)
  int jobs = 1;  // commands run at once (-J)
  int compileCommands = 0;  // write compile_commands.json instead of building (-G)
  std::string traceFile;    // where the run's timeline goes (-Z); empty: none
  int clientMode = 0;
  int clientModeHidden = 0;
  int serverMode = 0;
  int serverSettingsDialog = 0;
  int clientSettingsDialog = 0;
  double processorClock = 0;
};

}  // namespace app
