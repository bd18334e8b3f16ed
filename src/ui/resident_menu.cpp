#include "ui/resident_menu.h"

#include <cstdlib>

namespace ui {
namespace {

constexpr int kCancelEvent = 9;
constexpr const char kPassiveHost[] = "127.0.0.1";
constexpr const char kPassivePort[] = "4312";

}  // namespace

std::vector<MenuEntry> ResidentMenu::Entries() {
  const ResidentMenuState state = MenuStateFor(client_.State(), paused_);
  std::vector<MenuEntry> entries = {
      {MenuCommand::kDisable, "分散コンパイルを無効にする(&D)", state.disableEnabled, state.disableChecked},
      {MenuCommand::kCancel, "コンパイルの中断(&X)"},
      {MenuCommand::kSeparator, ""},
      {MenuCommand::kStatus, "状況(&V)..."},
      {MenuCommand::kSettings, "Bramleの設定(&S)...", state.settingsEnabled},
      {MenuCommand::kSeparator, ""},
      {MenuCommand::kAbout, "Bramleについて(&A)..."},
  };
  if (passiveShown_) entries.push_back({MenuCommand::kPassive, "Passive Connect"});
  entries.push_back({MenuCommand::kExit, "終了(&X)"});
  return entries;
}

void ResidentMenu::Choose(MenuCommand command) {
  switch (command) {
    case MenuCommand::kDisable:
      if (client_.State() != 0) return;
      paused_ = !paused_;
      client_.SetListeningPaused(paused_);
      return;
    case MenuCommand::kCancel:
      client_.PostEvent(kCancelEvent);
      return;
    case MenuCommand::kStatus:
      window_.ShowClientWindow();
      return;
    case MenuCommand::kSettings:
      EditSettings();
      return;
    case MenuCommand::kAbout:
      window_.RunAboutBox();
      return;
    case MenuCommand::kPassive:
      client_.PassiveConnect(kPassiveHost, kPassivePort);
      return;
    case MenuCommand::kExit:
      window_.Exit();
      return;
    case MenuCommand::kSeparator:
      return;
  }
}

void ResidentMenu::EditSettings() {
  if (!SettingsMayChange(client_.State())) {
    window_.Warn(kSettingsRefusedText, false);
    return;
  }
  // The client thread waits at the top of its loop while the dialog runs.
  client_.PauseClientThread();
  distributed::ClientSettings settings = client_.AppliedSettings();
  ClientSettingsForm form = ClientSettingsForm::From(settings);
  if (window_.RunClientSettings(form)) {
    form.CopyTo(settings);
    if (!SettingsMayChange(client_.State()) || client_.ApplySettings(settings) == 0) {
      window_.Warn(kSettingsNotAppliedText, true);
    } else if (form.passiveConnect) {
      passiveShown_ = true;
      client_.SetPassiveMode();
    }
  }
  client_.ResumeClientThread();
}

void PopupClientView::BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) {
  if (client_.AppliedSettings().popupStatus) resident_.ShowClientWindow();
  window_.BuildPhaseRequested(serverName, serverAddress);
}

}  // namespace ui
