// "分散コンパイル": the build server's status window in Win32.
#pragma once

#include <functional>

#include "ui/server_status_view.h"
#include "ui/server_view_relay.h"
#include "ui/win32/dialog.h"
#include "ui/window_toolkit.h"

namespace ui::win32 {

// The view the server gets carries its calls, from any thread, to the
// window's thread; once the window has gone they do nothing.
class ServerStatusWindow : public Dialog, public ServerStatusView {
 public:
  ServerStatusWindow(ServerControls& controls, bool sendRequest, const ServerStart& started);

 private:
  void Initialize(HWND dialog) override;
  void Command(HWND dialog, int id) override;
  bool Message(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Show(Change change) override;
  void ShowMessageBox(const std::string& text) override;
  void StopAll();

  ServerControls& controls_;
  bool sendRequest_;
  const ServerStart& started_;
  ServerViewRelay relay_{*this, *this};
  HWND dialog_ = nullptr;
};

}  // namespace ui::win32
