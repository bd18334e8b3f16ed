#include "ui/win32/resident_window.h"

#include <shellapi.h>

#include <atomic>

#include "ui/win32/resource_ids.h"

namespace ui::win32 {
namespace {

constexpr UINT kIconId = 2100;
constexpr UINT kIconMessage = 33199;
constexpr UINT kRunProbe = WM_APP + 1;
constexpr UINT kFirstCommand = 100;
const wchar_t kClassName[] = L"BRAMLECLIENTRESIDENTWINDOWV1";

std::atomic<HWND> runningWindow{nullptr};
std::atomic<bool> endRequested{false};

const ClientStart& NoStart() {
  static const ClientStart none;
  return none;
}

// The menu as a probe sees it: entries by their texts.
class MenuProbe : public WindowProbe {
 public:
  explicit MenuProbe(ResidentWindowWin32& resident) : resident_(resident), menu_(resident.MakeMenu()) {}
  ~MenuProbe() override { DestroyMenu(menu_); }
  int ControlEnabled(const std::string& text) override {
    const int state = State(text);
    return state < 0 ? -1 : (state & MF_GRAYED) == 0;
  }
  bool Click(const std::string& text) override {
    const int index = Find(text);
    if (index < 0 || (State(text) & MF_GRAYED)) return false;
    SendMessageW(resident_.window(), WM_COMMAND, GetMenuItemID(menu_, index), 0);
    Refresh();
    return true;
  }
  bool Checked(const std::string& text) override {
    const int state = State(text);
    return state >= 0 && (state & MF_CHECKED);
  }
  std::string EditText(const std::string&) override { return std::string(); }
  std::string Title() override {
    wchar_t title[64] = {};
    GetWindowTextW(resident_.window(), title, 64);
    return Utf8(title);
  }
  void Close(bool) override { resident_.Exit(); }

 private:
  void Refresh() {
    DestroyMenu(menu_);
    menu_ = resident_.MakeMenu();
  }
  int Find(const std::string& text) {
    const std::wstring wanted = Wide(text);
    const int count = GetMenuItemCount(menu_);
    for (int index = 0; index < count; ++index) {
      wchar_t buffer[128] = {};
      GetMenuStringW(menu_, index, buffer, 128, MF_BYPOSITION);
      if (wanted == buffer) return index;
    }
    return -1;
  }
  int State(const std::string& text) {
    const int index = Find(text);
    return index < 0 ? -1 : static_cast<int>(GetMenuState(menu_, index, MF_BYPOSITION));
  }

  ResidentWindowWin32& resident_;
  HMENU menu_;
};

}  // namespace

ResidentWindowWin32::ResidentWindowWin32(ResidentClient& client, WindowToolkit& toolkit, std::string version)
    : model_(client, *this), client_(client), toolkit_(toolkit), version_(std::move(version)), status_(NoStart()) {
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = Procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kClassName;
  RegisterClassW(&windowClass);  // fails harmlessly when registered before
  window_ = CreateWindowW(kClassName, kClassName, WS_SYSMENU, 0, 0, 0, 0, nullptr, nullptr,
                          GetModuleHandleW(nullptr), this);
  statusDialog_ = status_.Create(IDD_CLIENT_WINDOW);
}

ResidentWindowWin32::~ResidentWindowWin32() {
  if (statusDialog_) DestroyWindow(statusDialog_);
  if (window_) DestroyWindow(window_);
}

void ResidentWindowWin32::Run(const ClientStart& started, const ProbeScript& probe) {
  if (window_ == nullptr) return;
  NOTIFYICONDATAW icon = {};
  icon.cbSize = sizeof icon;
  icon.hWnd = window_;
  icon.uID = kIconId;
  icon.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  icon.uCallbackMessage = kIconMessage;
  icon.hIcon = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_BRAMLE), IMAGE_ICON,
                                            GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  lstrcpynW(icon.szTip, Wide(kNotifyTip).c_str(), ARRAYSIZE(icon.szTip));
  Shell_NotifyIconW(NIM_ADD, &icon);
  runningWindow = window_;
  probe_ = &probe;
  PopupClientView popup(status_, client_, *this);
  ClientViewRelay view(popup, status_);
  if (endRequested || (started && !started(view))) Exit();
  if (probe) PostMessageW(window_, kRunProbe, 0, 0);
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (statusDialog_ && IsDialogMessageW(statusDialog_, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  runningWindow = nullptr;
  endRequested = false;
  Shell_NotifyIconW(NIM_DELETE, &icon);
  DestroyWindow(statusDialog_);
  statusDialog_ = nullptr;
}

HMENU ResidentWindowWin32::MakeMenu() {
  HMENU menu = CreatePopupMenu();
  for (const MenuEntry& entry : model_.Entries()) {
    if (entry.command == MenuCommand::kSeparator) {
      AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    const UINT flags = MF_STRING | (entry.enabled ? MF_ENABLED : MF_GRAYED) | (entry.checked ? MF_CHECKED : 0);
    AppendMenuW(menu, flags, kFirstCommand + static_cast<UINT>(entry.command), Wide(entry.text).c_str());
  }
  return menu;
}

void ResidentWindowWin32::ShowMenu() {
  POINT cursor;
  GetCursorPos(&cursor);
  HMENU menu = MakeMenu();
  SetForegroundWindow(window_);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, window_, nullptr);
  // Lets the menu close when the user clicks elsewhere.
  PostMessageW(window_, WM_USER, 0, 0);
  DestroyMenu(menu);
}

LRESULT CALLBACK ResidentWindowWin32::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<ResidentWindowWin32*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wParam, lParam);
  switch (message) {
    case kIconMessage:
      if (lParam == WM_RBUTTONUP) self->ShowMenu();
      return 0;
    case kRunProbe: {
      MenuProbe probe(*self);
      (*self->probe_)(probe);
      return 0;
    }
    case WM_COMMAND:
      if (LOWORD(wParam) >= kFirstCommand)
        self->model_.Choose(static_cast<MenuCommand>(LOWORD(wParam) - kFirstCommand));
      return 0;
    case WM_DESTROY:
      self->window_ = nullptr;
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wParam, lParam);
  }
}

void ResidentWindowWin32::ShowClientWindow() {
  ShowWindow(statusDialog_, SW_SHOW);
  SetForegroundWindow(statusDialog_);
}

bool ResidentWindowWin32::RunClientSettings(ClientSettingsForm& form) { return toolkit_.RunClientSettings(form, {}); }

void ResidentWindowWin32::RunAboutBox() { toolkit_.RunAboutBox(version_, {}); }

void ResidentWindowWin32::Warn(const std::string& text, bool okCancel) {
  MessageBoxW(window_, Wide(text).c_str(), L"Bramle", (okCancel ? MB_OKCANCEL : MB_OK) | MB_ICONEXCLAMATION);
}

void ResidentWindowWin32::Exit() {
  if (window_) DestroyWindow(window_);
}

void ResidentWindowWin32::RequestEnd() {
  endRequested = true;
  if (HWND window = runningWindow.load()) PostMessageW(window, WM_CLOSE, 0, 0);
}

}  // namespace ui::win32
