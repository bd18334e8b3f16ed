// What the resident client tells its window, and the one thing it asks.
// Every call is made on the client thread and returns when the view has
// dealt with it; a view that lives on another thread hands the call over
// and waits.
#pragma once

#include <string>

namespace distributed {

class ClientView {
 public:
  virtual ~ClientView() = default;

  // A server asks to open a build phase (window code 0). A window shows
  // itself here when the client's settings say so (popupStatus).
  virtual void BuildPhaseRequested(const std::string& serverName, const std::string& serverAddress) = 0;
  // One line of text to show (code 1).
  virtual void ShowText(const std::string& text) = 0;
  // Whether to accept the server's build phase (code 2); false refuses.
  virtual bool AskAccept(const std::string& serverName, const std::string& serverAddress) = 0;
  // The server connection was cut (code 3).
  virtual void ConnectionCut() = 0;
};

}  // namespace distributed
