// The resident build client (-R, -C) with the console view: runs until
// Ctrl+C, Ctrl+Break or the end of the session, then cancels an open build
// phase, writes its settings back and ends.
#pragma once

#include "app/application.h"

namespace app {

// The exit code (0).
int RunClientMode(Application& application);

}  // namespace app
