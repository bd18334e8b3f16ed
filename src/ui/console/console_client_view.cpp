#include "ui/console/console_client_view.h"

#include "diag/message_catalogue.h"
#include "distributed/log_file.h"
#include "platform/console.h"
#include "platform/local_time.h"

namespace ui {

std::string ConsoleClientView::FormatLine(const std::string& time, const std::string& clientName,
                                          const std::string& clientAddress, const std::string& server,
                                          const std::string& text) {
  std::string line = time + " [" + clientName;
  if (!clientAddress.empty()) line += " " + clientAddress;
  line += "]";
  if (!server.empty()) line += " <" + server + ">";
  return line + " " + text + "\n";
}

void ConsoleClientView::BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    server_ = serverName + " " + serverAddress;
  }
  WriteLine(diag::LoadMessage(diag::msg::kBuildStartRequested));
}

void ConsoleClientView::ShowText(const std::string& text) { WriteLine(text); }

bool ConsoleClientView::AskAccept(const std::string&, const std::string&) { return true; }

void ConsoleClientView::ConnectionCut() {
  std::lock_guard<std::mutex> hold(mutex_);
  server_.clear();
}

void ConsoleClientView::WriteLine(const std::string& text) {
  const std::string time = distributed::ClockText(platform::LocalTimeNow());
  std::lock_guard<std::mutex> hold(mutex_);
  platform::WriteStdout(FormatLine(time, client_.MachineName(), client_.OwnAddress(), server_, text));
}

}  // namespace ui
