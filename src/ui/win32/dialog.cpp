#include "ui/win32/dialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <memory>
#include <utility>
#include <vector>

#include "ui/win32/resource_ids.h"

namespace ui::win32 {
namespace {

constexpr UINT kRunProbe = WM_APP + 1;
constexpr UINT kPostedCall = WM_APP + 3;  // lParam: a std::function the handler deletes

// The control with `text`; a static label stands for the edit after it.
HWND FindControl(HWND dialog, const std::string& text) {
  const std::wstring wanted = Wide(text);
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
    // The control's own visibility: the dialog itself shows only once its
    // queue is idle.
    if (!(GetWindowLongW(child, GWL_STYLE) & WS_VISIBLE)) continue;
    wchar_t buffer[256] = {};
    GetWindowTextW(child, buffer, 256);
    if (wanted != buffer) continue;
    wchar_t className[32] = {};
    GetClassNameW(child, className, 32);
    HWND next = GetWindow(child, GW_HWNDNEXT);
    wchar_t nextClass[32] = {};
    if (next) GetClassNameW(next, nextClass, 32);
    if (lstrcmpiW(className, L"Static") == 0 && lstrcmpiW(nextClass, L"Edit") == 0) return next;
    return child;
  }
  return nullptr;
}

// The list-view row whose first column reads `text`, or -1; `list` is set
// to its list.
int FindRow(HWND dialog, const std::string& text, HWND& list) {
  const std::wstring wanted = Wide(text);
  LVFINDINFOW find = {};
  find.flags = LVFI_STRING;
  find.psz = wanted.c_str();
  for (list = GetWindow(dialog, GW_CHILD); list != nullptr; list = GetWindow(list, GW_HWNDNEXT)) {
    wchar_t className[32] = {};
    GetClassNameW(list, className, 32);
    const int row = lstrcmpiW(className, WC_LISTVIEWW) == 0
                        ? static_cast<int>(SendMessageW(list, LVM_FINDITEMW, -1, reinterpret_cast<LPARAM>(&find)))
                        : -1;
    if (row >= 0) return row;
  }
  return -1;
}

// The title bar's and the task bar's picture.
void SetProgramIcon(HWND window) {
  HINSTANCE program = GetModuleHandleW(nullptr);
  for (const auto& [kind, metric] : {std::pair{ICON_BIG, SM_CXICON}, std::pair{ICON_SMALL, SM_CXSMICON}}) {
    const int size = GetSystemMetrics(metric);
    HANDLE icon = LoadImageW(program, MAKEINTRESOURCEW(IDI_BRAMLE), IMAGE_ICON, size, size, LR_SHARED);
    SendMessageW(window, WM_SETICON, kind, reinterpret_cast<LPARAM>(icon));
  }
}

class DialogProbe : public WindowProbe {
 public:
  explicit DialogProbe(HWND dialog) : dialog_(dialog) {}
  int ControlEnabled(const std::string& text) override {
    HWND control = FindControl(dialog_, text);
    return control ? IsWindowEnabled(control) != FALSE : -1;
  }
  bool Click(const std::string& text) override {
    HWND control = FindControl(dialog_, text);
    if (control) {
      SendMessageW(control, BM_CLICK, 0, 0);
      return true;
    }
    HWND list = nullptr;
    const int row = FindRow(dialog_, text, list);
    if (row < 0) return false;
    ListView_SetItemState(list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    SendMessageW(list, WM_KEYDOWN, VK_SPACE, 0);
    return true;
  }
  void PressEnter(const std::string& text) override {
    HWND control = FindControl(dialog_, text);
    if (control == nullptr) return;
    SetFocus(control);
    // Posted, so that the dialog's own loop sees it as a typed key.
    PostMessageW(control, WM_KEYDOWN, VK_RETURN, 1);
  }
  std::string EditText(const std::string& label) override {
    HWND control = FindControl(dialog_, label);
    if (control == nullptr) return std::string();
    std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
    text.resize(GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
    return Utf8(text);
  }
  bool Checked(const std::string& text) override {
    if (HWND control = FindControl(dialog_, text)) return SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
    HWND list = nullptr;
    const int row = FindRow(dialog_, text, list);
    return row >= 0 && ListView_GetCheckState(list, row) == 1;
  }
  std::string Title() override {
    wchar_t buffer[256] = {};
    GetWindowTextW(dialog_, buffer, 256);
    return Utf8(buffer);
  }
  void Close(bool ok) override { SendMessageW(dialog_, WM_COMMAND, ok ? IDOK : IDCANCEL, 0); }

 private:
  HWND dialog_;
};

}  // namespace

std::wstring Wide(const std::string& utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), length);
  return wide;
}

std::string Utf8(const std::wstring& wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), length, nullptr, nullptr);
  return utf8;
}

void SetItemText(HWND dialog, int id, const std::string& text) { SetDlgItemTextA(dialog, id, text.c_str()); }

std::string ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  std::vector<char> buffer(GetWindowTextLengthA(item) + 1);
  GetWindowTextA(item, buffer.data(), static_cast<int>(buffer.size()));
  return buffer.data();
}

void SetItemChecked(HWND dialog, int id, bool checked) { CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED); }

bool ItemChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void EnableItem(HWND dialog, int id, bool enabled) { EnableWindow(GetDlgItem(dialog, id), enabled); }

bool Dialog::Run(int resourceId, const ProbeScript& probe) {
  probe_ = &probe;
  const INT_PTR result = DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), nullptr, Procedure,
                                         reinterpret_cast<LPARAM>(this));
  return result == IDOK;
}

HWND Dialog::Create(int resourceId) {
  static const ProbeScript kNoProbe;
  probe_ = &kNoProbe;
  modeless_ = true;
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId), nullptr, Procedure,
                            reinterpret_cast<LPARAM>(this));
}

void Dialog::End(HWND dialog, int result) {
  if (modeless_) {
    ShowWindow(dialog, SW_HIDE);
  } else {
    EndDialog(dialog, result);
  }
}

INT_PTR CALLBACK Dialog::Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<Dialog*>(lParam);
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      self->window_ = dialog;
      SetProgramIcon(dialog);
      self->Initialize(dialog);
      if (*self->probe_) PostMessageW(dialog, kRunProbe, 0, 0);
      return TRUE;
    case kRunProbe: {
      DialogProbe probe(dialog);
      (*self->probe_)(probe);
      return TRUE;
    }
    case WM_COMMAND:
      if (self == nullptr) return FALSE;
      if (LOWORD(wParam) == IDOK) {
        if (self->Accept(dialog)) self->End(dialog, IDOK);
      } else if (LOWORD(wParam) == IDCANCEL) {
        self->End(dialog, IDCANCEL);
      } else {
        self->Command(dialog, LOWORD(wParam));
      }
      return TRUE;
    case kPostedCall: {
      const std::unique_ptr<std::function<void()>> call(reinterpret_cast<std::function<void()>*>(lParam));
      (*call)();
      return TRUE;
    }
    case WM_DESTROY: {
      if (self) {
        std::lock_guard<std::mutex> lock(self->mutex_);
        self->closed_ = true;
      }
      // Calls posted but not yet run die with the window.
      MSG posted;
      while (PeekMessageW(&posted, dialog, kPostedCall, kPostedCall, PM_REMOVE)) {
        delete reinterpret_cast<std::function<void()>*>(posted.lParam);
      }
      return FALSE;
    }
    default:
      return self && self->Message(dialog, message, wParam, lParam);
  }
}

void Dialog::Post(std::function<void()> call) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (closed_ || window_ == nullptr) return;
  // On the window's own thread (a view called while the window starts) the
  // call runs at once.
  if (GetCurrentThreadId() == GetWindowThreadProcessId(window_, nullptr)) {
    lock.unlock();
    call();
    return;
  }
  auto* queued = new std::function<void()>(std::move(call));
  if (!PostMessageW(window_, kPostedCall, 0, reinterpret_cast<LPARAM>(queued))) delete queued;
}

bool ShowRefusal(HWND dialog, const std::string& refusal) {
  SetItemText(dialog, IDC_SETTINGS_REFUSAL, refusal);
  ShowWindow(GetDlgItem(dialog, IDC_SETTINGS_REFUSAL), refusal.empty() ? SW_HIDE : SW_SHOW);
  return refusal.empty();
}

void BrowseForLogFile(HWND dialog, int editId) {
  char file[MAX_PATH] = {};
  lstrcpynA(file, ItemText(dialog, editId).c_str(), MAX_PATH);
  OPENFILENAMEA request = {};
  request.lStructSize = sizeof request;
  request.hwndOwner = dialog;
  request.lpstrFilter = "Text Files (*.txt)\0*.txt\0All Files (*.*)\0*.*\0";
  request.lpstrFile = file;
  request.nMaxFile = MAX_PATH;
  request.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
  if (GetSaveFileNameA(&request)) SetItemText(dialog, editId, file);
}

}  // namespace ui::win32
