// window_texts TITLE: prints "shown" or "hidden" for the top-level window
// titled TITLE, then the text of each of its controls, in UTF-8, one a line;
// exit code 1 when there is no such window. The cluster tests run it under
// a host's Wine to read a window of the Windows bramle there.
#include <windows.h>
#include <shellapi.h>

#include <string>

namespace {

void WriteLine(const std::wstring& text) {
  std::string utf8(text.size() * 3 + 1, '\0');
  utf8.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(),
                                  static_cast<int>(utf8.size()), nullptr, nullptr));
  utf8 += '\n';
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
}

}  // namespace

int main() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  HWND window = count == 2 ? FindWindowW(nullptr, arguments[1]) : nullptr;
  if (window == nullptr) return 1;
  WriteLine(IsWindowVisible(window) ? L"shown" : L"hidden");
  for (HWND control = GetWindow(window, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
    // A control of another process answers WM_GETTEXT itself (GetWindowText
    // gives only captions); one that hangs does not hold this program.
    std::wstring text(65536, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(control, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                        10000, &copied);
    text.resize(copied);
    WriteLine(text);
  }
  return 0;
}
