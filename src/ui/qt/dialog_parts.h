// Pieces the Qt settings dialogs share.
#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QGridLayout>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QString>
#include <functional>
#include <string>

namespace ui::qt {

QString Text(const std::string& utf8);
std::string Utf8(const QString& text);

// A label with its edit on one row of `grid`; the label's mnemonic moves to
// the edit.
QLineEdit* AddLabeledEdit(QGridLayout* grid, int row, const char* label, const std::string& value);

// A check box across both columns of `grid`.
QCheckBox* AddCheckBox(QGridLayout* grid, int row, const char* text, bool checked);

// The check box "save ... to a file" with the file-name edit and the browse
// button below it, which follow the box.
struct LogFileControls {
  QCheckBox* save = nullptr;
  QLineEdit* fileName = nullptr;
  QPushButton* browse = nullptr;
  void FollowSaveBox() const;
};
LogFileControls AddLogFileControls(QGridLayout* grid, int row, const char* saveText, bool save,
                                   const char* browseText, const std::string& fileName);

// "OK" and "キャンセル" at the bottom right, above them a line for why OK
// was refused. OK is the default button and the only one Enter presses; it
// ends the dialog only when `refusal` gives an empty text, else the dialog
// stays open showing that text.
void AddOkCancel(QDialog* dialog, QGridLayout* outer, int row, const std::function<std::string()>& refusal);

// The program's icon (dist/icon/bramle.png, built into the part).
QIcon ProgramIcon();

// The 9-point Japanese UI font the dialogs use.
void UseDialogFont(QWidget* dialog);

}  // namespace ui::qt
