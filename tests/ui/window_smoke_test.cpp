// Opens each window of this build's toolkit, finds its controls by their
// texts, drives one action and closes it. Needs a display (the test command
// gives these a virtual one); without one they skip.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "idle_resident_client.h"
#include "ui/window_toolkit.h"

namespace ui {
namespace {

#define REQUIRE_WINDOWS(toolkit)                                                         \
  WindowToolkit* toolkit = OpenWindowToolkit();                                          \
  if (toolkit == nullptr) GTEST_SKIP() << "no display or no window part: windows not tried"

// Settings as a loaded file gives them: the machine's name filled in.
template <class Settings>
Settings Named() {
  Settings settings;
  settings.machineName = "PC01";
  return settings;
}
const auto Server = Named<distributed::ServerSettings>;
const auto Client = Named<distributed::ClientSettings>;

void ExpectControls(WindowProbe& probe, const std::vector<std::string>& texts) {
  for (const std::string& text : texts) EXPECT_NE(probe.ControlEnabled(text), -1) << text;
}

TEST(WindowSmoke, ServerSettingsDialog) {
  REQUIRE_WINDOWS(toolkit);
  ServerSettingsForm form = ServerSettingsForm::From(Server(), true);
  const bool ok = toolkit->RunServerSettings(form, [](WindowProbe& probe) {
    EXPECT_EQ(probe.Title(), "Bramleの設定(サーバ)");
    ExpectControls(probe, {"ネットワーク", "マシン名(&N):", "ブロードキャスト時のポート番号(&B):", "通常接続時のポート",
                           "分散コンパイル", "分散コンパイル実行中も接続要求を送信する(&R)",
                           "分散コンパイルのタイムアウトを設定する(&M)", "分",
                           "実行コマンドはフォルダ名を抜いたコマンド名だけを送信する(&C)", "参照...", "OK",
                           "キャンセル"});
    EXPECT_EQ(probe.ControlEnabled("ファイル名："), 0);
    EXPECT_EQ(probe.ControlEnabled("参照..."), 0);
    EXPECT_TRUE(probe.Click("接続状況をファイルに保存する(&S)"));
    EXPECT_EQ(probe.ControlEnabled("ファイル名："), 1);
    EXPECT_EQ(probe.ControlEnabled("参照..."), 1);
    EXPECT_EQ(probe.ControlEnabled("割り当てるポート番号(&T):"), 1);
    EXPECT_TRUE(probe.Click("自動的に設定する(&A)"));
    EXPECT_EQ(probe.ControlEnabled("割り当てるポート番号(&T):"), 0);
    probe.Close(true);
  });
  EXPECT_TRUE(ok);
  EXPECT_TRUE(form.saveLog);
  EXPECT_TRUE(form.normalPortAuto);
  EXPECT_EQ(form.normalPort, "4312");
}

TEST(WindowSmoke, ClientSettingsDialog) {
  REQUIRE_WINDOWS(toolkit);
  ClientSettingsForm form = ClientSettingsForm::From(Client());
  const bool ok = toolkit->RunClientSettings(form, [](WindowProbe& probe) {
    EXPECT_EQ(probe.Title(), "Bramleの設定(クライアント)");
    ExpectControls(probe, {"ネットワーク", "ブロードキャスト時のポート番号(&B):", "マシン名(&N):", "コンパイル動作",
                           "接続要求を受けると、接続するかどうかのダイアログを開く(&A)",
                           "分散コンパイルが始まると、自動的に「状況」ダイアログを開く(&O)",
                           "DOS内部コマンドの実行要求が来ても、実行しない(&D)", "OK", "キャンセル"});
    // The passive box stays hidden until its keys are pressed.
    EXPECT_EQ(probe.ControlEnabled("Enable Passive Connect"), -1);
    EXPECT_EQ(probe.ControlEnabled("ファイル名："), 0);
    EXPECT_EQ(probe.ControlEnabled("参照"), 0);
    EXPECT_TRUE(probe.Click("「状況」をファイルに保存する(&S)"));
    EXPECT_EQ(probe.ControlEnabled("ファイル名："), 1);
    EXPECT_EQ(probe.ControlEnabled("参照"), 1);
    probe.Close(false);
  });
  EXPECT_FALSE(ok);
  EXPECT_FALSE(form.saveLog);
}

// Enter in an edit presses OK, the default button, never 参照 beside it.
TEST(WindowSmoke, EnterInTheSettingsDialogsPressesOk) {
  REQUIRE_WINDOWS(toolkit);
  ClientSettingsForm client = ClientSettingsForm::From(Client());
  EXPECT_TRUE(toolkit->RunClientSettings(client, [](WindowProbe& probe) {
    EXPECT_TRUE(probe.Click("「状況」をファイルに保存する(&S)"));
    probe.PressEnter("ファイル名：");
  }));
  EXPECT_TRUE(client.saveLog);
  // Without the TCP table the manual radio is selected and the automatic
  // one disabled.
  distributed::ServerSettings automatic = Server();
  automatic.normalPortAuto = true;
  ServerSettingsForm server = ServerSettingsForm::From(automatic, false);
  EXPECT_TRUE(toolkit->RunServerSettings(server, [](WindowProbe& probe) {
    EXPECT_EQ(probe.ControlEnabled("自動的に設定する(&A)"), 0);
    EXPECT_TRUE(probe.Checked("手動設定する(&P)"));
    EXPECT_EQ(probe.ControlEnabled("割り当てるポート番号(&T):"), 1);
    EXPECT_TRUE(probe.Click("接続状況をファイルに保存する(&S)"));
    probe.PressEnter("割り当てるポート番号(&T):");
  }));
}

// OK with a value no socket or peer could use says why and keeps the dialog
// open.
TEST(WindowSmoke, SettingsDialogsRefuseUnusableValues) {
  REQUIRE_WINDOWS(toolkit);
  const std::string portRefusal = "ブロードキャスト時のポート番号には1から65535までの数を指定してください。";
  const std::string nameRefusal = "マシン名は1文字以上63文字以内で指定してください。";
  const struct {
    std::string name, port, refusal;
  } cases[] = {{"PC01", "abc", portRefusal}, {"PC01", "70000", portRefusal}, {"", "4464", nameRefusal},
               {std::string(300, 'n'), "4464", nameRefusal}};
  for (const auto& c : cases) {
    auto refuse = [&](WindowProbe& probe) {
      EXPECT_TRUE(probe.Click("OK"));
      EXPECT_NE(probe.ControlEnabled(c.refusal), -1) << c.name << c.port;
      probe.Close(false);
    };
    ClientSettingsForm client = ClientSettingsForm::From(Client());
    client.machineName = c.name;
    client.portNo = c.port;
    EXPECT_FALSE(toolkit->RunClientSettings(client, refuse));
    ServerSettingsForm server = ServerSettingsForm::From(Server(), true);
    server.machineName = c.name;
    server.broadcastPortNo = c.port;
    EXPECT_FALSE(toolkit->RunServerSettings(server, refuse));
  }
}

TEST(WindowSmoke, AboutBox) {
  REQUIRE_WINDOWS(toolkit);
  bool seen = false;
  toolkit->RunAboutBox("1.16", [&](WindowProbe& probe) {
    seen = true;
    EXPECT_EQ(probe.Title(), "バージョン情報");
    EXPECT_TRUE(probe.Click("OK"));
  });
  EXPECT_TRUE(seen);
}

class RecordingControls : public ServerControls {
 public:
  void CancelConnection(int connection) override { cancelled.push_back(connection); }
  void StopServer() override { ++stops; }
  void Announce() override { ++announcements; }
  std::vector<int> cancelled;
  int stops = 0;
  int announcements = 0;
};

TEST(WindowSmoke, ServerStatusWindow) {
  REQUIRE_WINDOWS(toolkit);
  RecordingControls controls;
  auto started = [](distributed::ServerView& view) {
    view.ConnectionAdded(1, "10.0.0.1");
    view.ConnectionAdded(2, "10.0.0.2");
    view.ConnectionText(2, "PC02", "2400", "待機中");
    view.ConnectionAdded(3, "10.0.0.2");  // another client on PC02's machine
    view.TargetCount(4);
    view.TargetFinished();
    view.TargetFinished();
    return true;
  };
  toolkit->RunServerStatus(controls, false, started, {}, [&](WindowProbe& probe) {
    EXPECT_EQ(probe.Title(), "分散コンパイル");
    ExpectControls(probe, {"クライアント一覧", "現在のクライアント数：3台", "50%", "コンパイル状況:",
                           "クライアントからの接続を待っています...", "ビルド中止（&B）"});
    EXPECT_TRUE(probe.Click("PC02") && probe.Checked("PC02"));  // the row's check box
    EXPECT_TRUE(probe.Click("全てビルド中止（&A）"));
    EXPECT_EQ(controls.stops, 1);
    EXPECT_NE(probe.ControlEnabled("ビルドを中断しました。"), -1);
    EXPECT_TRUE(probe.Click("閉じる"));
  });
  EXPECT_EQ(controls.stops, 2);
  EXPECT_EQ(controls.announcements, 0);
}

// Calls from a server thread reach the window, or, once it has been closed,
// return at once: the thread always ends. A window whose server cannot
// start closes by itself.
TEST(WindowSmoke, ServerStatusWindowNeverHoldsUpItsServer) {
  REQUIRE_WINDOWS(toolkit);
  RecordingControls controls;
  std::thread server;
  auto started = [&](distributed::ServerView& view) {
    server = std::thread([&view] {
      for (int i = 0; i < 200; ++i) view.ConnectionText(0, "", "", std::to_string(i));
    });
    view.ConnectionAdded(0, "10.0.0.1");
    return true;
  };
  toolkit->RunServerStatus(controls, false, started, [&] { server.join(); },
                           [](WindowProbe& probe) { probe.Close(false); });
  EXPECT_FALSE(server.joinable());
  // Returns instead of waiting for a user to close the window.
  RecordingControls unstarted;
  toolkit->RunServerStatus(unstarted, true, [](distributed::ServerView&) { return false; }, {}, {});
  EXPECT_EQ(unstarted.stops, 0);
}

TEST(WindowSmoke, ClientWindow) {
  REQUIRE_WINDOWS(toolkit);
  auto started = [](distributed::ClientView& view) {
    view.BuildPhaseRequested("SRV", "10.0.0.9");
    view.ShowText("build");
    return true;
  };
  toolkit->RunClientWindow(started, {}, [](WindowProbe& probe) {
    EXPECT_EQ(probe.Title(), "状況");
    ExpectControls(probe, {"接続先アドレス：", "マシン名：", "状況：", "クリア", "閉じる"});
    EXPECT_EQ(probe.EditText("接続先アドレス："), "10.0.0.9");
    EXPECT_EQ(probe.EditText("マシン名："), "SRV");
    const std::string activity = probe.EditText("状況：");
    EXPECT_EQ(activity.substr(8, 6), " build") << activity;  // after "HH:MM:SS"
    EXPECT_TRUE(probe.Click("クリア"));
    EXPECT_EQ(probe.EditText("状況："), "");
    EXPECT_TRUE(probe.Click("閉じる"));
  });
  // A cut connection makes it forget the server.
  auto cut = [](distributed::ClientView& view) {
    view.BuildPhaseRequested("SRV", "10.0.0.9");
    view.ConnectionCut();
    return true;
  };
  toolkit->RunClientWindow(cut, {}, [](WindowProbe& probe) {
    EXPECT_EQ(probe.EditText("接続先アドレス："), "");
    EXPECT_EQ(probe.EditText("マシン名："), "");
    probe.Close(false);
  });
}

TEST(WindowSmoke, ResidentMenuPausesListeningAndExits) {
  REQUIRE_WINDOWS(toolkit);
  IdleResidentClient client;
  bool started = false;
  bool ended = false;
  auto start = [&](distributed::ClientView&) { return started = true; };
  toolkit->RunResident(client, "1.16", start, [&] { ended = true; }, [](WindowProbe& probe) {
    EXPECT_EQ(probe.Title(), "BRAMLECLIENTRESIDENTWINDOWV1");
    ExpectControls(probe, {"分散コンパイルを無効にする(&D)", "コンパイルの中断(&X)", "状況(&V)...",
                           "Bramleの設定(&S)...", "Bramleについて(&A)...", "終了(&X)"});
    EXPECT_EQ(probe.ControlEnabled("Passive Connect"), -1);
    EXPECT_FALSE(probe.Checked("分散コンパイルを無効にする(&D)"));
    EXPECT_TRUE(probe.Click("分散コンパイルを無効にする(&D)"));
    EXPECT_TRUE(probe.Checked("分散コンパイルを無効にする(&D)"));
    EXPECT_TRUE(probe.Click("終了(&X)"));
  });
  EXPECT_TRUE(started);
  EXPECT_TRUE(ended);
  EXPECT_EQ(client.calls, std::vector<std::string>{"pause"});
}

}  // namespace
}  // namespace ui
