#include "ui/client_settings_form.h"

#include "ui/number_text.h"
#include "ui/settings_checks.h"

namespace ui {

ClientSettingsForm ClientSettingsForm::From(const distributed::ClientSettings& settings) {
  ClientSettingsForm form;
  form.portNo = UnsignedDecimalText(settings.portNo);
  form.machineName = distributed::MachineNameOrComputerName(settings.machineName);
  form.acceptRequest = settings.acceptRequest;
  form.popupStatus = settings.popupStatus;
  form.noExecShellCommand = settings.noExecShellCommand;
  form.saveLog = settings.saveLog;
  form.saveLogFile = settings.saveLogFile;
  return form;
}

void ClientSettingsForm::CopyTo(distributed::ClientSettings& settings) const {
  settings.portNo = ReadNumber(portNo);
  settings.machineName = distributed::ConfirmedMachineName(machineName, settings.machineName);
  settings.acceptRequest = acceptRequest;
  settings.popupStatus = popupStatus;
  settings.noExecShellCommand = noExecShellCommand;
  settings.saveLog = saveLog;
  settings.saveLogFile = saveLogFile;
}

std::string ClientSettingsForm::Refusal() const {
  const std::string refusal = PortRefusal("ブロードキャスト時のポート番号", portNo);
  return refusal.empty() ? MachineNameRefusal(machineName) : refusal;
}

bool PassiveKeyGate::Press(Key key) {
  if (presses_ >= 2) return false;
  ++presses_;
  if (presses_ == 1) {
    controlFirst_ = key == Key::kControl;
    return false;
  }
  revealed_ = controlFirst_ && key == Key::kPause;
  return revealed_;
}

}  // namespace ui
