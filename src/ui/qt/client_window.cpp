#include "ui/qt/client_window.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "ui/qt/dialog_parts.h"

namespace ui::qt {
namespace {

QLineEdit* AddReadOnlyLine(QGridLayout* grid, int row, const char* label) {
  QLineEdit* edit = AddLabeledEdit(grid, row, label, "");
  edit->setReadOnly(true);
  return edit;
}

}  // namespace

ClientWindow::ClientWindow() {
  setWindowTitle(Text("状況"));
  UseDialogFont(this);
  auto* grid = new QGridLayout(this);
  address_ = AddReadOnlyLine(grid, 0, "接続先アドレス：");
  name_ = AddReadOnlyLine(grid, 1, "マシン名：");
  auto* label = new QLabel(Text("状況："));
  activity_ = new QPlainTextEdit;
  activity_->setReadOnly(true);
  activity_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  activity_->setMinimumSize(420, 180);
  label->setBuddy(activity_);
  grid->addWidget(label, 2, 0, 1, 2);
  grid->addWidget(activity_, 3, 0, 1, 2);
  auto* buttons = new QHBoxLayout;
  auto* clear = new QPushButton(Text("クリア"));
  auto* close = new QPushButton(Text("閉じる"));
  buttons->addStretch(1);
  buttons->addWidget(clear);
  buttons->addWidget(close);
  grid->addLayout(buttons, 4, 0, 1, 2);
  connect(clear, &QPushButton::clicked, this, [this] { ClearActivity(); });
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
}

void ClientWindow::Show(Change change) {
  switch (change) {
    case Change::kServer:
      address_->setText(Text(model().address()));
      name_->setText(Text(model().name()));
      break;
    case Change::kLineAdded: {
      // The line's own CR LF is the edit's line break.
      const std::string& line = model().lastLine();
      activity_->appendPlainText(Text(line.substr(0, line.size() - 2)));
      activity_->ensureCursorVisible();
      break;
    }
    case Change::kActivityCleared:
      activity_->clear();
      break;
  }
}

bool ClientWindow::AskYesNo(const std::string& text) {
  QMessageBox box(QMessageBox::Question, Text(kInquiryCaption), Text(text), QMessageBox::Yes | QMessageBox::No, this);
  box.setWindowFlag(Qt::WindowStaysOnTopHint);
  box.raise();
  box.activateWindow();
  return box.exec() == QMessageBox::Yes;
}

}  // namespace ui::qt
