#include "ui/qt/widget_probe.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QTreeWidget>

#include "ui/qt/dialog_parts.h"

namespace ui::qt {
namespace {

// The visible control shown with `text`; a label stands for the control it
// names.
QWidget* FindControl(QDialog* dialog, const std::string& text) {
  const QString wanted = Text(text);
  for (QWidget* widget : dialog->findChildren<QWidget*>()) {
    if (!widget->isVisible()) continue;
    if (auto* button = qobject_cast<QAbstractButton*>(widget); button && button->text() == wanted) return button;
    if (auto* label = qobject_cast<QLabel*>(widget); label && label->text() == wanted)
      return label->buddy() ? label->buddy() : label;
    if (auto* group = qobject_cast<QGroupBox*>(widget); group && group->title() == wanted) return group;
  }
  return nullptr;
}

// The list row whose first column reads `text`.
QTreeWidgetItem* FindRow(QDialog* dialog, const std::string& text) {
  for (QTreeWidget* list : dialog->findChildren<QTreeWidget*>()) {
    const QList<QTreeWidgetItem*> rows = list->findItems(Text(text), Qt::MatchExactly);
    if (!rows.isEmpty()) return rows.front();
  }
  return nullptr;
}

}  // namespace

int WidgetProbe::ControlEnabled(const std::string& text) {
  QWidget* control = FindControl(dialog_, text);
  return control ? control->isEnabled() : -1;
}

bool WidgetProbe::Click(const std::string& text) {
  if (auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog_, text))) {
    button->click();
    return true;
  }
  QTreeWidgetItem* row = FindRow(dialog_, text);
  if (row == nullptr) return false;
  row->treeWidget()->setCurrentItem(row);
  QKeyEvent space(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, " ");
  QCoreApplication::sendEvent(row->treeWidget(), &space);
  return true;
}

bool WidgetProbe::Checked(const std::string& text) {
  if (auto* button = qobject_cast<QAbstractButton*>(FindControl(dialog_, text))) return button->isChecked();
  QTreeWidgetItem* row = FindRow(dialog_, text);
  return row && row->checkState(0) == Qt::Checked;
}

void WidgetProbe::PressEnter(const std::string& text) {
  QWidget* control = FindControl(dialog_, text);
  if (control == nullptr) return;
  control->setFocus();
  QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QCoreApplication::sendEvent(control, &enter);
}

std::string WidgetProbe::EditText(const std::string& label) {
  QWidget* control = FindControl(dialog_, label);
  if (auto* line = qobject_cast<QLineEdit*>(control)) return Utf8(line->text());
  if (auto* text = qobject_cast<QPlainTextEdit*>(control)) return Utf8(text->toPlainText());
  return std::string();
}

std::string WidgetProbe::Title() { return Utf8(dialog_->windowTitle()); }

void WidgetProbe::Close(bool ok) { dialog_->done(ok ? QDialog::Accepted : QDialog::Rejected); }

bool RunDialog(QDialog& dialog, const ProbeScript& probe) {
  WidgetProbe widgetProbe(&dialog);
  if (probe) QTimer::singleShot(0, &dialog, [&] { probe(widgetProbe); });
  return dialog.exec() == QDialog::Accepted;
}

}  // namespace ui::qt
