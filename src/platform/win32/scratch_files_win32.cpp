#include "platform/scratch_files.h"

#include <windows.h>

#include "platform/environment.h"

namespace platform {

std::string TemporaryDirectory() {
  std::string directory = GetEnvironmentVariableText("TMP").value_or(std::string());
  if (directory.empty()) return ".";
  // A drive root keeps its backslash ("C:\"); other trailing ones go.
  while (directory.size() > 3 && directory.back() == '\\') directory.pop_back();
  if (directory.size() == 3 && directory[1] == ':' && directory[2] == '\\') directory.pop_back();
  return directory;
}

CreateResult CreateFileExclusively(const std::string& path, std::string_view bytes) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? CreateResult::Exists : CreateResult::Failed;
  }
  bool written = true;
  while (!bytes.empty()) {
    DWORD count = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &count, nullptr) || count == 0) {
      written = false;
      break;
    }
    bytes.remove_prefix(count);
  }
  if (!CloseHandle(file)) written = false;
  if (!written) {
    DeleteFileA(path.c_str());
    return CreateResult::Failed;
  }
  return CreateResult::Created;
}

bool IsPlainFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::FILE* OpenScratchFile(const std::string& path) { return std::fopen(path.c_str(), "w+bN"); }

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace platform
