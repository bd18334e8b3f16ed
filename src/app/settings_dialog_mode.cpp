#include "app/settings_dialog_mode.h"

#include "diag/message_catalogue.h"
#include "platform/console.h"
#include "platform/tcp_socket.h"

namespace app {
namespace {

// The console window out of the way while the dialog is open, under a title
// that names the dialog.
class HiddenConsole {
 public:
  HiddenConsole(bool hide, const char* title) : hide_(hide) {
    if (!hide_) return;
    savedTitle_ = platform::ConsoleTitle();
    platform::SetConsoleTitleText(title);
    platform::ShowConsoleWindow(false);
  }
  ~HiddenConsole() {
    if (!hide_) return;
    platform::ShowConsoleWindow(true);
    platform::SetConsoleTitleText(savedTitle_);
  }

 private:
  bool hide_;
  std::string savedTitle_;
};

}  // namespace

int RunSettingsDialogMode(SettingsDialogKind kind, dist::SettingsFile& settings, ui::WindowToolkit* toolkit,
                          bool hideConsole) {
  if (toolkit == nullptr) {
    platform::WriteStderr(diag::LoadMessage(22511));
    return 1;
  }
  settings.LoadSettings();
  const bool server = kind == SettingsDialogKind::kServer;
  HiddenConsole hidden(hideConsole, server ? "BRAMLE_SERVERSETTING" : "BRAMLE_CLIENTSETTING");
  if (server) {
    auto form = ui::ServerSettingsForm::From(settings.server, platform::TcpSocket().HasTcpTable());
    if (toolkit->RunServerSettings(form, {})) form.CopyTo(settings.server);
  } else {
    auto form = ui::ClientSettingsForm::From(settings.client);
    if (toolkit->RunClientSettings(form, {})) form.CopyTo(settings.client);
  }
  settings.SaveSettings();
  return 0;
}

}  // namespace app
