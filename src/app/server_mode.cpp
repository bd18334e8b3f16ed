#include "app/server_mode.h"

#include <atomic>
#include <memory>

#include "app/console_control.h"
#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "dist/build_client.h"
#include "dist/build_server.h"
#include "dist/settings_file.h"
#include "engine/build_engine.h"
#include "engine/path_parts.h"
#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "engine/target_scheduler.h"
#include "engine/target_walker.h"
#include "makefile/load_makefile.h"
#include "ui/console/console_server_view.h"

namespace app {
namespace {

// The server's own machine builds too, through a client that connects to
// the server directly.
void StartLocalClient(dist::BuildClient& client, const BuildOptions& options, const dist::ClientSettings& settings,
                      int serverPort) {
  dist::ClientSettings local = settings;
  local.popupStatus = false;
  local.acceptRequest = false;
  local.allowServers.clear();
  client.ApplySettings(local);
  client.SetRunner(options.useDirectRunner != 0, options.processorClock);
  client.SetLocalMode(serverPort);
  client.StartClientThread();
}

// Serves until the build has ended; the exit code as a local build gives it.
int Serve(const BuildOptions& options, dist::SettingsFile& settings, engine::TargetWalker& walker, int count) {
  engine::TargetScheduler scheduler(walker, options.targetName, options.buildAll != 0);
  ui::ConsoleServerView view(options.progressOutput != 0);
  dist::BuildServer server(scheduler, view);
  server.SetProgressOutput(options.progressOutput != 0);
  server.SetTargetCount(count);
  dist::ServerSettings served = settings.server;
  // The in-process client connects over loopback; a list meant for other
  // machines does not keep it out.
  if (!served.allowClients.empty()) served.allowClients += ", 127.0.0.0/8";
  server.ApplySettings(served);
  std::atomic<bool> cancelled{false};
  InstallCancelHandler();
  SetCancelAction([&] {
    cancelled = true;
    server.StopServer();
  });
  if (server.StartServer() != 0) {
    SetCancelAction(nullptr);
    return 1;
  }
  dist::BuildClient client;
  StartLocalClient(client, options, settings.client, server.Port());
  server.WaitEnded();
  // Every build phase is closed (the in-process client answers its own),
  // then the client goes.
  server.ShutdownServer();
  client.StopClientThread();
  SetCancelAction(nullptr);

  if (cancelled) return 1;
  if (server.FailureCode() != 0) return options.keepGoing ? server.FailureCode() : 1;
  if (scheduler.LastWalkStatus() == engine::WalkStatus::MissingFile) {
    diag::FatalError(diag::FormatCatalogMessage(30008, std::string(engine::LastPathComponent(walker.LastMissingFile()))));
    return 1;
  }
  return 0;
}

}  // namespace

int RunServerMode(Application& application) {
  const BuildOptions& options = application.options;
  dist::SettingsFile settings;
  settings.LoadSettings();
  application.macros.ImportEnvironment();
  // Left to the system at exit, as in the local build.
  auto targets = std::make_unique<engine::TargetModel>();
  engine::TargetModel& model = *targets.release();
  engine::RuleTable rules;
  if (!makefile::LoadMakefile(model, rules, application.macros, options.makefileName)) return 1;
  if (!engine::CheckModelBuildable(model)) return 1;

  engine::TargetWalker walker(model);
  const int count = walker.CountOutOfDate(options.targetName, options.buildAll != 0);
  int result = 0;
  if (count == 0) {
    diag::Warning(diag::LoadMessage(23603));
  } else {
    result = Serve(options, settings, walker, count);
  }
  settings.SaveSettings();
  return result;
}

}  // namespace app
