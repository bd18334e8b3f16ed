// The resident client's hidden main window in Qt: the notification-area
// icon with its menu, where the system has a notification area; else the
// status window, shown from the start.
#pragma once

#include <QEventLoop>
#include <QMenu>
#include <QSystemTrayIcon>
#include <memory>
#include <string>

#include "ui/qt/client_window.h"
#include "ui/resident_menu.h"
#include "ui/window_toolkit.h"

namespace ui::qt {

class ResidentWindowQt : public ResidentWindow {
 public:
  ResidentWindowQt(ResidentClient& client, ClientWindow& status, WindowToolkit& toolkit, std::string version);

  // Runs until Exit, with `probe` acting on the menu once the loop runs.
  void Run(const ProbeScript& probe);

  void ShowClientWindow() override;
  bool RunClientSettings(ClientSettingsForm& form) override;
  void RunAboutBox() override;
  void Warn(const std::string& text, bool okCancel) override;
  void Exit() override;

  // Rebuilds the menu's entries from the menu's rules.
  void Refresh();
  QMenu& menu() { return menu_; }

 private:
  ResidentMenu model_;
  ClientWindow& status_;
  WindowToolkit& toolkit_;
  std::string version_;
  QMenu menu_;
  std::unique_ptr<QSystemTrayIcon> icon_;
  QEventLoop loop_;
};

}  // namespace ui::qt
