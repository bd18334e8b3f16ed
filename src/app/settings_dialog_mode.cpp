#include "app/settings_dialog_mode.h"

#include "diag/message_catalogue.h"
#include "platform/console.h"
#include "platform/tcp_socket.h"

namespace app {

int RunSettingsDialogMode(SettingsDialogKind kind, dist::SettingsFile& settings, ui::WindowToolkit* toolkit,
                          const ui::ProbeScript& probe) {
  if (toolkit == nullptr) {
    platform::WriteStderr(diag::LoadMessage(22510));
    return 1;
  }
  settings.LoadSettings();
  if (kind == SettingsDialogKind::kServer) {
    auto form = ui::ServerSettingsForm::From(settings.server, platform::TcpSocket().HasTcpTable());
    if (toolkit->RunServerSettings(form, probe)) form.CopyTo(settings.server);
  } else {
    auto form = ui::ClientSettingsForm::From(settings.client);
    if (toolkit->RunClientSettings(form, probe)) form.CopyTo(settings.client);
  }
  settings.SaveSettings();
  return 0;
}

}  // namespace app
