#include "ui/qt/client_settings_dialog.h"

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>

namespace ui::qt {
namespace {

PassiveKeyGate::Key GateKey(int key) {
  if (key == Qt::Key_Control) return PassiveKeyGate::Key::kControl;
  if (key == Qt::Key_Pause) return PassiveKeyGate::Key::kPause;
  return PassiveKeyGate::Key::kOther;
}

}  // namespace

ClientSettingsDialog::ClientSettingsDialog(const ClientSettingsForm& form) {
  setWindowTitle(Text("Bramleの設定(クライアント)"));
  UseDialogFont(this);
  auto* outer = new QGridLayout(this);

  auto* network = new QGroupBox(Text("ネットワーク"));
  auto* networkGrid = new QGridLayout(network);
  port_ = AddLabeledEdit(networkGrid, 0, "ブロードキャスト時のポート番号(&B):", form.portNo);
  machineName_ = AddLabeledEdit(networkGrid, 1, "マシン名(&N):", form.machineName);
  outer->addWidget(network, 0, 0, 1, 2);

  auto* compile = new QGroupBox(Text("コンパイル動作"));
  auto* compileGrid = new QGridLayout(compile);
  acceptRequest_ = AddCheckBox(compileGrid, 0, "接続要求を受けると、接続するかどうかのダイアログを開く(&A)", form.acceptRequest);
  popupStatus_ = AddCheckBox(compileGrid, 1, "分散コンパイルが始まると、自動的に「状況」ダイアログを開く(&O)", form.popupStatus);
  noExecShellCommand_ = AddCheckBox(compileGrid, 2, "DOS内部コマンドの実行要求が来ても、実行しない(&D)", form.noExecShellCommand);
  log_ = AddLogFileControls(compileGrid, 3, "「状況」をファイルに保存する(&S)", form.saveLog, "参照", form.saveLogFile);
  outer->addWidget(compile, 1, 0, 1, 2);

  passive_ = new QCheckBox(Text("Enable Passive Connect"));
  passive_->setChecked(false);
  passive_->hide();
  outer->addWidget(passive_, 2, 0, 1, 2);
  AddOkCancel(this, outer, 3, [this] {
    ClientSettingsForm shown;
    Read(shown);
    return shown.Refusal();
  });

  // Key presses go to whichever control has the focus; the application sees
  // them all.
  qApp->installEventFilter(this);
}

bool ClientSettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  // A key press travels from the focused control up to its parents; it is
  // counted once, where it starts.
  if (event->type() == QEvent::KeyPress && watched == QApplication::focusWidget() && isAncestorOf(focusWidget())) {
    const auto* key = static_cast<QKeyEvent*>(event);
    if (!key->isAutoRepeat() && gate_.Press(GateKey(key->key()))) passive_->show();
  }
  return QDialog::eventFilter(watched, event);
}

void ClientSettingsDialog::Read(ClientSettingsForm& form) const {
  form.portNo = Utf8(port_->text());
  form.machineName = Utf8(machineName_->text());
  form.acceptRequest = acceptRequest_->isChecked();
  form.popupStatus = popupStatus_->isChecked();
  form.noExecShellCommand = noExecShellCommand_->isChecked();
  form.saveLog = log_.save->isChecked();
  form.saveLogFile = Utf8(log_.fileName->text());
  form.passiveConnect = passive_->isChecked();
}

}  // namespace ui::qt
