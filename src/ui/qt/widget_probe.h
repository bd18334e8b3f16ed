// WindowProbe over an open Qt dialog.
#pragma once

#include <QDialog>

#include "ui/window_toolkit.h"

namespace ui::qt {

class WidgetProbe : public WindowProbe {
 public:
  explicit WidgetProbe(QDialog* dialog) : dialog_(dialog) {}
  int ControlEnabled(const std::string& text) override;
  bool Click(const std::string& text) override;
  bool Checked(const std::string& text) override;
  void PressEnter(const std::string& text) override;
  std::string EditText(const std::string& label) override;
  std::string Title() override;
  void Close(bool ok) override;

 private:
  QDialog* dialog_;
};

// Runs the dialog modally with `probe` acting once it is shown; true when it
// ended with OK.
bool RunDialog(QDialog& dialog, const ProbeScript& probe);

}  // namespace ui::qt
