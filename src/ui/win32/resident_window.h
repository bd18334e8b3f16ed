// The resident client's hidden main window in Win32, with its
// notification-area icon and menu.
#pragma once

#include <windows.h>

#include <string>

#include "ui/resident_menu.h"
#include "ui/win32/client_window.h"
#include "ui/window_toolkit.h"

namespace ui::win32 {

class ResidentWindowWin32 : public ResidentWindow {
 public:
  ResidentWindowWin32(ResidentClient& client, WindowToolkit& toolkit, std::string version);
  ~ResidentWindowWin32() override;

  // Runs the message loop until the main window is destroyed; `started`
  // gets the client's view once the windows exist.
  void Run(const ClientStart& started, const ProbeScript& probe);

  void ShowClientWindow() override;
  bool RunClientSettings(ClientSettingsForm& form) override;
  void RunAboutBox() override;
  void Warn(const std::string& text, bool okCancel) override;
  void Exit() override;

  // Any thread: ends the run, also before it has started.
  static void RequestEnd();

  // The popup menu as the menu's rules make it now; the caller destroys it.
  HMENU MakeMenu();
  HWND window() const { return window_; }

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowMenu();

  ResidentMenu model_;
  ResidentClient& client_;
  WindowToolkit& toolkit_;
  std::string version_;
  ClientWindow status_;
  HWND window_ = nullptr;
  HWND statusDialog_ = nullptr;
  const ProbeScript* probe_ = nullptr;
};

}  // namespace ui::win32
