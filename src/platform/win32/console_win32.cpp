#include "platform/console.h"

#include <windows.h>

#include <string>

namespace platform {
namespace {

// A console gets wide characters, so that Japanese shows whatever the
// console's code page; a file or pipe gets the ANSI bytes in text mode
// (each "\n" becomes CR LF, as the C runtime writes it).
bool WriteHandle(DWORD which, std::string_view text) {
  HANDLE handle = GetStdHandle(which);
  if (handle == INVALID_HANDLE_VALUE || handle == nullptr || text.empty()) return true;
  DWORD mode = 0;
  if (GetConsoleMode(handle, &mode)) {
    int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return true;
  }
  std::string bytes;
  bytes.reserve(text.size() + 16);
  for (char c : text) {
    if (c == '\n') bytes.push_back('\r');
    bytes.push_back(c);
  }
  const char* data = bytes.data();
  size_t left = bytes.size();
  while (left > 0) {
    DWORD written = 0;
    if (!WriteFile(handle, data, static_cast<DWORD>(left), &written, nullptr)) {
      // A pipe whose reader has gone.
      const DWORD error = GetLastError();
      return error != ERROR_NO_DATA && error != ERROR_BROKEN_PIPE;
    }
    if (written == 0) return true;
    data += written;
    left -= written;
  }
  return true;
}

}  // namespace

bool WriteStdout(std::string_view text) { return WriteHandle(STD_OUTPUT_HANDLE, text); }
bool WriteStderr(std::string_view text) { return WriteHandle(STD_ERROR_HANDLE, text); }

std::string ConsoleTitle() {
  char buffer[512] = {};
  DWORD length = GetConsoleTitleA(buffer, sizeof buffer - 1);
  return std::string(buffer, length);
}

void SetConsoleTitleText(std::string_view title) { SetConsoleTitleA(std::string(title).c_str()); }

void ShowConsoleWindow(bool show) {
  if (HWND window = GetConsoleWindow()) ShowWindow(window, show ? SW_SHOW : SW_HIDE);
}

}  // namespace platform
