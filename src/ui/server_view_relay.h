// The server's view calls carried to the status window's thread, each
// waiting until the window has dealt with it.
#pragma once

#include <string>

#include "distributed/server_view.h"
#include "ui/window_carrier.h"

namespace ui {

class ServerViewRelay : public distributed::ServerView {
 public:
  ServerViewRelay(distributed::ServerView& window, WindowCarrier& carrier) : window_(window), carrier_(carrier) {}

  void ConnectionAdded(int connection, const std::string& peerAddress) override {
    carrier_.Carry([&] { window_.ConnectionAdded(connection, peerAddress); });
  }
  void ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                      const std::string& text) override {
    carrier_.Carry([&] { window_.ConnectionText(connection, clientName, clientNumber, text); });
  }
  void TargetCount(int count) override {
    carrier_.Carry([&] { window_.TargetCount(count); });
  }
  void TargetFinished() override {
    carrier_.Carry([&] { window_.TargetFinished(); });
  }
  void ShowMessage(const std::string& text) override {
    carrier_.Carry([&] { window_.ShowMessage(text); });
  }
  void StatusText(const std::string& text) override {
    carrier_.Carry([&] { window_.StatusText(text); });
  }

 private:
  distributed::ServerView& window_;
  WindowCarrier& carrier_;
};

}  // namespace ui
