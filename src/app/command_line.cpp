#include "app/command_line.h"

#include <cctype>
#include <thread>

#include "diag/message_catalogue.h"
#include "diag/notice.h"
#include "diag/report.h"
#include "platform/console.h"
#include "platform/path.h"

namespace app {
namespace {

constexpr const char* kUpdateInfo = "-x2 option changed (put inlinefiles)";
constexpr int kMaxJobs = 256;

// A -J count: a whole number from 1 to kMaxJobs, else 0.
int JobCount(const std::string& text) {
  if (text.empty() || text.size() > 3) return 0;
  int count = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return 0;
    count = count * 10 + (c - '0');
  }
  return count <= kMaxJobs ? count : 0;
}

bool IsDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// -J alone: as many commands at once as there are processors.
int ProcessorCount() {
  const unsigned count = std::thread::hardware_concurrency();
  return count == 0 ? 1 : count > kMaxJobs ? kMaxJobs : static_cast<int>(count);
}

int UnknownOption() {
  diag::FatalError(diag::LoadMessage(diag::msg::kUnknownOption));
  return 1;
}

// Sets the -J count from `text`; a value out of range is reported as such.
int ApplyJobCount(const std::string& text, BuildOptions& options) {
  options.jobs = JobCount(text);
  if (options.jobs != 0) return 0;
  diag::FatalError(diag::FormatCatalogMessage(diag::msg::kJobCountInvalid, text, kMaxJobs));
  return 1;
}

// What the argument after an option may be.
struct Pending {
  bool makefileName = false;  // after a bare -F: the name
  bool jobCount = false;      // after a bare -J: the count, when it is a number
  bool traceFile = false;     // after a bare -Z: the file
};

// Applies one option; gives 0 to go on, 1 to stop parsing. Notes in
// `pending` what the next argument may be.
int ApplyOption(const std::string& argument, BuildOptions& options, Pending& pending) {
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
    case 'Z':
      // Each names a file, in the same argument or the next.
      if (argument.size() > 2) {
        (option == 'F' ? options.makefileName : options.traceFile) = argument.substr(2);
      } else {
        (option == 'F' ? pending.makefileName : pending.traceFile) = true;
      }
      break;
    case 'G':
      // A local run that runs nothing, like -E's choice of mode.
      options.compileCommands = 1;
      options.executeCommands = 0;
      options.clientMode = options.clientModeHidden = options.serverMode = 0;
      break;
    case 'H':
    case '?':
      PrintUsage();
      return 1;
    case 'I': options.ignoreErrors = 1; break;
    case 'J':
      if (argument.size() == 2) {
        options.jobs = ProcessorCount();
        pending.jobCount = true;
        break;
      }
      if (ApplyJobCount(argument.substr(2), options) != 0) return 1;
      break;
    case 'K': options.keepGoing = 1; break;
    case 'L': options.useDirectRunner = 0; break;
    case 'M': options.nmakeReading = 1; break;
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
      return UnknownOption();
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
  Pending pending;
  for (const std::string& argument : arguments) {
    const bool isOption = IsOption(argument);
    const Pending previous = pending;
    pending = Pending();
    if (isOption) {
      if (ApplyOption(argument, options, pending) != 0) return 1;
    } else if (previous.makefileName) {
      options.makefileName = argument;
    } else if (previous.traceFile) {
      options.traceFile = argument;
    } else if (previous.jobCount && IsDigits(argument)) {
      if (ApplyJobCount(argument, options) != 0) return 1;
    } else if (macros.ParseMacroDefinition(argument)) {
      // defined
    } else if (!argument.empty()) {
      options.targetNames.push_back(argument);
    }
  }
  if (options.makefileName.empty()) options.makefileName = "Makefile";
  diag::SendNoticesToStderr(options.progressOutput != 0);
  if (options.showUpdateInfo) {
    diag::WriteNotice(diag::FormatPrintf("bramle ver %s \n Update info:\n %s\n\n", kVersion, kUpdateInfo));
  }
  return 0;
}

void PrintUsage() {
  // -G's, -J's, -M's and -Z's lines came after the others and stand among the
  // ordinary options, in the order of their letters.
  using namespace diag::msg;
  constexpr unsigned kLines[] = {kUsageHeading,
                                 kUsageSynopsis,
                                 kUsageOptionsHeading,
                                 kUsageCommonOptions,
                                 kUsageOptionA,
                                 kUsageOptionD,
                                 kUsageOptionF,
                                 kUsageOptionG,
                                 kUsageOptionH,
                                 kUsageOptionI,
                                 kUsageOptionJ,
                                 kUsageOptionJLimit,
                                 kUsageOptionK,
                                 kUsageOptionM,
                                 kUsageOptionN,
                                 kUsageOptionP,
                                 kUsageOptionQ,
                                 kUsageOptionS,
                                 kUsageOptionT,
                                 kUsageOptionZ,
                                 kUsageDistributedOptions,
                                 kUsageOptionB,
                                 kUsageOptionE,
                                 kUsageOptionR};
  std::string text = diag::FormatPrintf("bramle ver %s \n", kVersion);
  for (unsigned number : kLines) {
    text += number == kUsageOptionJLimit ? diag::FormatCatalogMessage(number, kMaxJobs) : diag::LoadMessage(number);
    text += '\n';
  }
  platform::WriteStdout(text);
}

}  // namespace app
