// A resident client that stays listening and never builds, for the window
// tests and pictures; it notes every call it gets.
#pragma once

#include <string>
#include <vector>

#include "ui/resident_menu.h"

namespace ui {

class IdleResidentClient : public ResidentClient {
 public:
  int State() override { return state; }
  void SetListeningPaused(bool paused) override { calls.push_back(paused ? "pause" : "listen"); }
  void PostEvent(int event) override { calls.push_back("event " + std::to_string(event)); }
  void PassiveConnect(const std::string& host, const std::string& port) override {
    calls.push_back("passive " + host + ":" + port);
  }
  void PauseClientThread() override { calls.push_back("suspend"); }
  void ResumeClientThread() override { calls.push_back("resume"); }
  distributed::ClientSettings AppliedSettings() override { return applied; }
  int ApplySettings(const distributed::ClientSettings& settings) override {
    calls.push_back("apply " + settings.machineName);
    applied = settings;
    return 1;
  }
  void SetPassiveMode() override { calls.push_back("passive mode"); }

  int state = 0;
  distributed::ClientSettings applied;
  std::vector<std::string> calls;
};

}  // namespace ui
