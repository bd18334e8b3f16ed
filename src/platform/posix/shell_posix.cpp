#include "platform/shell.h"

#include <sys/wait.h>

#include <cstdlib>

namespace platform {

int RunShellLine(const std::string& line) {
  int status = std::system(line.c_str());
  if (status == -1 || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

}  // namespace platform
