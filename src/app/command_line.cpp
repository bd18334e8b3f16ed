#include "app/command_line.h"

#include <cctype>

#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "platform/console.h"
#include "platform/path.h"

namespace app {
namespace {

constexpr const char* kUpdateInfo = "-x2 option changed (put inlinefiles)";

// Applies one option; gives 0 to go on, 1 to stop parsing. Sets
// `wantsMakefileName` for a bare -F, whose name is the next argument.
int ApplyOption(const std::string& argument, BuildOptions& options, bool& wantsMakefileName) {
  const char letter = argument.size() > 1 ? argument[1] : '\0';
  // -C exists only in upper case; every other letter is case-blind.
  const char option = letter == 'c' ? 'c' : static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  switch (option) {
    case 'A': options.buildAll = 1; break;
    case 'B':
      options.serverMode = 1;
      options.clientMode = 0;
      options.clientModeHidden = 0;
      break;
    case 'C':
      options.clientModeHidden = 1;
      options.clientMode = 0;
      break;
    case 'D': options.showTimestamps = 1; break;
    case 'E':
      options.serverSettingsDialog = 1;
      options.clientMode = options.clientModeHidden = options.serverMode = 0;
      break;
    case 'F':
      if (argument.size() > 2) {
        options.makefileName = argument.substr(2);
      } else {
        wantsMakefileName = true;
      }
      break;
    case 'H':
    case '?':
      PrintUsage();
      return 1;
    case 'I': options.ignoreErrors = 1; break;
    case 'K': options.keepGoing = 1; break;
    case 'L': options.useDirectRunner = 0; break;
    case 'N':
      options.silent = 0;
      options.executeCommands = 0;
      break;
    case 'P': options.printModel = 1; break;
    case 'Q':
      options.queryOnly = 1;
      options.executeCommands = 0;
      break;
    case 'R':
      options.clientMode = 1;
      options.clientModeHidden = 0;
      break;
    case 'S': options.silent = 1; break;
    case 'T':
      options.touchOnly = 1;
      options.executeCommands = 0;
      break;
    case 'V': options.showUpdateInfo = 1; break;
    case 'W':
      options.clientSettingsDialog = 1;
      options.clientMode = options.clientModeHidden = options.serverMode = 0;
      break;
    case 'X':
      options.progressOutput = 1;
      if (argument.size() == 3 && argument[2] == '2') options.echoInlineFiles = 1;
      break;
    default:
      diag::FatalError(diag::LoadMessage(22503));
      return 1;
  }
  return 0;
}

// '-' and '/' introduce options. Where '/' also separates paths, an argument
// with a second '/' is an absolute path, so "-F /src/build.mak" still works.
bool IsOption(const std::string& argument) {
  if (argument.empty()) return false;
  if (argument[0] == '-') return true;
  if (argument[0] != '/') return false;
  return platform::kPathSeparator != '/' || argument.find('/', 1) == std::string::npos;
}

}  // namespace

int ParseCommandLine(const std::vector<std::string>& arguments, BuildOptions& options, makefile::MacroTable& macros) {
  bool wantsMakefileName = false;
  for (const std::string& argument : arguments) {
    const bool isOption = IsOption(argument);
    const bool followsBareF = wantsMakefileName;
    wantsMakefileName = false;
    if (isOption) {
      if (ApplyOption(argument, options, wantsMakefileName) != 0) return 1;
    } else if (followsBareF) {
      options.makefileName = argument;
    } else if (macros.ParseMacroDefinition(argument)) {
      // defined
    } else if (options.targetName.empty()) {
      options.targetName = argument;
    }
  }
  if (options.makefileName.empty()) options.makefileName = "Makefile";
  if (options.showUpdateInfo) {
    platform::WriteStdout(diag::FormatPrintf("bramle ver %s \n Update info:\n %s\n\n", kVersion, kUpdateInfo));
  }
  return 0;
}

void PrintUsage() {
  std::string text = diag::FormatPrintf("bramle ver %s \n", kVersion);
  for (unsigned number = 23002; number <= 23020; ++number) {
    text += diag::LoadMessage(number);
    text += '\n';
  }
  platform::WriteStdout(text);
}

}  // namespace app
