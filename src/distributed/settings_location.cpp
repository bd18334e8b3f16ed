#include "distributed/settings_location.h"

#include "engine/path_parts.h"
#include "platform/path.h"
#include "platform/scratch_files.h"
#include "platform/system_info.h"

namespace distributed {

std::string SettingsPathFor(const std::string& programDirectory, const std::string& userConfigDirectory) {
  const std::string besideProgram = programDirectory + kSettingsFileName;
  if (userConfigDirectory.empty() || platform::IsPlainFile(besideProgram)) return besideProgram;
  std::string path = userConfigDirectory;
  if (path.back() != platform::kPathSeparator) path += platform::kPathSeparator;
  return path + "bramle" + platform::kPathSeparator + kSettingsFileName;
}

std::string DefaultSettingsPath() {
  const std::string programDirectory =
      engine::SplitPath(platform::ModulePath()).directory + platform::kPathSeparator;
  return SettingsPathFor(programDirectory, platform::UserConfigDirectory());
}

}  // namespace distributed
