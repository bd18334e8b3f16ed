#include "ui/console/console_server_view.h"

#include <ctime>

#include "diag/message_catalogue.h"
#include "distributed/log_file.h"
#include "platform/console.h"
#include "platform/local_time.h"

namespace ui {

std::string ConsoleServerView::FormatLine(const std::string& time, const std::string& client, const std::string& text,
                                          int done, int total) {
  std::string line = time + " ";
  if (!client.empty()) line += "[" + client + "] ";
  return line + distributed::OneLineText(text) + " (" + std::to_string(done) + "/" + std::to_string(total) + ")\n";
}

void ConsoleServerView::WriteLine(const std::string& client, const std::string& text) {
  const std::tm now = platform::LocalTimeNow();
  char time[16];
  std::strftime(time, sizeof time, "%H:%M:%S", &now);
  const std::string line = FormatLine(time, client, text, done_, total_);
  if (toStderr_) {
    platform::WriteStderr(line);
  } else {
    platform::WriteStdout(line);
  }
}

void ConsoleServerView::ConnectionAdded(int connection, const std::string& peerAddress) {
  addresses_[connection] = peerAddress;
  WriteLine(peerAddress, diag::LoadMessage(diag::msg::kClientConnected));
}

void ConsoleServerView::ConnectionText(int connection, const std::string& clientName, const std::string&,
                                       const std::string& text) {
  // Before the client has named itself its address alone stands for it.
  const std::string& address = addresses_[connection];
  WriteLine(clientName.empty() ? address : clientName + " " + address, text);
}

void ConsoleServerView::TargetCount(int count) { total_ = count; }

void ConsoleServerView::TargetFinished() { ++done_; }

void ConsoleServerView::ShowMessage(const std::string& text) { WriteLine("", text); }

void ConsoleServerView::StatusText(const std::string& text) {
  if (text == status_) return;
  status_ = text;
  WriteLine("", text);
}

}  // namespace ui
