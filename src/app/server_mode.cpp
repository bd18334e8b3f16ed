#include "app/server_mode.h"

#include <atomic>
#include <memory>
#include <string>

#include "app/console_control.h"
#include "diag/message_catalogue.h"
#include "diag/report.h"
#include "distributed/build_client.h"
#include "distributed/build_server.h"
#include "distributed/settings_file.h"
#include "engine/build_engine.h"
#include "engine/build_trace.h"
#include "engine/path_parts.h"
#include "engine/rule_table.h"
#include "engine/target_model.h"
#include "engine/target_scheduler.h"
#include "engine/target_walker.h"
#include "makefile/load_makefile.h"
#include "platform/console.h"
#include "ui/console/console_server_view.h"
#include "ui/window_toolkit.h"

namespace app {
namespace {

// The server's own machine builds too, through a client that connects to
// the server directly.
void StartLocalClient(distributed::BuildClient& client, const BuildOptions& options, const distributed::ClientSettings& settings,
                      int serverPort) {
  distributed::ClientSettings local = settings;
  local.popupStatus = false;
  local.acceptRequest = false;
  local.allowServers.clear();
  // It builds the server's own makefile on the server's own machine:
  // refusing a built-in line would only give the target back to it, for
  // ever.
  local.noExecShellCommand = false;
  client.ApplySettings(local);
  client.SetRunner(options.useDirectRunner != 0, options.processorClock);
  client.SetLocalMode(serverPort);
  client.StartClientThread();
}

// The first target named on the command line, else ALL (the first root
// when the makefile has no target of that name).
std::string StartTarget(const BuildOptions& options) {
  return options.targetNames.empty() ? "ALL" : options.targetNames.front();
}

// One server run: the server, its in-process client and the Ctrl+C action.
class ServerRun {
 public:
  ServerRun(engine::TargetScheduler& scheduler, distributed::ServerView& view) : server_(scheduler, view) {}

  // Starts serving; false when no port could be bound (reported).
  bool Start(const BuildOptions& options, const distributed::SettingsFile& settings, int count) {
    server_.SetProgressOutput(options.progressOutput != 0);
    server_.SetIgnoreErrors(options.ignoreErrors != 0);
    server_.SetTargetCount(count);
    distributed::ServerSettings served = settings.server;
    // The in-process client connects over loopback; a list meant for other
    // machines does not keep it out.
    if (!served.allowClients.empty()) served.allowClients += ", 127.0.0.0/8";
    server_.ApplySettings(served);
    InstallCancelHandler();
    SetCancelAction([this] {
      cancelled_ = true;
      server_.StopServer();
    });
    if (server_.StartServer() != 0) {
      SetCancelAction(nullptr);
      return false;
    }
    StartLocalClient(client_, options, settings.client, server_.Port());
    return true;
  }

  // Closes every build phase (the in-process client answers its own), then
  // the client goes. The exit code as a local build gives it.
  int Finish(const BuildOptions& options, const engine::TargetScheduler& scheduler,
             const engine::TargetWalker& walker) {
    server_.ShutdownServer();
    client_.StopClientThread();
    SetCancelAction(nullptr);
    if (cancelled_) return 1;
    if (stoppedEarly_) {
      platform::WriteStderr(diag::LoadMessage(diag::msg::kBuildStopped) + "\n");
      return 1;
    }
    // With -K the exit code is the first failing command's, also when a
    // missing file ends the build.
    const int failure = options.keepGoing ? server_.FailureCode() : (server_.FailureCode() != 0 ? 1 : 0);
    if (scheduler.LastWalkStatus() == engine::WalkStatus::MissingFile) {
      diag::FatalError(diag::FormatCatalogMessage(diag::msg::kNeededFileMissing,
                                                  std::string(engine::LastPathComponent(walker.LastMissingFile()))));
      return failure != 0 ? failure : 1;
    }
    return failure;
  }

  // The window's 全てビルド中止 or its close: a build that had not ended
  // by itself then ends as stopped.
  void Stop() {
    if (!server_.Ended()) stoppedEarly_ = true;
    server_.StopServer();
  }

  // Ended by Ctrl+C or by the window, not by the build itself.
  bool Stopped() const { return cancelled_ || stoppedEarly_; }

  distributed::BuildServer& server() { return server_; }

 private:
  distributed::BuildServer server_;
  distributed::BuildClient client_;
  std::atomic<bool> cancelled_{false};
  bool stoppedEarly_ = false;  // window thread only
};

// The status window's buttons, once the server runs.
class WindowControls : public ui::ServerControls {
 public:
  explicit WindowControls(std::unique_ptr<ServerRun>& run) : run_(run) {}
  void CancelConnection(int connection) override {
    if (run_) run_->server().CancelConnection(connection);
  }
  void StopServer() override {
    if (run_) run_->Stop();
  }
  void Announce() override {
    if (run_) run_->server().Announce();
  }

 private:
  std::unique_ptr<ServerRun>& run_;
};

// Serves until the build has ended, with the console view; or, where windows
// can be shown, until the status window is closed.
int Serve(const BuildOptions& options, distributed::SettingsFile& settings, engine::TargetWalker& walker,
          engine::TargetScheduler& scheduler, int count, bool& stopped) {
  if (ui::WindowToolkit* windows = ui::OpenWindowToolkit()) {
    std::unique_ptr<ServerRun> run;
    WindowControls controls(run);
    bool started = false;
    int exitCode = 1;
    auto start = [&](distributed::ServerView& view) {
      run = std::make_unique<ServerRun>(scheduler, view);
      started = run->Start(options, settings, count);
      return started;
    };
    // Closing the window ends the build; the server is done with the view
    // before the window lets it go.
    auto end = [&] {
      if (!started) return;
      run->Stop();
      exitCode = run->Finish(options, scheduler, walker);
      stopped = run->Stopped();
    };
    windows->RunServerStatus(controls, settings.server.sendRequest, start, end, {});
    return exitCode;
  }
  ui::ConsoleServerView view(options.progressOutput != 0);
  ServerRun run(scheduler, view);
  if (!run.Start(options, settings, count)) return 1;
  run.server().WaitEnded();
  const int exitCode = run.Finish(options, scheduler, walker);
  stopped = run.Stopped();
  return exitCode;
}

// Loads the makefile and serves its out-of-date targets.
int LoadAndServe(Application& application, distributed::SettingsFile& settings, engine::BuildTrace* trace,
                 bool& stopped) {
  const BuildOptions& options = application.options;
  application.macros.ImportEnvironment();
  // Left to the system at exit, as in the local build.
  auto targets = std::make_unique<engine::TargetModel>();
  engine::TargetModel& model = *targets.release();
  engine::RuleTable rules;
  if (!makefile::LoadMakefile(model, rules, application.macros, options.makefileName, options.nmakeReading != 0)) return 1;
  if (!engine::CheckModelBuildable(model)) return 1;

  engine::TargetWalker walker(model);
  // With -K a failing command stops only what needs its target, as locally.
  engine::TargetScheduler scheduler(walker, {model.SelectStartTarget(StartTarget(options))},
                                    {options.buildAll != 0, options.keepGoing != 0}, trace);
  const int count = scheduler.CountOutOfDate();
  if (count == 0) {
    diag::Warning(diag::LoadMessage(diag::msg::kTargetUpToDate));
    return 0;
  }
  return Serve(options, settings, walker, scheduler, count, stopped);
}

}  // namespace

int RunServerMode(Application& application) {
  // -X: the front end that drives the server shows it; the console comes
  // back when the run ends, also when the makefile fails.
  HiddenConsole hidden(application.options.progressOutput != 0, "BRAMLE_SERVER");
  distributed::SettingsFile settings;
  for (const std::string& warning : settings.LoadSettings()) diag::Warning(warning);
  const auto trace = engine::BuildTrace::ForFile(application.options.traceFile);
  bool stopped = false;
  int result = LoadAndServe(application, settings, trace.get(), stopped);
  if (trace) result = trace->Finish(result, stopped);
  settings.SaveSettings();
  return result;
}

}  // namespace app
