#include "ui/server_settings_form.h"

#include "ui/number_text.h"
#include "ui/settings_checks.h"

namespace ui {

ServerSettingsForm ServerSettingsForm::From(const distributed::ServerSettings& settings, bool automaticPortAvailable) {
  ServerSettingsForm form;
  form.machineName = distributed::MachineNameOrComputerName(settings.machineName);
  form.broadcastPortNo = DecimalText(settings.broadcastPortNo);
  form.normalPortAuto = settings.normalPortAuto && automaticPortAvailable;
  form.normalPort = DecimalText(settings.normalPort);
  form.sendRequest = settings.sendRequest;
  form.timeout = settings.timeout;
  form.timeoutTime = DecimalText(settings.timeoutTime);
  form.commandFullPath = settings.commandFullPath;
  form.saveLog = settings.saveLog;
  form.saveLogFile = settings.saveLogFile;
  form.automaticPortAvailable = automaticPortAvailable;
  return form;
}

void ServerSettingsForm::CopyTo(distributed::ServerSettings& settings) const {
  settings.machineName = distributed::ConfirmedMachineName(machineName, settings.machineName);
  settings.broadcastPortNo = ReadNumber(broadcastPortNo);
  settings.normalPortAuto = normalPortAuto;
  settings.normalPort = ReadNumber(normalPort);
  settings.sendRequest = sendRequest;
  settings.timeout = timeout;
  settings.timeoutTime = ReadNumber(timeoutTime);
  settings.commandFullPath = commandFullPath;
  settings.saveLog = saveLog;
  settings.saveLogFile = saveLogFile;
}

std::string ServerSettingsForm::Refusal() const {
  std::string refusal = MachineNameRefusal(machineName);
  if (refusal.empty()) refusal = PortRefusal("ブロードキャスト時のポート番号", broadcastPortNo);
  if (refusal.empty() && !normalPortAuto) refusal = PortRefusal("割り当てるポート番号", normalPort);
  return refusal;
}

}  // namespace ui
