#include "ui/qt/server_settings_dialog.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>

namespace ui::qt {
ServerSettingsDialog::ServerSettingsDialog(const ServerSettingsForm& form) {
  setWindowTitle(Text("Bramleの設定(サーバ)"));
  UseDialogFont(this);
  auto* outer = new QGridLayout(this);

  auto* network = new QGroupBox(Text("ネットワーク"));
  auto* networkGrid = new QGridLayout(network);
  machineName_ = AddLabeledEdit(networkGrid, 0, "マシン名(&N):", form.machineName);
  broadcastPort_ = AddLabeledEdit(networkGrid, 1, "ブロードキャスト時のポート番号(&B):", form.broadcastPortNo);
  outer->addWidget(network, 0, 0, 1, 2);

  auto* port = new QGroupBox(Text("通常接続時のポート"));
  auto* portGrid = new QGridLayout(port);
  automatic_ = new QRadioButton(Text("自動的に設定する(&A)"));
  manual_ = new QRadioButton(Text("手動設定する(&P)"));
  (form.normalPortAuto ? automatic_ : manual_)->setChecked(true);
  automatic_->setEnabled(form.AutomaticRadioEnabled());
  portGrid->addWidget(automatic_, 0, 0, 1, 2);
  portGrid->addWidget(manual_, 1, 0, 1, 2);
  normalPort_ = AddLabeledEdit(portGrid, 2, "割り当てるポート番号(&T):", form.normalPort);
  outer->addWidget(port, 1, 0, 1, 2);
  FollowRadios();
  connect(automatic_, &QRadioButton::toggled, this, [this] { FollowRadios(); });

  auto* compile = new QGroupBox(Text("分散コンパイル"));
  auto* compileGrid = new QGridLayout(compile);
  sendRequest_ = AddCheckBox(compileGrid, 0, "分散コンパイル実行中も接続要求を送信する(&R)", form.sendRequest);
  auto* timeoutLine = new QHBoxLayout;
  timeout_ = new QCheckBox(Text("分散コンパイルのタイムアウトを設定する(&M)"));
  timeout_->setChecked(form.timeout);
  timeoutTime_ = new QLineEdit(Text(form.timeoutTime));
  timeoutTime_->setMaximumWidth(60);
  timeoutLine->addWidget(timeout_);
  timeoutLine->addWidget(timeoutTime_);
  timeoutLine->addWidget(new QLabel(Text("分")));
  timeoutLine->addStretch(1);
  compileGrid->addLayout(timeoutLine, 1, 0, 1, 2);
  commandFullPath_ = AddCheckBox(compileGrid, 2, "実行コマンドはフォルダ名を抜いたコマンド名だけを送信する(&C)", form.commandFullPath);
  log_ = AddLogFileControls(compileGrid, 3, "接続状況をファイルに保存する(&S)", form.saveLog, "参照...", form.saveLogFile);
  outer->addWidget(compile, 2, 0, 1, 2);

  AddOkCancel(this, outer, 3, [this] {
    ServerSettingsForm shown;
    Read(shown);
    return shown.Refusal();
  });
}

void ServerSettingsDialog::FollowRadios() {
  normalPort_->setEnabled(manual_->isChecked());
  // Tab enters the pair at the ticked radio, as on Windows; the arrow keys
  // move within it.
  for (QRadioButton* radio : {automatic_, manual_})
    radio->setFocusPolicy(radio->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
}

void ServerSettingsDialog::Read(ServerSettingsForm& form) const {
  form.machineName = Utf8(machineName_->text());
  form.broadcastPortNo = Utf8(broadcastPort_->text());
  form.normalPortAuto = automatic_->isChecked();
  form.normalPort = Utf8(normalPort_->text());
  form.sendRequest = sendRequest_->isChecked();
  form.timeout = timeout_->isChecked();
  form.timeoutTime = Utf8(timeoutTime_->text());
  form.commandFullPath = commandFullPath_->isChecked();
  form.saveLog = log_.save->isChecked();
  form.saveLogFile = Utf8(log_.fileName->text());
}

}  // namespace ui::qt
