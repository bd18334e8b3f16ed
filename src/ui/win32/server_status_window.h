// "分散コンパイル": the build server's status window in Win32.
#pragma once

#include <functional>
#include <mutex>

#include "ui/server_status_view.h"
#include "ui/win32/dialog.h"
#include "ui/window_toolkit.h"

namespace ui::win32 {

// The view calls may come from any thread: they are sent to the window's
// thread and carried out there; once the window is going they do nothing.
class ServerStatusWindow : public Dialog, public ServerStatusView {
 public:
  ServerStatusWindow(ServerControls& controls, bool sendRequest, const ServerStart& started);

  void ConnectionAdded(int connection, const std::string& peerAddress) override;
  void ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                      const std::string& text) override;
  void TargetCount(int count) override;
  void TargetFinished() override;
  void ShowMessage(const std::string& text) override;
  void StatusText(const std::string& text) override;

 private:
  void Initialize(HWND dialog) override;
  void Command(HWND dialog, int id) override;
  bool Message(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;
  void Ending() override;
  void Show(Change change) override;
  void ShowMessageBox(const std::string& text) override;
  void StopAll();
  void OnWindowThread(const std::function<void()>& call);

  ServerControls& controls_;
  bool sendRequest_;
  const ServerStart& started_;
  HWND dialog_ = nullptr;
  std::mutex mutex_;
  bool closed_ = false;
};

}  // namespace ui::win32
