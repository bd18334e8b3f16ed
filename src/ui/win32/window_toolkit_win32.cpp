// The Windows build's windows: Win32 dialogs from the resource script.
#include <windows.h>
#include <commctrl.h>

#include "ui/win32/client_window.h"
#include "ui/win32/dialog.h"
#include "ui/win32/resident_window.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/server_status_window.h"
#include "ui/window_toolkit.h"

namespace ui::win32 {
namespace {

void FollowSaveBox(HWND dialog) {
  const bool save = ItemChecked(dialog, IDC_SAVE_LOG);
  EnableItem(dialog, IDC_LOG_FILE, save);
  EnableItem(dialog, IDC_BROWSE, save);
}

// The controls both settings dialogs have: the log file and its browse
// button.
void LogFileCommand(HWND dialog, int id) {
  if (id == IDC_SAVE_LOG) FollowSaveBox(dialog);
  if (id == IDC_BROWSE) BrowseForLogFile(dialog, IDC_LOG_FILE);
}

class ClientSettingsDialog : public Dialog {
 public:
  explicit ClientSettingsDialog(ClientSettingsForm& form) : form_(form) {}
  ~ClientSettingsDialog() override {
    if (hook_) UnhookWindowsHookEx(hook_);
    watched_ = nullptr;
  }

 private:
  void Initialize(HWND dialog) override {
    SetItemText(dialog, IDC_CLIENT_PORT, form_.portNo);
    SetItemText(dialog, IDC_CLIENT_NAME, form_.machineName);
    SetItemChecked(dialog, IDC_CLIENT_ACCEPT, form_.acceptRequest);
    SetItemChecked(dialog, IDC_CLIENT_POPUP, form_.popupStatus);
    SetItemChecked(dialog, IDC_CLIENT_NOEXEC, form_.noExecShellCommand);
    SetItemChecked(dialog, IDC_SAVE_LOG, form_.saveLog);
    SetItemText(dialog, IDC_LOG_FILE, form_.saveLogFile);
    SetItemChecked(dialog, IDC_CLIENT_PASSIVE, false);
    ShowWindow(GetDlgItem(dialog, IDC_CLIENT_PASSIVE), SW_HIDE);
    FollowSaveBox(dialog);
    // Key presses go to the focused control; a hook on this thread sees
    // them before any control does.
    watched_ = this;
    dialog_ = dialog;
    hook_ = SetWindowsHookExW(WH_GETMESSAGE, KeyHook, nullptr, GetCurrentThreadId());
  }
  void Command(HWND dialog, int id) override { LogFileCommand(dialog, id); }
  bool Accept(HWND dialog) override {
    form_.portNo = ItemText(dialog, IDC_CLIENT_PORT);
    form_.machineName = ItemText(dialog, IDC_CLIENT_NAME);
    form_.acceptRequest = ItemChecked(dialog, IDC_CLIENT_ACCEPT);
    form_.popupStatus = ItemChecked(dialog, IDC_CLIENT_POPUP);
    form_.noExecShellCommand = ItemChecked(dialog, IDC_CLIENT_NOEXEC);
    form_.saveLog = ItemChecked(dialog, IDC_SAVE_LOG);
    form_.saveLogFile = ItemText(dialog, IDC_LOG_FILE);
    form_.passiveConnect = ItemChecked(dialog, IDC_CLIENT_PASSIVE);
    return ShowRefusal(dialog, form_.Refusal());
  }

  static LRESULT CALLBACK KeyHook(int code, WPARAM removed, LPARAM lParam) {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    const bool press = message->message == WM_KEYDOWN || message->message == WM_SYSKEYDOWN;
    // Bit 30: the key was already down, an auto-repeat.
    if (code == HC_ACTION && removed == PM_REMOVE && press && !(message->lParam & (1 << 30)) && watched_ &&
        (message->hwnd == watched_->dialog_ || IsChild(watched_->dialog_, message->hwnd))) {
      watched_->KeyPressed(message->wParam);
    }
    return CallNextHookEx(nullptr, code, removed, lParam);
  }
  void KeyPressed(WPARAM key) {
    // Control held while Pause is pressed arrives as VK_CANCEL (Break).
    const auto gateKey = key == VK_CONTROL                      ? PassiveKeyGate::Key::kControl
                         : key == VK_PAUSE || key == VK_CANCEL ? PassiveKeyGate::Key::kPause
                                                                : PassiveKeyGate::Key::kOther;
    if (gate_.Press(gateKey)) ShowWindow(GetDlgItem(dialog_, IDC_CLIENT_PASSIVE), SW_SHOW);
  }

  static inline ClientSettingsDialog* watched_ = nullptr;
  ClientSettingsForm& form_;
  HWND dialog_ = nullptr;
  HHOOK hook_ = nullptr;
  PassiveKeyGate gate_;
};

class ServerSettingsDialog : public Dialog {
 public:
  explicit ServerSettingsDialog(ServerSettingsForm& form) : form_(form) {}

 private:
  void Initialize(HWND dialog) override {
    SetItemText(dialog, IDC_SERVER_NAME, form_.machineName);
    SetItemText(dialog, IDC_SERVER_BROADCAST_PORT, form_.broadcastPortNo);
    SetItemChecked(dialog, form_.normalPortAuto ? IDC_SERVER_AUTOMATIC : IDC_SERVER_MANUAL, true);
    EnableItem(dialog, IDC_SERVER_AUTOMATIC, form_.AutomaticRadioEnabled());
    SetItemText(dialog, IDC_SERVER_PORT, form_.normalPort);
    SetItemChecked(dialog, IDC_SERVER_SEND_REQUEST, form_.sendRequest);
    SetItemChecked(dialog, IDC_SERVER_TIMEOUT, form_.timeout);
    SetItemText(dialog, IDC_SERVER_TIMEOUT_TIME, form_.timeoutTime);
    SetItemChecked(dialog, IDC_SERVER_FULL_PATH, form_.commandFullPath);
    SetItemChecked(dialog, IDC_SAVE_LOG, form_.saveLog);
    SetItemText(dialog, IDC_LOG_FILE, form_.saveLogFile);
    FollowRadios(dialog);
    FollowSaveBox(dialog);
  }
  void Command(HWND dialog, int id) override {
    if (id == IDC_SERVER_AUTOMATIC || id == IDC_SERVER_MANUAL) FollowRadios(dialog);
    LogFileCommand(dialog, id);
  }
  bool Accept(HWND dialog) override {
    form_.machineName = ItemText(dialog, IDC_SERVER_NAME);
    form_.broadcastPortNo = ItemText(dialog, IDC_SERVER_BROADCAST_PORT);
    form_.normalPortAuto = ItemChecked(dialog, IDC_SERVER_AUTOMATIC);
    form_.normalPort = ItemText(dialog, IDC_SERVER_PORT);
    form_.sendRequest = ItemChecked(dialog, IDC_SERVER_SEND_REQUEST);
    form_.timeout = ItemChecked(dialog, IDC_SERVER_TIMEOUT);
    form_.timeoutTime = ItemText(dialog, IDC_SERVER_TIMEOUT_TIME);
    form_.commandFullPath = ItemChecked(dialog, IDC_SERVER_FULL_PATH);
    form_.saveLog = ItemChecked(dialog, IDC_SAVE_LOG);
    form_.saveLogFile = ItemText(dialog, IDC_LOG_FILE);
    return ShowRefusal(dialog, form_.Refusal());
  }
  static void FollowRadios(HWND dialog) { EnableItem(dialog, IDC_SERVER_PORT, ItemChecked(dialog, IDC_SERVER_MANUAL)); }

  ServerSettingsForm& form_;
};

class AboutBox : public Dialog {
 public:
  explicit AboutBox(const std::string& version) : version_(version) {}

 private:
  void Initialize(HWND dialog) override { SetItemText(dialog, IDC_ABOUT_VERSION, "Bramle Version " + version_); }
  std::string version_;
};

class Win32Toolkit : public WindowToolkit {
 public:
  bool RunClientSettings(ClientSettingsForm& form, const ProbeScript& probe) override {
    ClientSettingsForm edited = form;
    if (!ClientSettingsDialog(edited).Run(IDD_CLIENT_SETTINGS, probe)) return false;
    form = edited;
    return true;
  }
  bool RunServerSettings(ServerSettingsForm& form, const ProbeScript& probe) override {
    ServerSettingsForm edited = form;
    if (!ServerSettingsDialog(edited).Run(IDD_SERVER_SETTINGS, probe)) return false;
    form = edited;
    return true;
  }
  void RunAboutBox(const std::string& version, const ProbeScript& probe) override {
    AboutBox(version).Run(IDD_ABOUT, probe);
  }
  // The windows, and so the views they gave out, stay until `ended` has run.
  void RunServerStatus(ServerControls& controls, bool sendRequest, const ServerStart& started,
                       const WindowEnded& ended, const ProbeScript& probe) override {
    ServerStatusWindow window(controls, sendRequest, started);
    window.Run(IDD_SERVER_STATUS, probe);
    if (ended) ended();
  }
  void RunClientWindow(const ClientStart& started, const WindowEnded& ended, const ProbeScript& probe) override {
    ClientWindow window(started);
    window.Run(IDD_CLIENT_WINDOW, probe);
    if (ended) ended();
  }
  void RunResident(ResidentClient& client, const std::string& version, const ClientStart& started,
                   const WindowEnded& ended, const ProbeScript& probe) override {
    ResidentWindowWin32 resident(client, *this, version);
    resident.Run(started, probe);
    if (ended) ended();
  }
  void EndResident() override { ResidentWindowWin32::RequestEnd(); }
};

// Whether this process can make windows at all (a service without a desktop,
// or Wine without a display, cannot).
bool CanCreateWindows() {
  HWND probe = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (probe == nullptr) return false;
  DestroyWindow(probe);
  return true;
}

}  // namespace
}  // namespace ui::win32

namespace ui {

WindowToolkit* OpenWindowToolkit() {
  static WindowToolkit* const toolkit = [] () -> WindowToolkit* {
    if (!win32::CanCreateWindows()) return nullptr;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    static win32::Win32Toolkit windows;
    return &windows;
  }();
  return toolkit;
}

}  // namespace ui
