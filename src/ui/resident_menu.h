// The rules of the resident client's notification-area menu and of opening
// the client settings from it.
#pragma once

namespace ui {

// The client's state: 0 while no server is dealing with it.
struct ResidentMenuState {
  bool settingsEnabled = true;        // "Bramleの設定(&S)..."
  bool disableEnabled = true;         // "分散コンパイルを無効にする(&D)"
  bool disableChecked = false;
};

// While a build phase is open the settings and the disable entry are greyed;
// otherwise the disable entry is checked while listening is paused.
inline ResidentMenuState MenuStateFor(int clientState, bool listeningPaused) {
  if (clientState != 0) return {false, false, false};
  return {true, true, listeningPaused};
}

// The settings may be opened, and applied, only while no build phase is open.
inline bool SettingsMayChange(int clientState) { return clientState == 0; }

inline constexpr const char kSettingsRefusedText[] = "ビルドフェースが開いているので、設定できません。";
inline constexpr const char kSettingsNotAppliedText[] = "ビルドフェースが開いているので、設定できませんでした。";

}  // namespace ui
