// Shows each window of this build in a typical state and saves a picture of
// it: window_screenshots FOLDER PREFIX. Run on a display (scripts/screenshots.sh).
#include <cstdio>
#include <string>

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

  dist::ServerSettings server;
  server.machineName = "BUILDHOST";
  auto serverForm = ui::ServerSettingsForm::From(server, true);
  toolkit->RunServerSettings(serverForm, shoot("server-settings", "接続状況をファイルに保存する(&S)"));
  dist::ClientSettings client;
  client.machineName = "PC01";
  auto clientForm = ui::ClientSettingsForm::From(client);
  toolkit->RunClientSettings(clientForm, shoot("client-settings", nullptr));
  toolkit->RunAboutBox("1.16", shoot("about", nullptr));
  return failures == 0 ? 0 : 1;
}
