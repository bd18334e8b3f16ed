// The resident client's notification-area menu: its entries, their greying
// and check mark, and what each does. The toolkit shows the entries and
// hands the chosen one back.
#pragma once

#include <string>
#include <vector>

#include "distributed/client_view.h"
#include "distributed/settings_file.h"
#include "ui/client_settings_form.h"

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
inline constexpr const char kResidentWindowName[] = "BRAMLECLIENTRESIDENTWINDOWV1";
inline constexpr const char kNotifyTip[] = "Bramle";

// The resident client's public operations the menu drives.
class ResidentClient {
 public:
  virtual ~ResidentClient() = default;
  virtual int State() = 0;
  virtual void SetListeningPaused(bool paused) = 0;
  virtual void PostEvent(int event) = 0;
  virtual void PassiveConnect(const std::string& host, const std::string& port) = 0;
  virtual void PauseClientThread() = 0;
  virtual void ResumeClientThread() = 0;
  virtual distributed::ClientSettings AppliedSettings() = 0;
  // 0 when refused (a build phase opened meanwhile).
  virtual int ApplySettings(const distributed::ClientSettings& settings) = 0;
  virtual void SetPassiveMode() = 0;
};

// What the menu needs from the toolkit, on the window thread.
class ResidentWindow {
 public:
  virtual ~ResidentWindow() = default;
  virtual void ShowClientWindow() = 0;
  // The modal client settings dialog; true unless cancelled.
  virtual bool RunClientSettings(ClientSettingsForm& form) = 0;
  virtual void RunAboutBox() = 0;
  // A message box with caption "Bramle" and the exclamation icon.
  virtual void Warn(const std::string& text, bool okCancel) = 0;
  // Ends the resident window and with it the program.
  virtual void Exit() = 0;
};

enum class MenuCommand { kSeparator, kDisable, kCancel, kStatus, kSettings, kAbout, kPassive, kExit };

struct MenuEntry {
  MenuCommand command;
  std::string text;  // empty for a separator
  bool enabled = true;
  bool checked = false;
};

class ResidentMenu {
 public:
  ResidentMenu(ResidentClient& client, ResidentWindow& window) : client_(client), window_(window) {}

  // The entries as the menu shows them now.
  std::vector<MenuEntry> Entries();
  void Choose(MenuCommand command);

  bool passiveShown() const { return passiveShown_; }

 private:
  void EditSettings();

  ResidentClient& client_;
  ResidentWindow& window_;
  bool paused_ = false;
  bool passiveShown_ = false;
};

// The client's calls to its window; a build-phase request first shows the
// window when the client's settings ask for that.
class PopupClientView : public distributed::ClientView {
 public:
  PopupClientView(distributed::ClientView& window, ResidentClient& client, ResidentWindow& resident)
      : window_(window), client_(client), resident_(resident) {}
  void BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) override;
  void ShowText(const std::string& text) override { window_.ShowText(text); }
  bool AskAccept(const std::string& serverName, const std::string& serverAddress) override {
    return window_.AskAccept(serverName, serverAddress);
  }
  void ConnectionCut() override { window_.ConnectionCut(); }

 private:
  distributed::ClientView& window_;
  ResidentClient& client_;
  ResidentWindow& resident_;
};

}  // namespace ui
