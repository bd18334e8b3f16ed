// "状況": the resident client's status window in Win32.
#pragma once

#include "ui/client_status_view.h"
#include "ui/win32/dialog.h"
#include "ui/window_toolkit.h"

namespace ui::win32 {

// The view the client gets carries its calls to the window's thread.
class ClientWindow : public Dialog, public ClientStatusView {
 public:
  explicit ClientWindow(const ClientStart& started) : started_(started) {}

 private:
  void Initialize(HWND dialog) override;
  void Command(HWND dialog, int id) override;
  void Show(Change change) override;
  bool AskYesNo(const std::string& text) override;

  const ClientStart& started_;
  ClientViewRelay relay_{*this, *this};
  HWND dialog_ = nullptr;
};

}  // namespace ui::win32
