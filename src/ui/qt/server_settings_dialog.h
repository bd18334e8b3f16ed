// "Bramleの設定(サーバ)" in Qt.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QLineEdit>
#include <QRadioButton>

#include "ui/qt/dialog_parts.h"
#include "ui/server_settings_form.h"

namespace ui::qt {

class ServerSettingsDialog : public QDialog {
 public:
  explicit ServerSettingsDialog(const ServerSettingsForm& form);
  void Read(ServerSettingsForm& form) const;

 private:
  void FollowRadios();

  QLineEdit* machineName_;
  QLineEdit* broadcastPort_;
  QRadioButton* automatic_;
  QRadioButton* manual_;
  QLineEdit* normalPort_;
  QCheckBox* sendRequest_;
  QCheckBox* timeout_;
  QLineEdit* timeoutTime_;
  QCheckBox* commandFullPath_;
  LogFileControls log_;
};

}  // namespace ui::qt
