#include "app/client_mode.h"

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "app/build_options.h"
#include "distributed/build_client.h"
#include "distributed/settings_file.h"
#include "platform/console.h"
#include "platform/console_control.h"
#include "ui/console/console_client_view.h"
#include "ui/window_toolkit.h"

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
  // The resident window to end, where one runs.
  std::atomic<ui::WindowToolkit*> windows{nullptr};
};

EndRequest& TheEndRequest() {
  static EndRequest request;
  return request;
}

void OnEndEvent(platform::ConsoleEvent event) {
  EndRequest& request = TheEndRequest();
  {
    std::lock_guard<std::mutex> hold(request.mutex);
    request.requested = true;
    request.changed.notify_all();
  }
  // Looked at after the request is set, as the window's side sets the
  // window before it looks at the request: one of the two ends the window
  // (or both; ending it twice is harmless).
  if (ui::WindowToolkit* windows = request.windows.load()) windows->EndResident();
  // Windows ends the process when the handler of a close returns: it stays
  // until the settings are written.
  if (event == platform::ConsoleEvent::Close) {
    std::unique_lock<std::mutex> hold(request.mutex);
    request.changed.wait(hold, [&] { return request.finished; });
  }
}

void WaitForEndRequest() {
  EndRequest& request = TheEndRequest();
  std::unique_lock<std::mutex> hold(request.mutex);
  request.changed.wait(hold, [&] { return request.requested; });
}

bool EndRequested() {
  EndRequest& request = TheEndRequest();
  std::lock_guard<std::mutex> hold(request.mutex);
  return request.requested;
}

void ReportFinished() {
  EndRequest& request = TheEndRequest();
  std::lock_guard<std::mutex> hold(request.mutex);
  request.finished = true;
  request.changed.notify_all();
}

// The client as its notification-area menu drives it.
class MenuClient : public ui::ResidentClient {
 public:
  explicit MenuClient(distributed::BuildClient& client) : client_(client) {}
  int State() override { return client_.State(); }
  void SetListeningPaused(bool paused) override { client_.SetListeningPaused(paused); }
  void PostEvent(int event) override { client_.PostEvent(event); }
  void PassiveConnect(const std::string& host, const std::string& port) override { client_.PassiveConnect(host, port); }
  void PauseClientThread() override { client_.PauseClientThread(); }
  void ResumeClientThread() override { client_.ResumeClientThread(); }
  distributed::ClientSettings AppliedSettings() override { return client_.AppliedSettings(); }
  int ApplySettings(const distributed::ClientSettings& settings) override { return client_.ApplySettings(settings); }
  void SetPassiveMode() override { client_.SetPassiveMode(); }

 private:
  distributed::BuildClient& client_;
};

// Runs the client until the end is asked for: from the notification-area
// menu where windows can be shown, else from the console.
void RunResident(distributed::BuildClient& client, const distributed::ClientSettings& settings) {
  // Applied first: an end that comes before the client starts still saves them.
  client.ApplySettings(settings);
  if (ui::WindowToolkit* windows = ui::OpenWindowToolkit()) {
    TheEndRequest().windows = windows;
    if (EndRequested()) windows->EndResident();
    MenuClient menuClient(client);
    auto started = [&](distributed::ClientView& view) {
      client.SetView(&view);
      return client.StartClientThread();
    };
    // The notification area is the client's face: its console goes out of
    // the way until the end.
    platform::ShowConsoleWindow(false);
    windows->RunResident(menuClient, kVersion, started, [&] { client.StopClientThread(); }, {});
    platform::ShowConsoleWindow(true);
    TheEndRequest().windows = nullptr;
    return;
  }
  ui::ConsoleClientView view(client);
  client.SetView(&view);
  client.StartClientThread();
  // From here on Ctrl+C ends the client; the console says it is resident.
  view.ShowText(diag::LoadMessage(diag::msg::kResidentStarted));
  WaitForEndRequest();
  client.StopClientThread();
}

}  // namespace

int RunClientMode(Application& application) {
  const BuildOptions& options = application.options;
  platform::InstallConsoleControlHandler(OnEndEvent);
  const std::string savedTitle = platform::ConsoleTitle();
  platform::SetConsoleTitleText(kClientConsoleTitle);

  distributed::SettingsFile settings;
  for (const std::string& warning : settings.LoadSettings()) diag::Warning(warning);
  distributed::BuildClient client;
  client.SetRunner(options.useDirectRunner != 0, options.processorClock);
  RunResident(client, settings.client);
  // The settings the client ran with (its settings dialog may have changed
  // them) go back into the file.
  settings.client = client.AppliedSettings();
  settings.SaveSettings();
  platform::SetConsoleTitleText(savedTitle);
  ReportFinished();
  return 0;
}

}  // namespace app
