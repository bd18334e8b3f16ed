// The server's view calls posted to the status window's thread: the server
// goes on at once, so that a message box on the window never holds up a
// connection. The arguments travel as copies.
#pragma once

#include <string>

#include "distributed/server_view.h"
#include "ui/window_carrier.h"

namespace ui {

class ServerViewRelay : public distributed::ServerView {
 public:
  ServerViewRelay(distributed::ServerView& window, WindowCarrier& carrier) : window_(window), carrier_(carrier) {}

  void ConnectionAdded(int connection, const std::string& peerAddress) override {
    carrier_.Post([&window = window_, connection, peerAddress] { window.ConnectionAdded(connection, peerAddress); });
  }
  void ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                      const std::string& text) override {
    carrier_.Post([&window = window_, connection, clientName, clientNumber, text] {
      window.ConnectionText(connection, clientName, clientNumber, text);
    });
  }
  void TargetCount(int count) override {
    carrier_.Post([&window = window_, count] { window.TargetCount(count); });
  }
  void TargetFinished() override {
    carrier_.Post([&window = window_] { window.TargetFinished(); });
  }
  void ShowMessage(const std::string& text) override {
    carrier_.Post([&window = window_, text] { window.ShowMessage(text); });
  }
  void StatusText(const std::string& text) override {
    carrier_.Post([&window = window_, text] { window.StatusText(text); });
  }

 private:
  distributed::ServerView& window_;
  WindowCarrier& carrier_;
};

}  // namespace ui
