// Carries the server's view calls, made on its own threads, to the thread of
// the window that shows them; each call waits until the window has dealt
// with it.
#pragma once

#include <functional>
#include <string>

#include "dist/server_view.h"

namespace ui {

class ServerViewRelay : public dist::ServerView {
 public:
  explicit ServerViewRelay(dist::ServerView& window) : window_(window) {}

  void ConnectionAdded(int connection, const std::string& peerAddress) override {
    Carry([&] { window_.ConnectionAdded(connection, peerAddress); });
  }
  void ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                      const std::string& text) override {
    Carry([&] { window_.ConnectionText(connection, clientName, clientNumber, text); });
  }
  void TargetCount(int count) override {
    Carry([&] { window_.TargetCount(count); });
  }
  void TargetFinished() override {
    Carry([&] { window_.TargetFinished(); });
  }
  void ShowMessage(const std::string& text) override {
    Carry([&] { window_.ShowMessage(text); });
  }
  void StatusText(const std::string& text) override {
    Carry([&] { window_.StatusText(text); });
  }

 protected:
  // Runs `call` on the window's thread and returns when it has run; does
  // nothing once the window has gone.
  virtual void Carry(const std::function<void()>& call) = 0;

 private:
  dist::ServerView& window_;
};

}  // namespace ui
