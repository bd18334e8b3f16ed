#include "platform/window_system.h"

#include <windows.h>

namespace platform {

bool HasDisplay() { return true; }

void* LoadModuleFunction(const std::string& path, const char* name, std::string& error) {
  HMODULE module = LoadLibraryA(path.c_str());
  if (module == nullptr) {
    error = "LoadLibrary failed (" + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  void* function = reinterpret_cast<void*>(GetProcAddress(module, name));
  if (function == nullptr) error = "GetProcAddress failed (" + std::to_string(GetLastError()) + ")";
  return function;
}

}  // namespace platform
