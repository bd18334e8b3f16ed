// What the build server tells its window. Every call is made on a server
// thread (the accept thread, a connection's thread) and returns when the
// view has dealt with it; the server makes one call at a time. A view that
// lives on another thread hands the call over and waits.
#pragma once

#include <string>

namespace distributed {

class ServerView {
 public:
  virtual ~ServerView() = default;

  // A client has connected from `peerAddress` (window code 0). `connection`
  // names the connection in the calls that follow.
  virtual void ConnectionAdded(int connection, const std::string& peerAddress) = 0;
  // The connection's row text (code 1); name and number are empty until the
  // client has introduced itself.
  virtual void ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                              const std::string& text) = 0;
  // How many targets the build has (code 2).
  virtual void TargetCount(int count) = 0;
  // One more target is built (code 3).
  virtual void TargetFinished() = 0;
  // A message the user must see (code 4).
  virtual void ShowMessage(const std::string& text) = 0;
  // The server's status line (code 5).
  virtual void StatusText(const std::string& text) = 0;
};

}  // namespace distributed
