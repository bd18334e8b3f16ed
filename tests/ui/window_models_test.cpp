#include <gtest/gtest.h>

#include "idle_resident_client.h"
#include "ui/client_status_view.h"
#include "ui/client_window_model.h"
#include "ui/console/console_client_view.h"
#include "ui/resident_menu.h"
#include "ui/server_status_model.h"
#include "ui/server_view_relay.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace ui {
namespace {

TEST(ServerStatusModel, OneRowPerConnectionUntilTheSameClientComesBack) {
  ServerStatusModel model;
  EXPECT_EQ(model.ClientCountText(), platform::NarrowFromUtf8("現在のクライアント数：0台"));
  EXPECT_EQ(model.PercentText(), "0%");
  EXPECT_EQ(model.progressRange(), 100);
  EXPECT_EQ(model.statusText(), platform::NarrowFromUtf8("クライアントからの接続を待っています..."));
  model.AddRow({"", "127.0.0.1", "", "", 10});
  model.AddRow({"", "127.0.0.1", "", "", 11});
  // Only the given columns of the connection's row change.
  const std::string server = "SRV", resident = "SRV2", status = "S";
  ASSERT_TRUE(model.UpdateRow(10, &server, nullptr, nullptr, &status));
  ASSERT_TRUE(model.UpdateRow(11, &resident, nullptr, nullptr, nullptr));
  EXPECT_FALSE(model.UpdateRow(13, &server, nullptr, nullptr, nullptr));
  ASSERT_EQ(model.rows().size(), 2u);  // two clients on one machine
  EXPECT_EQ(model.rows()[0].name, "SRV");
  EXPECT_EQ(model.rows()[0].address, "127.0.0.1");
  EXPECT_EQ(model.rows()[0].status, "S");
  EXPECT_EQ(model.rows()[1].status, "");
  EXPECT_EQ(model.ClientCountText(), platform::NarrowFromUtf8("現在のクライアント数：2台"));
  // The first client connects again: its new row replaces its old one.
  model.AddRow({"", "127.0.0.1", "3000", "stale", 12});
  EXPECT_EQ(model.rows().size(), 3u);
  ASSERT_TRUE(model.UpdateRow(12, &server, nullptr, nullptr, nullptr));
  ASSERT_EQ(model.rows().size(), 2u);
  EXPECT_EQ(model.rows()[0].name, "SRV2");
  EXPECT_EQ(model.rows()[1].cpuSpeed, "3000");
  EXPECT_EQ(model.rows()[1].status, "");
  EXPECT_EQ(model.RowOf(10), -1);
  EXPECT_EQ(model.RowOf(12), 1);
}

TEST(ServerStatusModel, PercentIsDoneOverTargetsTruncated) {
  const struct {
    int targets, done;
    const char* percent;
  } cases[] = {{3, 1, "33%"}, {3, 2, "66%"}, {3, 3, "100%"}, {0, 1, "0%"}, {8, 4, "50%"}};
  for (const auto& c : cases) {
    ServerStatusModel model;
    model.StepProgress();  // a new range starts the count afresh
    model.StartProgress(c.targets);
    for (int i = 0; i < c.done; ++i) model.StepProgress();
    EXPECT_EQ(model.PercentText(), c.percent) << c.targets << " " << c.done;
    EXPECT_EQ(model.progressPosition(), c.done);
  }
}

TEST(ClientWindowModel, ActivityLinesAreTimeStampedAndEndInCrLf) {
  ClientWindowModel model;
  std::tm time{};
  time.tm_hour = 9;
  time.tm_min = 5;
  time.tm_sec = 7;
  EXPECT_EQ(model.AppendActivity(time, "接続しました"), "09:05:07 接続しました\r\n");
  time.tm_hour = 23;
  model.AppendActivity(time, "b");
  EXPECT_EQ(model.activity(), "09:05:07 接続しました\r\n23:05:07 b\r\n");
  model.ClearActivity();
  EXPECT_EQ(model.activity(), "");
}

TEST(ClientStatusView, TheInquiryNamesTheServerAsData) {
  EXPECT_EQ(ClientStatusView::InquiryText("S%s", "10.0.0.9"),
            platform::NarrowFromUtf8("S%s[10.0.0.9]から接続要求を受信しました。\r\nこのサーバと接続し、ビルドを開始しますか？"));
}

// A window whose thread is busy (a message box): posted calls wait.
class BusyWindow : public WindowCarrier {
 public:
  void Post(std::function<void()> call) override { queued.push_back(std::move(call)); }
  std::vector<std::function<void()>> queued;
};

class NotedServerView : public distributed::ServerView {
 public:
  void ConnectionAdded(int connection, const std::string& address) override { Note(connection, address); }
  void ConnectionText(int connection, const std::string& name, const std::string& number,
                      const std::string& text) override {
    Note(connection, name + number + text);
  }
  void TargetCount(int count) override { Note(count, "count"); }
  void TargetFinished() override { Note(0, "finished"); }
  void ShowMessage(const std::string& text) override { Note(0, text); }
  void StatusText(const std::string& text) override { Note(1, text); }
  void Note(int number, const std::string& text) { notes.push_back(std::to_string(number) + " " + text); }
  std::vector<std::string> notes;
};

// The server goes on while the window is busy: every call returns at once,
// and the window later gets them in order, with copies of their texts.
TEST(ServerViewRelay, CallsArePostedNotWaitedFor) {
  NotedServerView window;
  BusyWindow busy;
  ServerViewRelay relay(window, busy);
  {
    const std::string text = "t", address = "1.2.3.4";
    relay.ShowMessage(text);
    relay.ConnectionAdded(2, address);
    relay.ConnectionText(2, "N", "#", text);
    relay.TargetCount(5);
    relay.TargetFinished();
    relay.StatusText(text);
  }
  EXPECT_TRUE(window.notes.empty());
  for (const auto& call : busy.queued) call();
  EXPECT_EQ(window.notes, (std::vector<std::string>{"0 t", "2 1.2.3.4", "2 N#t", "5 count", "0 finished", "1 t"}));
}

class RefusingView : public distributed::ClientView {
 public:
  void BuildPhaseRequested(const std::string&, const std::string&) override { ++calls; }
  void ShowText(const std::string&) override { ++calls; }
  bool AskAccept(const std::string&, const std::string&) override { return false; }
  void ConnectionCut() override { ++calls; }
  int calls = 0;
};

// A window that has gone drops what is posted to it.
class GoneWindow : public WindowCarrier {
 public:
  void Post(std::function<void()>) override {}
};

TEST(ClientViewRelay, WithoutAWindowTheQuestionCountsAsYes) {
  RefusingView window;
  GoneWindow gone;
  ClientViewRelay relay(window, gone);
  EXPECT_TRUE(relay.AskAccept("S", "1.2.3.4"));
  relay.ShowText("x");
  EXPECT_EQ(window.calls, 0);
}

TEST(ResidentMenu, GreyedWhileABuildPhaseIsOpenCheckedWhilePaused) {
  const struct {
    int state;
    bool paused;
    bool enabled, checked;
  } cases[] = {{0, false, true, false}, {0, true, true, true}, {1, true, false, false}, {2, false, false, false}};
  for (const auto& c : cases) {
    const ResidentMenuState menu = MenuStateFor(c.state, c.paused);
    EXPECT_EQ(menu.settingsEnabled, c.enabled);
    EXPECT_EQ(menu.disableEnabled, c.enabled);
    EXPECT_EQ(menu.disableChecked, c.checked);
    EXPECT_EQ(SettingsMayChange(c.state), c.enabled);
  }
}

struct FakeResident : ResidentWindow {
  IdleResidentClient& client;
  bool ok = true;
  bool tickPassive = false;
  int stateDuringDialog = 0;
  std::vector<std::string> calls;
  explicit FakeResident(IdleResidentClient& c) : client(c) {}
  void ShowClientWindow() override { calls.push_back("show"); }
  bool RunClientSettings(ClientSettingsForm& form) override {
    calls.push_back("dialog " + form.machineName);
    form.machineName = "NEW";
    form.passiveConnect = tickPassive;
    client.state = stateDuringDialog;
    return ok;
  }
  void RunAboutBox() override { calls.push_back("about"); }
  void Warn(const std::string& text, bool okCancel) override {
    calls.push_back(text + (okCancel ? " okcancel" : " ok"));
  }
  void Exit() override { calls.push_back("exit"); }
};

std::string Texts(const std::vector<MenuEntry>& entries) {
  std::string texts;
  for (const MenuEntry& entry : entries) texts += (entry.text.empty() ? "-" : entry.text) + "|";
  return texts;
}

// Passive Connect stands before the exit once the dialog ticked it; the
// disable entry toggles only while the client listens.
TEST(ResidentMenu, EntriesInOrderAndDisableTogglesOnlyWhileListening) {
  IdleResidentClient client;
  client.applied.machineName = "OLD";
  FakeResident window(client);
  ResidentMenu menu(client, window);
  const std::string plain = "分散コンパイルを無効にする(&D)|コンパイルの中断(&X)|-|状況(&V)...|Bramleの設定(&S)...|-|"
                            "Bramleについて(&A)...|";
  EXPECT_EQ(Texts(menu.Entries()), plain + "終了(&X)|");
  window.tickPassive = true;
  menu.Choose(MenuCommand::kSettings);
  EXPECT_EQ(Texts(menu.Entries()), plain + "Passive Connect|終了(&X)|");
  menu.Choose(MenuCommand::kPassive);
  EXPECT_EQ(window.calls, (std::vector<std::string>{"dialog OLD"}));
  menu.Choose(MenuCommand::kDisable);
  EXPECT_TRUE(menu.Entries()[0].checked);
  client.state = 2;
  menu.Choose(MenuCommand::kDisable);
  EXPECT_FALSE(menu.Entries()[0].enabled);
  client.state = 0;
  menu.Choose(MenuCommand::kDisable);
  EXPECT_FALSE(menu.Entries()[0].checked);
  menu.Choose(MenuCommand::kCancel);
  EXPECT_EQ(client.calls, (std::vector<std::string>{"suspend", "apply NEW", "passive mode", "resume",
                                                    "passive 127.0.0.1:4312", "pause", "listen", "event 9"}));
}

TEST(ResidentMenu, SettingsRefusedOrNotAppliedWhileABuildPhaseIsOpen) {
  // An unset machine name is shown as the computer's.
  const std::string dialog = "dialog " + platform::ComputerName();
  const struct {
    int before, during;
    bool ok;
    std::vector<std::string> client, window;
  } cases[] = {
      {2, 2, true, {}, {std::string(kSettingsRefusedText) + " ok"}},
      {0, 1, true, {"suspend", "resume"}, {dialog, std::string(kSettingsNotAppliedText) + " okcancel"}},
      {0, 0, false, {"suspend", "resume"}, {dialog}},
  };
  for (const auto& c : cases) {
    IdleResidentClient client;
    client.state = c.before;
    FakeResident window(client);
    window.stateDuringDialog = c.during;
    window.ok = c.ok;
    ResidentMenu menu(client, window);
    menu.Choose(MenuCommand::kSettings);
    EXPECT_EQ(client.calls, c.client);
    EXPECT_EQ(window.calls, c.window);
  }
}

TEST(ResidentMenu, BuildPhaseRequestShowsTheWindowWhenAskedTo) {
  for (const bool popup : {true, false}) {
    IdleResidentClient client;
    client.applied.popupStatus = popup;
    FakeResident resident(client);
    RefusingView window;
    PopupClientView view(window, client, resident);
    view.BuildPhaseRequested("S", "1.2.3.4");
    EXPECT_EQ(resident.calls.size(), popup ? 1u : 0u);
    EXPECT_EQ(window.calls, 1);
  }
}

TEST(ConsoleClientView, LineNamesTheClientAndTheServerItWorksFor) {
  // The client's address, the server it works for, the line.
  const char* const cases[][3] = {
      {"10.0.0.5", "SRV 10.0.0.1", "09:05:07 [PC01 10.0.0.5] <SRV 10.0.0.1> text\n"},
      {"10.0.0.5", "", "09:05:07 [PC01 10.0.0.5] text\n"},
      {"", "", "09:05:07 [PC01] text\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(ConsoleClientView::FormatLine("09:05:07", "PC01", c[0], c[1], "text"), c[2]);
}

}  // namespace
}  // namespace ui
