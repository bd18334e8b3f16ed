#include "platform/window_system.h"

#include <dlfcn.h>

#include <cstdlib>

namespace platform {

namespace {
bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}
}  // namespace

bool HasDisplay() { return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY"); }

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
