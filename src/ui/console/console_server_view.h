// The build server's view without a window: one line per status change,
// stamped with the time, naming the client by name and address, with the
// progress as done/total.
#pragma once

#include <map>
#include <string>

#include "distributed/server_view.h"

namespace ui {

class ConsoleServerView : public distributed::ServerView {
 public:
  // With `toStderr` (-X) the lines go to standard error, leaving standard
  // output to the progress lines.
  explicit ConsoleServerView(bool toStderr) : toStderr_(toStderr) {}

  void ConnectionAdded(int connection, const std::string& peerAddress) override;
  void ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                      const std::string& text) override;
  void TargetCount(int count) override;
  void TargetFinished() override;
  void ShowMessage(const std::string& text) override;
  void StatusText(const std::string& text) override;

  // "HH:MM:SS [name address] text (done/total)"; the client part is left
  // out when `client` is empty.
  static std::string FormatLine(const std::string& time, const std::string& client, const std::string& text,
                                int done, int total);

 private:
  void WriteLine(const std::string& client, const std::string& text);

  const bool toStderr_;
  std::map<int, std::string> addresses_;
  int done_ = 0;
  int total_ = 0;
  std::string status_;
};

}  // namespace ui
