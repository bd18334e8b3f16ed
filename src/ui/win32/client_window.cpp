#include "ui/win32/client_window.h"

#include "platform/text.h"
#include "ui/win32/resource_ids.h"

namespace ui::win32 {

void ClientWindow::Initialize(HWND dialog) {
  dialog_ = dialog;
  if (started_ && !started_(relay_)) EndDialog(dialog, IDCANCEL);
}

void ClientWindow::Command(HWND dialog, int id) {
  if (id == IDC_CLIENT_CLEAR) ClearActivity();
  if (id == IDC_CLIENT_CLOSE) End(dialog, IDOK);
}

void ClientWindow::Show(Change change) {
  switch (change) {
    case Change::kServer:
      SetItemText(dialog_, IDC_CLIENT_ADDRESS, model().address());
      SetItemText(dialog_, IDC_CLIENT_SERVER_NAME, model().name());
      break;
    case Change::kLineAdded: {
      // Appended at the end, which scrolls the last line into view.
      HWND edit = GetDlgItem(dialog_, IDC_CLIENT_ACTIVITY);
      const int end = GetWindowTextLengthW(edit);
      SendMessageW(edit, EM_SETSEL, end, end);
      SendMessageA(edit, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(model().lastLine().c_str()));
      SendMessageW(edit, EM_SCROLLCARET, 0, 0);
      break;
    }
    case Change::kActivityCleared:
      SetItemText(dialog_, IDC_CLIENT_ACTIVITY, "");
      break;
  }
}

bool ClientWindow::AskYesNo(const std::string& text) {
  const std::string caption = platform::NarrowFromUtf8(kInquiryCaption);
  return MessageBoxA(dialog_, text.c_str(), caption.c_str(),
                     MB_YESNO | MB_ICONQUESTION | MB_SYSTEMMODAL | MB_SETFOREGROUND) == IDYES;
}

}  // namespace ui::win32
