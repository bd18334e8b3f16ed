// The build server (-B) with the console view: loads the makefile, serves
// clients (its own in-process client among them) until every target is
// built, a command has failed or Ctrl+C stopped it, then closes every build
// phase and ends with the exit code a local build would give.
#pragma once

#include "app/application.h"

namespace app {

int RunServerMode(Application& application);

}  // namespace app
