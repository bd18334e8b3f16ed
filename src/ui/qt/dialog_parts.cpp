#include "ui/qt/dialog_parts.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>

namespace ui::qt {

QString Text(const std::string& utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

std::string Utf8(const QString& text) { return text.toUtf8().toStdString(); }

QLineEdit* AddLabeledEdit(QGridLayout* grid, int row, const char* label, const std::string& value) {
  auto* name = new QLabel(Text(label));
  auto* edit = new QLineEdit(Text(value));
  name->setBuddy(edit);
  grid->addWidget(name, row, 0);
  grid->addWidget(edit, row, 1);
  return edit;
}

QCheckBox* AddCheckBox(QGridLayout* grid, int row, const char* text, bool checked) {
  auto* box = new QCheckBox(Text(text));
  box->setChecked(checked);
  grid->addWidget(box, row, 0, 1, 2);
  return box;
}

void LogFileControls::FollowSaveBox() const {
  fileName->setEnabled(save->isChecked());
  browse->setEnabled(save->isChecked());
}

LogFileControls AddLogFileControls(QGridLayout* grid, int row, const char* saveText, bool save,
                                   const char* browseText, const std::string& fileName) {
  LogFileControls controls;
  controls.save = new QCheckBox(Text(saveText));
  controls.save->setChecked(save);
  grid->addWidget(controls.save, row, 0, 1, 2);

  auto* line = new QHBoxLayout;
  auto* label = new QLabel(Text("ファイル名："));
  controls.fileName = new QLineEdit(Text(fileName));
  label->setBuddy(controls.fileName);
  controls.browse = new QPushButton(Text(browseText));
  line->addWidget(label);
  line->addWidget(controls.fileName, 1);
  line->addWidget(controls.browse);
  grid->addLayout(line, row + 1, 0, 1, 2);

  controls.FollowSaveBox();
  QObject::connect(controls.save, &QCheckBox::toggled, [controls] { controls.FollowSaveBox(); });
  QLineEdit* edit = controls.fileName;
  QObject::connect(controls.browse, &QPushButton::clicked, [edit] {
    const QString chosen = QFileDialog::getSaveFileName(edit->window(), QString(), edit->text(),
                                                        Text("Text Files (*.txt);;All Files (*.*)"));
    if (!chosen.isEmpty()) edit->setText(chosen);
  });
  return controls;
}

void AddOkCancel(QDialog* dialog, QGridLayout* outer, int row) {
  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton(Text("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(Text("キャンセル"), QDialogButtonBox::RejectRole);
  ok->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  outer->addWidget(buttons, row, 0, 1, 2);
}

void UseDialogFont(QWidget* dialog) {
  QFont font;
  font.setFamilies({Text("Noto Sans CJK JP"), Text("IPAPGothic"), Text("VL PGothic"), Text("Sans Serif")});
  font.setPointSize(9);
  dialog->setFont(font);
}

}  // namespace ui::qt
