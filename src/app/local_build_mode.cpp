#include "app/local_build_mode.h"

#include "app/console_control.h"
#include "platform/console.h"

namespace app {

int RunLocalBuildMode(Application&) {
  InstallCancelHandler();
  platform::WriteStderr("bramle: the local build is not available in this build\n");
  return 1;
}

}  // namespace app
