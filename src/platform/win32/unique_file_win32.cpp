#include "platform/unique_file.h"

#include <windows.h>

#include <atomic>

namespace platform {

std::string TemporaryDirectory() {
  char buffer[MAX_PATH + 1];
  DWORD length = GetTempPathA(sizeof buffer, buffer);
  if (length == 0 || length > MAX_PATH) return ".";
  std::string directory(buffer, length);
  if (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
  return directory;
}

std::string CreateUniqueFile(const std::string& directory, const std::string& prefix, const std::string& suffix) {
  static std::atomic<unsigned> counter{0};
  const unsigned process = static_cast<unsigned>(GetCurrentProcessId());
  for (int attempt = 0; attempt < 10000; ++attempt) {
    const unsigned serial = counter++;
    std::string name = directory;
    name.append("\\").append(prefix).append(std::to_string(process)).append("_");
    name.append(std::to_string(serial)).append(suffix);
    HANDLE file = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      CloseHandle(file);
      return name;
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) return std::string();
  }
  return std::string();
}

}  // namespace platform
