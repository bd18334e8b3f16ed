// passive_client HOST PORT: a resident client with the console view that
// connects to the server at HOST and PORT instead of listening for
// announcements, as the client window's menu has it do. Ends on Ctrl+C or
// SIGTERM.
#include <condition_variable>
#include <mutex>

#include "dist/build_client.h"
#include "dist/settings_file.h"
#include "platform/console_control.h"
#include "ui/console/console_client_view.h"

namespace {

std::mutex endMutex;
std::condition_variable endChanged;
bool endRequested = false;

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  platform::InstallConsoleControlHandler([](platform::ConsoleEvent) {
    std::lock_guard<std::mutex> hold(endMutex);
    endRequested = true;
    endChanged.notify_all();
  });
  dist::SettingsFile settings;
  settings.LoadSettings();
  dist::BuildClient client;
  ui::ConsoleClientView view(client);
  client.SetView(&view);
  client.ApplySettings(settings.client);
  client.StartClientThread();
  client.PassiveConnect(argv[1], argv[2]);
  view.ShowText("passive");
  {
    std::unique_lock<std::mutex> hold(endMutex);
    endChanged.wait(hold, [] { return endRequested; });
  }
  client.StopClientThread();
  return 0;
}
