// "分散コンパイル": the build server's status window in Qt.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>
#include <mutex>

#include "ui/server_status_view.h"
#include "ui/server_view_relay.h"

namespace ui::qt {

class ServerStatusWindow : public QDialog, public ServerStatusView {
 public:
  ServerStatusWindow(ServerControls& controls, bool sendRequest);

 protected:
  void Show(Change change) override;
  void ShowMessageBox(const std::string& text) override;

 private:
  void StopAll();

  ServerControls& controls_;
  QTreeWidget* list_;
  QLabel* count_;
  QProgressBar* progress_;
  QLabel* percent_;
  QLabel* status_;
  QTimer announce_;
};

// Carries the view calls of the server's threads to the window's thread and
// waits for each; a call made there runs at once.
class CrossThreadServerView : public ServerViewRelay {
 public:
  explicit CrossThreadServerView(ServerStatusWindow& window) : ServerViewRelay(window), window_(window) {}
  // From now on calls do nothing; those already on their way are carried
  // out before this returns. Call on the window thread.
  void Close();

 protected:
  void Carry(const std::function<void()>& call) override;

 private:
  ServerStatusWindow& window_;
  std::mutex mutex_;
  bool closed_ = false;
};

}  // namespace ui::qt
