// "Bramleの設定(クライアント)" in Qt.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>

#include "ui/client_settings_form.h"
#include "ui/qt/dialog_parts.h"

namespace ui::qt {

class ClientSettingsDialog : public QDialog {
 public:
  explicit ClientSettingsDialog(const ClientSettingsForm& form);
  void Read(ClientSettingsForm& form) const;

 protected:
  // Watches the key presses for the passive box.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* port_;
  QLineEdit* machineName_;
  QCheckBox* acceptRequest_;
  QCheckBox* popupStatus_;
  QCheckBox* noExecShellCommand_;
  LogFileControls log_;
  QCheckBox* passive_;
  PassiveKeyGate gate_;
};

}  // namespace ui::qt
