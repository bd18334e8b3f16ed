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

void AddOkCancel(QDialog* dialog, QGridLayout* outer, int row, const std::function<std::string()>& refusal) {
  auto* problem = new QLabel;
  problem->setWordWrap(true);
  problem->hide();
  outer->addWidget(problem, row, 0, 1, 2);
  auto* buttons = new QDialogButtonBox;
  QPushButton* ok = buttons->addButton(Text("OK"), QDialogButtonBox::AcceptRole);
  buttons->addButton(Text("キャンセル"), QDialogButtonBox::RejectRole);
  outer->addWidget(buttons, row + 1, 0, 1, 2);
  // A push button that had the focus would otherwise take Enter for itself
  // (参照 opening its file dialog); the default is set once OK is inside
  // the dialog, where the dialog can know it.
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) button->setAutoDefault(false);
  ok->setDefault(true);
  QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, [dialog, problem, refusal] {
    const std::string why = refusal();
    if (why.empty()) {
      dialog->accept();
      return;
    }
    problem->setText(Text(why));
    problem->show();
  });
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
}

QIcon ProgramIcon() { return QIcon(":/bramle.png"); }

void UseDialogFont(QWidget* dialog) {
  QFont font;
  font.setFamilies({Text("Noto Sans CJK JP"), Text("IPAPGothic"), Text("VL PGothic"), Text("Sans Serif")});
  font.setPointSize(9);
  dialog->setFont(font);
}

}  // namespace ui::qt
