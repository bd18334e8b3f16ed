#include "app/settings_dialog_mode.h"

#include "app/console_control.h"
#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "platform/console.h"
#include "platform/socket_calls.h"

namespace app {

int RunSettingsDialogMode(SettingsDialogKind kind, distributed::SettingsFile& settings, ui::WindowToolkit* toolkit,
                          bool hideConsole) {
  if (toolkit == nullptr) {
    platform::WriteStderr(diag::LoadMessage(diag::msg::kNoDisplayForDialogs));
    return 1;
  }
  for (const std::string& warning : settings.LoadSettings()) diag::Warning(warning);
  const bool server = kind == SettingsDialogKind::kServer;
  HiddenConsole hidden(hideConsole, server ? "BRAMLE_SERVERSETTING" : "BRAMLE_CLIENTSETTING");
  if (server) {
    auto form = ui::ServerSettingsForm::From(settings.server, platform::socket_calls::TcpTableAvailable());
    if (toolkit->RunServerSettings(form, {})) form.CopyTo(settings.server);
  } else {
    auto form = ui::ClientSettingsForm::From(settings.client);
    if (toolkit->RunClientSettings(form, {})) form.CopyTo(settings.client);
  }
  settings.SaveSettings();
  return 0;
}

}  // namespace app
