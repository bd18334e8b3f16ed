#include "ui/qt/server_status_window.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/text.h"
#include "ui/qt/dialog_parts.h"

namespace ui::qt {
namespace {

constexpr int kAnnounceMilliseconds = 10 * 1000;

}  // namespace

ServerStatusWindow::ServerStatusWindow(ServerControls& controls, bool sendRequest) : controls_(controls) {
  setWindowTitle(Text("分散コンパイル"));
  UseDialogFont(this);
  auto* grid = new QGridLayout(this);
  grid->addWidget(new QLabel(Text("クライアント一覧")), 0, 0);
  list_ = new QTreeWidget;
  list_->setHeaderLabels({Text("クライアント名"), Text("IPアドレス"), Text("CPU速度"), Text("状況")});
  list_->setRootIsDecorated(false);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->setTextElideMode(Qt::ElideRight);
  const int widths[] = {110, 100, 60, 220};
  for (int column = 0; column < 4; ++column) list_->setColumnWidth(column, widths[column]);
  list_->setMinimumSize(520, 140);
  grid->addWidget(list_, 1, 0, 3, 1);
  count_ = new QLabel;
  grid->addWidget(count_, 4, 0);

  auto* buttons = new QVBoxLayout;
  auto* stopOne = new QPushButton(Text("ビルド中止（&B）"));
  auto* stopAll = new QPushButton(Text("全てビルド中止（&A）"));
  auto* close = new QPushButton(Text("閉じる"));
  buttons->addWidget(stopOne);
  buttons->addWidget(stopAll);
  buttons->addStretch(1);
  buttons->addWidget(close);
  grid->addLayout(buttons, 1, 1, 3, 1);

  grid->addWidget(new QLabel(Text("コンパイル状況:")), 5, 0);
  auto* progressLine = new QHBoxLayout;
  progress_ = new QProgressBar;
  progress_->setTextVisible(false);
  percent_ = new QLabel;
  percent_->setMinimumWidth(40);
  progressLine->addWidget(progress_, 1);
  progressLine->addWidget(percent_);
  grid->addLayout(progressLine, 6, 0, 1, 2);
  status_ = new QLabel;
  grid->addWidget(status_, 7, 0, 1, 2);

  connect(stopOne, &QPushButton::clicked, this, [this] {
    for (QTreeWidgetItem* item : list_->selectedItems()) controls_.CancelConnection(item->data(0, Qt::UserRole).toInt());
  });
  connect(stopAll, &QPushButton::clicked, this, [this] {
    StopAll();
    StatusText(platform::NarrowFromUtf8(kBuildStoppedText));
  });
  connect(close, &QPushButton::clicked, this, [this] {
    StopAll();
    accept();
  });
  connect(&announce_, &QTimer::timeout, this, [this] { controls_.Announce(); });
  if (sendRequest) announce_.start(kAnnounceMilliseconds);
  for (Change change : {Change::kRows, Change::kProgress, Change::kStatus}) Show(change);
}

void ServerStatusWindow::StopAll() {
  announce_.stop();
  controls_.StopServer();
}

void ServerStatusWindow::Show(Change change) {
  const ServerStatusModel& state = model();
  switch (change) {
    case Change::kRows: {
      // Rows change in place, so that a tick or a selection stays with its
      // connection; the model only removes rows and appends them.
      int index = 0;
      for (const ClientRow& row : state.rows()) {
        while (index < list_->topLevelItemCount() &&
               list_->topLevelItem(index)->data(0, Qt::UserRole).toInt() != row.connection)
          delete list_->takeTopLevelItem(index);
        QTreeWidgetItem* item = list_->topLevelItem(index);
        if (item == nullptr) {
          item = new QTreeWidgetItem(list_);
          item->setData(0, Qt::UserRole, row.connection);
          item->setCheckState(0, Qt::Unchecked);
        }
        const std::string columns[] = {row.name, row.address, row.cpuSpeed, row.status};
        for (int column = 0; column < 4; ++column) item->setText(column, Text(columns[column]));
        ++index;
      }
      while (list_->topLevelItemCount() > index) delete list_->takeTopLevelItem(index);
      count_->setText(Text(state.ClientCountText()));
      break;
    }
    case Change::kProgress:
      progress_->setRange(0, state.progressRange());
      progress_->setValue(std::min(state.progressPosition(), state.progressRange()));
      percent_->setText(Text(state.PercentText()));
      break;
    case Change::kStatus:
      status_->setText(Text(state.statusText()));
      break;
  }
}

void ServerStatusWindow::ShowMessageBox(const std::string& text) {
  QMessageBox::warning(this, Text("bramle"), Text(text));
}

}  // namespace ui::qt
