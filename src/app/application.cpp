#include "app/application.h"

#include "app/client_mode.h"
#include "app/command_line.h"
#include "app/local_build_mode.h"
#include "app/server_mode.h"
#include "app/settings_dialog_mode.h"
#include "distributed/settings_file.h"
#include "exec/processor_info.h"
#include "platform/network_startup.h"

namespace app {
namespace {

constexpr double kUnmeasuredClockMhz = 333;

int RunChosenMode(const std::vector<std::string>& arguments) {
  Application application;
  if (ParseCommandLine(arguments, application.options, application.macros) != 0) return 1;

  BuildOptions& options = application.options;
  const bool dialog = options.serverSettingsDialog || options.clientSettingsDialog;
  const bool windowed = options.clientMode || options.clientModeHidden || options.serverMode;
  if (!dialog && !windowed) return RunLocalBuildMode(application);
  // Only the other modes use the processor clock; its measurement is about
  // a millisecond of busy waiting that a local build need not spend.
  const double clock = exec::ProcessorInfo().ClockMhz();
  options.processorClock = clock == 0 ? kUnmeasuredClockMhz : clock;

  if (dialog) {
    distributed::SettingsFile settings;
    const auto kind = options.serverSettingsDialog ? SettingsDialogKind::kServer : SettingsDialogKind::kClient;
    return RunSettingsDialogMode(kind, settings, ui::OpenWindowToolkit(), options.progressOutput != 0);
  }
  if (options.clientMode || options.clientModeHidden) return RunClientMode(application);
  return RunServerMode(application);
}

}  // namespace

int RunApplication(const std::vector<std::string>& arguments) {
  if (!platform::StartNetworking()) return 1;
  const int exitCode = RunChosenMode(arguments);
  platform::StopNetworking();
  return exitCode;
}

}  // namespace app
