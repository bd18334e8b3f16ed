// "分散コンパイル": the build server's status window in Win32.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>

#include "platform/text.h"
#include "ui/win32/dialog.h"
#include "ui/win32/resource_ids.h"
#include "ui/win32/server_status_window.h"

namespace ui::win32 {
namespace {

constexpr UINT_PTR kAnnounceTimer = 1;
constexpr UINT kAnnounceMilliseconds = 10 * 1000;

int RowConnection(HWND list, int index) {
  LVITEMW item = {};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
  return static_cast<int>(item.lParam);
}

// The stock check boxes are images as tall as a small icon, drawn at the top
// of a row that the 9-point font makes taller, so they sat above the text.
// Images as tall as the text with the box centred in them line up with it.
void CentreCheckBoxes(HWND list) {
  HDC screen = GetDC(list);
  HGDIOBJ font = SelectObject(screen, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
  TEXTMETRICW metrics = {};
  GetTextMetricsW(screen, &metrics);
  SelectObject(screen, font);
  const int width = GetSystemMetrics(SM_CXSMICON);
  const int height = std::max<int>(metrics.tmHeight, GetSystemMetrics(SM_CYSMICON));
  constexpr int kBox = 13;
  constexpr COLORREF kClear = RGB(255, 0, 255);
  HIMAGELIST images = ImageList_Create(width, height, ILC_COLOR32 | ILC_MASK, 2, 0);
  HDC memory = CreateCompatibleDC(screen);
  HBRUSH clear = CreateSolidBrush(kClear);
  for (UINT checked : {0u, static_cast<UINT>(DFCS_CHECKED)}) {
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, clear);
    RECT box = {(width - kBox) / 2, (height - kBox) / 2, (width + kBox) / 2, (height + kBox) / 2};
    DrawFrameControl(memory, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_FLAT | checked);
    SelectObject(memory, old);
    ImageList_AddMasked(images, bitmap, kClear);
    DeleteObject(bitmap);
  }
  DeleteObject(clear);
  DeleteDC(memory);
  ReleaseDC(list, screen);
  // The list keeps only the image list it holds; the one it made is ours.
  if (HIMAGELIST stock = ListView_SetImageList(list, images, LVSIL_STATE)) ImageList_Destroy(stock);
}

}  // namespace

ServerStatusWindow::ServerStatusWindow(ServerControls& controls, bool sendRequest,
                                       const ServerStart& started)
    : controls_(controls), sendRequest_(sendRequest), started_(started) {}

void ServerStatusWindow::Initialize(HWND dialog) {
  dialog_ = dialog;
  HWND list = GetDlgItem(dialog, IDC_STATUS_LIST);
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES);
  CentreCheckBoxes(list);
  const char* titles[] = {"クライアント名", "IPアドレス", "CPU速度", "状況"};
  const int widths[] = {100, 90, 72, 200};  // "CPU速度" whole in the 9-point font
  for (int column = 0; column < 4; ++column) {
    std::wstring title = Wide(titles[column]);
    LVCOLUMNW header = {};
    header.mask = LVCF_TEXT | LVCF_WIDTH;
    header.pszText = title.data();
    header.cx = widths[column];
    SendMessageW(list, LVM_INSERTCOLUMNW, column, reinterpret_cast<LPARAM>(&header));
  }
  for (Change change : {Change::kRows, Change::kProgress, Change::kStatus}) Show(change);
  if (sendRequest_) SetTimer(dialog, kAnnounceTimer, kAnnounceMilliseconds, nullptr);
  if (started_ && !started_(relay_)) EndDialog(dialog, IDCANCEL);
}

void ServerStatusWindow::Command(HWND dialog, int id) {
  if (id == IDC_STATUS_STOP_ONE) {
    HWND list = GetDlgItem(dialog, IDC_STATUS_LIST);
    for (int item = -1; (item = ListView_GetNextItem(list, item, LVNI_SELECTED)) >= 0;)
      controls_.CancelConnection(RowConnection(list, item));
  } else if (id == IDC_STATUS_STOP_ALL) {
    StopAll();
    StatusText(platform::NarrowFromUtf8(kBuildStoppedText));
  } else if (id == IDC_STATUS_CLOSE) {
    StopAll();
    EndDialog(dialog, IDOK);
  }
}

bool ServerStatusWindow::Message(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_TIMER && wParam == kAnnounceTimer) {
    controls_.Announce();
    return true;
  }
  return false;
}

void ServerStatusWindow::StopAll() {
  KillTimer(dialog_, kAnnounceTimer);
  controls_.StopServer();
}

void ServerStatusWindow::Show(Change change) {
  const ServerStatusModel& state = model();
  switch (change) {
    case Change::kRows: {
      // Rows change in place, so that a tick or a selection stays with its
      // connection; the model only removes rows and appends them.
      HWND list = GetDlgItem(dialog_, IDC_STATUS_LIST);
      int index = 0;
      for (const ClientRow& row : state.rows()) {
        while (index < ListView_GetItemCount(list) && RowConnection(list, index) != row.connection)
          ListView_DeleteItem(list, index);
        LVITEMA item = {};
        item.iItem = index;
        if (index == ListView_GetItemCount(list)) {
          item.mask = LVIF_PARAM;
          item.lParam = row.connection;
          SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
        }
        const std::string columns[] = {row.name, row.address, row.cpuSpeed, row.status};
        for (int column = 0; column < 4; ++column) {
          item.iSubItem = column;
          item.pszText = const_cast<char*>(columns[column].c_str());
          SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
        }
        ++index;
      }
      while (ListView_GetItemCount(list) > index) ListView_DeleteItem(list, index);
      SetItemText(dialog_, IDC_STATUS_COUNT, state.ClientCountText());
      break;
    }
    case Change::kProgress: {
      HWND bar = GetDlgItem(dialog_, IDC_STATUS_PROGRESS);
      SendMessageW(bar, PBM_SETRANGE32, 0, state.progressRange());
      SendMessageW(bar, PBM_SETPOS, state.progressPosition(), 0);
      SetDlgItemTextW(dialog_, IDC_STATUS_PERCENT, Wide(state.PercentText()).c_str());
      break;
    }
    case Change::kStatus:
      SetItemText(dialog_, IDC_STATUS_TEXT, state.statusText());
      break;
  }
}

void ServerStatusWindow::ShowMessageBox(const std::string& text) {
  MessageBoxA(dialog_, text.c_str(), "bramle", MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace ui::win32
