// Facts about the running program and machine.
#pragma once

#include <string>

namespace platform {

// Full path of the running executable.
std::string ModulePath();

// The computer name: the host name cut to 15 characters (upper case on
// Windows, as the system reports it).
std::string ComputerName();

// The base directory of per-user settings where the platform has one
// ($XDG_CONFIG_HOME, else ~/.config); empty on Windows, whose programs keep
// their settings beside the executable.
std::string UserConfigDirectory();

}  // namespace platform
