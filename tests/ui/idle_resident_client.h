// A resident client that stays listening and does nothing, for the window
// tests and pictures; it remembers whether listening was paused.
#pragma once

#include <string>

#include "ui/resident_menu.h"

namespace ui {

class IdleResidentClient : public ResidentClient {
 public:
  int State() override { return 0; }
  void SetListeningPaused(bool paused) override { this->paused = paused; }
  void PostEvent(int) override {}
  void PassiveConnect(const std::string&, const std::string&) override {}
  void PauseClientThread() override {}
  void ResumeClientThread() override {}
  dist::ClientSettings AppliedSettings() override { return {}; }
  int ApplySettings(const dist::ClientSettings&) override { return 1; }
  void SetPassiveMode() override {}

  bool paused = false;
};

}  // namespace ui
