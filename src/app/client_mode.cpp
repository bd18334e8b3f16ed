#include "app/client_mode.h"

#include <condition_variable>
#include <mutex>

#include "dist/build_client.h"
#include "dist/settings_file.h"
#include "platform/console.h"
#include "platform/console_control.h"
#include "ui/console/console_client_view.h"

namespace app {
namespace {

constexpr const char* kClientConsoleTitle = "BRAMLE";

// The request to end, from the console control thread. Static: a request
// may come while the process is already on its way out.
struct EndRequest {
  std::mutex mutex;
  std::condition_variable changed;
  bool requested = false;
  bool finished = false;
};

EndRequest& TheEndRequest() {
  static EndRequest request;
  return request;
}

void OnEndEvent(platform::ConsoleEvent event) {
  EndRequest& request = TheEndRequest();
  std::unique_lock<std::mutex> hold(request.mutex);
  request.requested = true;
  request.changed.notify_all();
  // Windows ends the process when the handler of a close returns: it stays
  // until the settings are written.
  if (event == platform::ConsoleEvent::Close) request.changed.wait(hold, [&] { return request.finished; });
}

void WaitForEndRequest() {
  EndRequest& request = TheEndRequest();
  std::unique_lock<std::mutex> hold(request.mutex);
  request.changed.wait(hold, [&] { return request.requested; });
}

void ReportFinished() {
  EndRequest& request = TheEndRequest();
  std::lock_guard<std::mutex> hold(request.mutex);
  request.finished = true;
  request.changed.notify_all();
}

}  // namespace

int RunClientMode(Application& application) {
  const BuildOptions& options = application.options;
  platform::InstallConsoleControlHandler(OnEndEvent, true);
  const std::string savedTitle = platform::ConsoleTitle();
  platform::SetConsoleTitleText(kClientConsoleTitle);

  dist::SettingsFile settings;
  settings.LoadSettings();
  dist::BuildClient client;
  ui::ConsoleClientView view(client);
  client.SetView(&view);
  client.SetRunner(options.useDirectRunner != 0, options.processorClock);
  client.ApplySettings(settings.client);
  client.StartClientThread();

  WaitForEndRequest();
  client.StopClientThread();
  // The settings the client ran with (its settings dialog may have changed
  // them) go back into the file.
  settings.client = client.AppliedSettings();
  settings.SaveSettings();
  platform::SetConsoleTitleText(savedTitle);
  ReportFinished();
  return 0;
}

}  // namespace app
