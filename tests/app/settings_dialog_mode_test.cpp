#include "app/settings_dialog_mode.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "platform/path.h"
#include "support/bramle_process.h"

namespace app {
namespace {

using testing_support::Narrow;

// Stands in for the user: edits the form it is given and ends with OK or
// cancel.
class FakeToolkit : public ui::WindowToolkit {
 public:
  FakeToolkit(bool ok, std::function<void(ui::ServerSettingsForm&)> server,
              std::function<void(ui::ClientSettingsForm&)> client)
      : ok_(ok), server_(std::move(server)), client_(std::move(client)) {}
  bool RunClientSettings(ui::ClientSettingsForm& form, const ui::ProbeScript&) override {
    client_(form);
    return ok_;
  }
  bool RunServerSettings(ui::ServerSettingsForm& form, const ui::ProbeScript&) override {
    server_(form);
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
  std::function<void(ui::ServerSettingsForm&)> server_;
  std::function<void(ui::ClientSettingsForm&)> client_;
};

class SettingsDialogModeTest : public testing::Test {
 protected:
  std::string FilePath() const { return (scratch_.path() / "Bramle.inf").string(); }
  distributed::SettingsFile Run(SettingsDialogKind kind, ui::WindowToolkit* toolkit, int expectedCode = 0) {
    distributed::SettingsFile settings(FilePath());
    EXPECT_EQ(RunSettingsDialogMode(kind, settings, toolkit), expectedCode);
    distributed::SettingsFile stored(FilePath());
    stored.LoadSettings();
    return stored;
  }
  testing_support::ScratchDirectory scratch_;
};

TEST_F(SettingsDialogModeTest, OkStoresTheEditedValues) {
  FakeToolkit toolkit(
      true, [](ui::ServerSettingsForm& form) { form.normalPort = "6000"; form.timeout = false; },
      [](ui::ClientSettingsForm& form) { form.portNo = "4400"; form.saveLog = true; });
  EXPECT_EQ(Run(SettingsDialogKind::kServer, &toolkit).server.normalPort, 6000);
  const distributed::SettingsFile stored = Run(SettingsDialogKind::kClient, &toolkit);
  EXPECT_FALSE(stored.server.timeout);
  EXPECT_EQ(stored.client.portNo, 4400);
  EXPECT_TRUE(stored.client.saveLog);
}

TEST_F(SettingsDialogModeTest, CancelStillRewritesTheFileWithTheLoadedValues) {
  scratch_.Write("Bramle.inf", "server_normalport = 5555\nclient_portno = 4500\n");
  FakeToolkit toolkit(
      false, [](ui::ServerSettingsForm& form) { form.normalPort = "1"; },
      [](ui::ClientSettingsForm& form) { form.portNo = "1"; });
  for (SettingsDialogKind kind : {SettingsDialogKind::kServer, SettingsDialogKind::kClient}) {
    const distributed::SettingsFile stored = Run(kind, &toolkit);
    EXPECT_EQ(stored.server.normalPort, 5555);
    EXPECT_EQ(stored.client.portNo, 4500);
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
