#include "exec/command_processor.h"

#include "platform/environment.h"
#include "platform/processor_family.h"
#include "platform/scratch_files.h"
#include "platform/system_version.h"

namespace exec {

int GetPlatformKind() {
  switch (platform::QueryPlatformFamily()) {
    case platform::PlatformFamily::Windows95:
      return 0;
    case platform::PlatformFamily::WindowsNt:
      return 1;
    case platform::PlatformFamily::Other:
      return 2;
    case platform::PlatformFamily::Unknown:
      break;
  }
  return -1;
}

std::vector<std::string> ProcessorCandidates(std::string windowsDirectory, int platformKind) {
  const char* executable = platformKind == 0 ? "\\COMMAND.COM" : platformKind == 1 ? "\\cmd.exe" : nullptr;
  if (!executable || windowsDirectory.size() < 2) return {};
  if (windowsDirectory.size() == 3 && windowsDirectory[2] == '\\') windowsDirectory.pop_back();
  std::vector<std::string> candidates;
  for (const char* folder : {"", "\\SYSTEM", "\\SYSTEM32", "\\COMMAND"}) {
    candidates.push_back(windowsDirectory + folder + executable);
  }
  return candidates;
}

int FindCommandProcessor(std::string& path) {
  path = platform::GetEnvironmentVariableText("ComSpec").value_or(std::string());
  if (!path.empty()) return 0;
  if constexpr (platform::kProcessorFamily == platform::ProcessorFamily::PosixShell) {
    if (platform::IsPlainFile("/bin/sh")) path = "/bin/sh";
    return path.empty() ? 1 : 0;
  }
  std::optional<std::string> directory = platform::WindowsDirectory();
  if (!directory) return 1;
  for (const std::string& candidate : ProcessorCandidates(*directory, GetPlatformKind())) {
    if (platform::IsPlainFile(candidate)) {
      path = candidate;
      return 0;
    }
  }
  return 1;
}

}  // namespace exec
