#include "ui/qt/resident_window.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include "diag/message_catalogue.h"
#include "platform/console.h"
#include "ui/qt/dialog_parts.h"

namespace ui::qt {
namespace {

// The menu as a probe sees it: entries by their texts.
class MenuProbe : public WindowProbe {
 public:
  explicit MenuProbe(ResidentWindowQt& resident) : resident_(resident) {}
  int ControlEnabled(const std::string& text) override {
    QAction* action = Find(text);
    return action ? action->isEnabled() : -1;
  }
  bool Click(const std::string& text) override {
    QAction* action = Find(text);
    if (action == nullptr || !action->isEnabled()) return false;
    action->trigger();
    return true;
  }
  bool Checked(const std::string& text) override {
    QAction* action = Find(text);
    return action && action->isChecked();
  }
  std::string EditText(const std::string&) override { return std::string(); }
  std::string Title() override { return kResidentWindowName; }
  void Close(bool) override { resident_.Exit(); }

 private:
  QAction* Find(const std::string& text) {
    resident_.Refresh();
    for (QAction* action : resident_.menu().actions())
      if (!action->isSeparator() && action->text() == Text(text)) return action;
    return nullptr;
  }

  ResidentWindowQt& resident_;
};

}  // namespace

ResidentWindowQt::ResidentWindowQt(ResidentClient& client, ClientWindow& status, WindowToolkit& toolkit,
                                   std::string version)
    : model_(client, *this), status_(status), toolkit_(toolkit), version_(std::move(version)) {
  UseDialogFont(&menu_);
  QObject::connect(&menu_, &QMenu::aboutToShow, [this] { Refresh(); });
  if (QSystemTrayIcon::isSystemTrayAvailable()) {
    icon_ = std::make_unique<QSystemTrayIcon>(ProgramIcon());
    icon_->setToolTip(Text(kNotifyTip));
    icon_->setContextMenu(&menu_);
    icon_->show();
  }
}

void ResidentWindowQt::Refresh() {
  menu_.clear();
  for (const MenuEntry& entry : model_.Entries()) {
    if (entry.command == MenuCommand::kSeparator) {
      menu_.addSeparator();
      continue;
    }
    QAction* action = menu_.addAction(Text(entry.text));
    action->setEnabled(entry.enabled);
    action->setCheckable(entry.command == MenuCommand::kDisable);
    action->setChecked(entry.checked);
    const MenuCommand command = entry.command;
    QObject::connect(action, &QAction::triggered, &menu_, [this, command] { model_.Choose(command); });
  }
}

void ResidentWindowQt::Run(const ProbeScript& probe) {
  // Without a notification area nothing would show that the client runs:
  // its status window stands in, and closing it ends the client.
  if (!icon_) {
    platform::WriteStderr(diag::LoadMessage(diag::msg::kNoNotificationArea) + "\n");
    ShowClientWindow();
    QObject::connect(&status_, &QDialog::finished, &menu_, [this] { Exit(); });
  }
  MenuProbe menuProbe(*this);
  if (probe) QTimer::singleShot(0, &menu_, [&] { probe(menuProbe); });
  loop_.exec();
  if (icon_) icon_->hide();
}

void ResidentWindowQt::ShowClientWindow() {
  status_.show();
  status_.raise();
  status_.activateWindow();
}

bool ResidentWindowQt::RunClientSettings(ClientSettingsForm& form) { return toolkit_.RunClientSettings(form, {}); }

void ResidentWindowQt::RunAboutBox() { toolkit_.RunAboutBox(version_, {}); }

void ResidentWindowQt::Warn(const std::string& text, bool okCancel) {
  QMessageBox::warning(nullptr, Text("Bramle"), Text(text),
                       okCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
}

void ResidentWindowQt::Exit() { loop_.quit(); }

}  // namespace ui::qt
