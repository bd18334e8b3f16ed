// The server's calls as its status window takes them: each changes the
// window's model, then the toolkit shows the change. Runs on the window's
// thread; the toolkit carries calls from server threads there.
#pragma once

#include <string>

#include "distributed/server_view.h"
#include "ui/server_status_model.h"

namespace ui {

class ServerStatusView : public distributed::ServerView {
 public:
  void ConnectionAdded(int connection, const std::string& peerAddress) override;
  void ConnectionText(int connection, const std::string& clientName, const std::string& clientNumber,
                      const std::string& text) override;
  void TargetCount(int count) override;
  void TargetFinished() override;
  void ShowMessage(const std::string& text) override { ShowMessageBox(text); }
  void StatusText(const std::string& text) override;

  const ServerStatusModel& model() const { return model_; }

 protected:
  enum class Change { kRows, kProgress, kStatus };
  virtual void Show(Change change) = 0;
  // A message box, caption "bramle", with the exclamation icon.
  virtual void ShowMessageBox(const std::string& text) = 0;

 private:
  ServerStatusModel model_;
};

// What the status window's buttons and timer ask of the server.
class ServerControls {
 public:
  virtual ~ServerControls() = default;
  virtual void CancelConnection(int connection) = 0;
  virtual void StopServer() = 0;
  virtual void Announce() = 0;
};

// UTF-8, as the sources keep it.
inline constexpr const char kBuildStoppedText[] = "ビルドを中断しました。";

}  // namespace ui
