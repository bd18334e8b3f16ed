// The ordinary make run: the console control handler, then the build.
#pragma once

#include "app/application.h"

namespace app {

int RunLocalBuildMode(Application& application);

}  // namespace app
