// "分散コンパイル": the build server's status window in Qt.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QTreeWidget>

#include "ui/server_status_view.h"

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

}  // namespace ui::qt
