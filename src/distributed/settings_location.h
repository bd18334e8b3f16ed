// Where the settings file "Bramle.inf" lives.
#pragma once

#include <string>

namespace distributed {

inline constexpr const char* kSettingsFileName = "Bramle.inf";

// Beside the executable (`programDirectory` ends in a separator) when the
// file is there or when the platform keeps no per-user settings (an empty
// `userConfigDirectory`); otherwise in the "bramle" folder of the user's
// settings, because an installed program's folder is not the user's to
// write.
std::string SettingsPathFor(const std::string& programDirectory, const std::string& userConfigDirectory);

// SettingsPathFor the running executable and the user running it.
std::string DefaultSettingsPath();

}  // namespace distributed
