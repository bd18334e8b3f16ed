// "状況": the resident client's status window in Qt.
#pragma once

#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/client_status_view.h"

namespace ui::qt {

class ClientWindow : public QDialog, public ClientStatusView {
 public:
  ClientWindow();

 protected:
  void Show(Change change) override;
  bool AskYesNo(const std::string& text) override;

 private:
  QLineEdit* address_;
  QLineEdit* name_;
  QPlainTextEdit* activity_;
};

}  // namespace ui::qt
