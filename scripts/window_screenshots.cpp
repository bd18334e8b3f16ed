// Shows each window of this build in a typical state and saves a picture of
// it: window_screenshots FOLDER PREFIX. Run on a display (scripts/screenshots.sh).
#include <cstdio>
#include <string>

#include "platform/text.h"
#include "idle_resident_client.h"
#include "ui/window_toolkit.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_screenshots FOLDER PREFIX\n");
    return 2;
  }
  ui::WindowToolkit* toolkit = ui::OpenWindowToolkit();
  if (toolkit == nullptr) {
    std::fprintf(stderr, "window_screenshots: no windows can be shown here\n");
    return 1;
  }
  const std::string base = std::string(argv[1]) + "/" + argv[2];
  int failures = 0;
  auto shoot = [&](const std::string& name, const char* click) {
    return [&failures, path = base + name + ".png", click](ui::WindowProbe& probe) {
      if (click) probe.Click(click);
      if (!probe.SaveImage(path)) {
        std::fprintf(stderr, "window_screenshots: %s not written\n", path.c_str());
        ++failures;
      }
      probe.Close(false);
    };
  };

  distributed::ServerSettings server;
  server.machineName = "BUILDHOST";
  auto serverForm = ui::ServerSettingsForm::From(server, true);
  toolkit->RunServerSettings(serverForm, shoot("server-settings", "接続状況をファイルに保存する(&S)"));
  distributed::ClientSettings client;
  client.machineName = "PC01";
  auto clientForm = ui::ClientSettingsForm::From(client);
  toolkit->RunClientSettings(clientForm, shoot("client-settings", nullptr));
  toolkit->RunAboutBox("1.16", shoot("about", nullptr));

  // Three clients and a half-full progress bar.
  struct NoServer : ui::ServerControls {
    void CancelConnection(int) override {}
    void StopServer() override {}
    void Announce() override {}
  } controls;
  auto busyServer = [](distributed::ServerView& view) {
    const char* clients[][4] = {{"PC01", "192.168.1.11", "2400", "main.c をコンパイルしています"},
                                {"PC02", "192.168.1.12", "3000", "greet.c をコンパイルしています"},
                                {"BUILDHOST", "127.0.0.1", "2800", "待機中"}};
    for (int i = 0; i < 3; ++i) {
      view.ConnectionAdded(i, clients[i][1]);
      view.ConnectionText(i, clients[i][0], clients[i][2], platform::NarrowFromUtf8(clients[i][3]));
    }
    view.TargetCount(8);
    for (int i = 0; i < 4; ++i) view.TargetFinished();
    view.StatusText(platform::NarrowFromUtf8("ビルドしています..."));
    return true;
  };
  toolkit->RunServerStatus(controls, false, busyServer, {}, shoot("server-status", nullptr));

  auto busyClient = [](distributed::ClientView& view) {
    view.BuildPhaseRequested("BUILDHOST", "192.168.1.10");
    for (const char* line : {"サーバと接続しています...", "コマンドを実行しています...", "cc -O2 -Wall -c main.c -o \"main.o\"",
                             "コマンド実行を終了しました。"})
      view.ShowText(platform::NarrowFromUtf8(line));
    return true;
  };
  toolkit->RunClientWindow(busyClient, {}, shoot("client-status", nullptr));

  // The notification-area menu with listening paused.
  ui::IdleResidentClient idle;
  toolkit->RunResident(idle, "1.16", {}, {}, shoot("menu", "分散コンパイルを無効にする(&D)"));
  return failures == 0 ? 0 : 1;
}
