#include "app/settings_dialog_mode.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace app {
namespace {

using testing_support::Narrow;

// Stands in for the user: edits the form it is given and ends with OK or
// cancel.
class FakeToolkit : public ui::WindowToolkit {
 public:
  explicit FakeToolkit(bool ok) : ok_(ok) {}
  bool RunClientSettings(ui::ClientSettingsForm& form, const ui::ProbeScript&) override {
    form.portNo = "4400";
    form.saveLog = true;
    return ok_;
  }
  bool RunServerSettings(ui::ServerSettingsForm& form, const ui::ProbeScript&) override {
    form.normalPort = "6000";
    form.timeout = false;
    return ok_;
  }
  void RunAboutBox(const std::string&, const ui::ProbeScript&) override {}
  void RunServerStatus(ui::ServerControls&, bool, const ui::ServerStart&, const ui::WindowEnded&,
                       const ui::ProbeScript&) override {}
  void RunClientWindow(const ui::ClientStart&, const ui::WindowEnded&, const ui::ProbeScript&) override {}
  void RunResident(ui::ResidentClient&, const std::string&, const ui::ClientStart&, const ui::WindowEnded&,
                   const ui::ProbeScript&) override {}
  void EndResident() override {}

 private:
  bool ok_;
};

class SettingsDialogModeTest : public testing::Test {
 protected:
  std::string FilePath() const { return (scratch_.path() / "Bramle.inf").string(); }
  dist::SettingsFile Run(SettingsDialogKind kind, ui::WindowToolkit* toolkit, int expectedCode = 0) {
    dist::SettingsFile settings(FilePath(), "PC01");
    EXPECT_EQ(RunSettingsDialogMode(kind, settings, toolkit), expectedCode);
    dist::SettingsFile stored(FilePath(), "PC01");
    stored.LoadSettings();
    return stored;
  }
  testing_support::ScratchDirectory scratch_;
};

// OK stores the dialog's values; cancel still rewrites the file, with the
// values it loaded.
TEST_F(SettingsDialogModeTest, OkStoresTheEditsCancelRewritesTheLoadedValues) {
  using enum SettingsDialogKind;
  const struct {
    SettingsDialogKind kind;
    bool ok;
    int serverPort;
    bool timeout;
    int clientPort;
    bool saveLog;
  } cases[] = {
      {kServer, true, 6000, false, 4500, false},
      {kClient, true, 5555, true, 4400, true},
      {kServer, false, 5555, true, 4500, false},
      {kClient, false, 5555, true, 4500, false},
  };
  for (const auto& c : cases) {
    scratch_.Write("Bramle.inf", "server_normalport = 5555\nclient_portno = 4500\n");
    FakeToolkit toolkit(c.ok);
    const dist::SettingsFile stored = Run(c.kind, &toolkit);
    EXPECT_EQ(stored.server.normalPort, c.serverPort);
    EXPECT_EQ(stored.server.timeout, c.timeout);
    EXPECT_EQ(stored.client.portNo, c.clientPort);
    EXPECT_EQ(stored.client.saveLog, c.saveLog);
    EXPECT_NE(scratch_.Read("Bramle.inf").find("server_timeouttime = 10"), std::string::npos);
  }
}

TEST_F(SettingsDialogModeTest, WithoutWindowsNothingIsWrittenAndTheCodeIsOne) {
  Run(SettingsDialogKind::kServer, nullptr, 1);
  EXPECT_FALSE(std::filesystem::exists(FilePath()));
}

TEST(SettingsDialogOptions, WithoutADisplayOrTheWindowPartTheyFailPlainly) {
  if (platform::kPathSeparator == '\\') GTEST_SKIP() << "Windows always has a desktop to show the dialog on";
  testing_support::ScratchDirectory scratch;
  for (const char* setting : {"DISPLAY= WAYLAND_DISPLAY=", testing_support::kNoWindowPart}) {
    for (const char* option : {"-E", "-W"}) {
      const auto result = testing_support::RunInDirectory(std::string(setting) + " XDG_CONFIG_HOME=" +
                                                              scratch.path().string() + " '" +
                                                              testing_support::BramleExecutable() + "' " + option,
                                                          scratch.path());
      EXPECT_EQ(result.exitCode, 1) << setting << option;
      EXPECT_EQ(result.err, Narrow("Bramle: ウィンドウを表示できません。-E と -W の設定ダイアログには画面(ディスプレイ)が必要です。\n"));
    }
  }
}

}  // namespace
}  // namespace app
