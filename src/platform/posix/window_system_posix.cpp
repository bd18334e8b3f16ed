#include "platform/window_system.h"

#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

namespace platform {

namespace {

const char* NonEmpty(const char* name) {
  const char* value = std::getenv(name);
  return value && *value ? value : nullptr;
}

bool ConnectsTo(const std::string& path, bool abstract) {
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  if (path.size() + 1 >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + (abstract ? 1 : 0), path.data(), path.size());
  const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + path.size() + (abstract ? 1 : 0));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool connected = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
  ::close(fd);
  return connected;
}

// A local X display (":N", "unix:N") must accept a connection on its socket,
// so that a stale DISPLAY does not count; one on another host is taken as
// there.
bool XDisplayReachable(const std::string& display) {
  const size_t colon = display.rfind(':');
  if (colon == std::string::npos) return false;
  const std::string host = display.substr(0, colon);
  if (!host.empty() && host != "unix") return true;
  const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
  const std::string socket = "/tmp/.X11-unix/X" + number;
  return ConnectsTo(socket, true) || ConnectsTo(socket, false);
}

}  // namespace

bool HasDisplay() {
  if (NonEmpty("WAYLAND_DISPLAY")) return true;
  const char* display = NonEmpty("DISPLAY");
  return display && XDisplayReachable(display);
}

void* LoadModuleFunction(const std::string& path, const char* name, std::string& error) {
  void* module = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    error = ::dlerror();
    return nullptr;
  }
  void* function = ::dlsym(module, name);
  if (function == nullptr) error = ::dlerror();
  return function;
}

}  // namespace platform
