// The client's view without a window: one line on standard output per
// status change, stamped with the time, the client's name and address and
// the server it works for. It has nobody to ask, so it accepts every
// build phase.
#pragma once

#include <mutex>
#include <string>

#include "distributed/build_client.h"
#include "distributed/client_view.h"

namespace ui {

class ConsoleClientView : public distributed::ClientView {
 public:
  explicit ConsoleClientView(const distributed::BuildClient& client) : client_(client) {}

  void BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) override;
  void ShowText(const std::string& text) override;
  bool AskAccept(const std::string& serverName, const std::string& serverAddress) override;
  void ConnectionCut() override;

  // "HH:MM:SS [name address] <server address> text", without the server
  // part while there is none.
  static std::string FormatLine(const std::string& time, const std::string& clientName,
                                const std::string& clientAddress, const std::string& server,
                                const std::string& text);

 private:
  void WriteLine(const std::string& text);

  const distributed::BuildClient& client_;
  std::mutex mutex_;
  std::string server_;  // "name address" of the server worked for
};

}  // namespace ui
