#include "platform/network_startup.h"

#include <signal.h>
#include <sys/resource.h>

namespace platform {

// A peer that goes away must give a failed send, not end the process. A
// server holds a descriptor per connection: the soft limit on open files
// (often 1,024) is raised as far as the system allows.
bool StartNetworking() {
  signal(SIGPIPE, SIG_IGN);
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);
  }
  return true;
}

void StopNetworking() {}

}  // namespace platform
