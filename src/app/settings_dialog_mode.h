// -E and -W: the settings of the server or the client edited in a dialog.
#pragma once

#include <string>

#include "distributed/settings_file.h"
#include "ui/window_toolkit.h"

namespace app {

enum class SettingsDialogKind { kServer, kClient };

// Loads the settings, runs the dialog, copies the values back when it ended
// with OK, and saves the file whether it did or not. Returns the exit code:
// 0, or 1 with a message when no window can be shown. With `hideConsole`
// (-X) the console window is hidden while the dialog is open.
int RunSettingsDialogMode(SettingsDialogKind kind, distributed::SettingsFile& settings, ui::WindowToolkit* toolkit,
                          bool hideConsole = false);

}  // namespace app
