// What the program needs to know before it shows a window, and the loading
// of a part built apart from the core program (the Linux windows, which need
// libraries the core program must run without).
#pragma once

#include <string>

namespace platform {

// Whether there is a window system to show windows on. Linux:
// WAYLAND_DISPLAY is set, or DISPLAY names an X server that answers (a local
// one must accept a connection); Windows: always.
bool HasDisplay();

// Loads the shared library at `path` (kept loaded for the rest of the run)
// and returns the address of its function `name`, or null when either
// cannot be found. `error` receives the system's reason on failure.
void* LoadModuleFunction(const std::string& path, const char* name, std::string& error);

}  // namespace platform
