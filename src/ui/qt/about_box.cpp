#include "ui/qt/about_box.h"

#include <QApplication>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "ui/qt/dialog_parts.h"

namespace ui::qt {

AboutBox::AboutBox(const std::string& version) {
  setWindowTitle(Text("バージョン情報"));
  UseDialogFont(this);
  auto* grid = new QGridLayout(this);
  auto* icon = new QLabel;
  icon->setPixmap(ProgramIcon().pixmap(32, 32));
  grid->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
  grid->addWidget(new QLabel(Text("Bramle Version " + version)), 0, 1);
  grid->addWidget(new QLabel(Text("Copyright (C) the bramle developers")), 1, 1);
  auto* ok = new QPushButton(Text("OK"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  grid->addWidget(ok, 0, 2, Qt::AlignTop);
}

}  // namespace ui::qt
