// A modal dialog from the resource script, with a WindowProbe over it.
#pragma once

#include <windows.h>

#include <mutex>
#include <string>

#include "ui/window_carrier.h"
#include "ui/window_toolkit.h"

namespace ui::win32 {

std::wstring Wide(const std::string& utf8);
std::string Utf8(const std::wstring& wide);

// Narrow texts (the ANSI code page) in and out of a control.
void SetItemText(HWND dialog, int id, const std::string& text);
std::string ItemText(HWND dialog, int id);
void SetItemChecked(HWND dialog, int id, bool checked);
bool ItemChecked(HWND dialog, int id);
void EnableItem(HWND dialog, int id, bool enabled);

// Calls from other threads are sent to the dialog, which carries them out on
// its own thread while the sender waits, or posted to it without a wait.
class Dialog : public WindowCarrier {
 public:
  // Runs the dialog `resourceId` modally; true when it ended with OK.
  bool Run(int resourceId, const ProbeScript& probe);
  // Creates the dialog `resourceId` hidden and modeless: ending it hides it.
  HWND Create(int resourceId);
  void Post(std::function<void()> call) override;

 protected:
  virtual void Initialize(HWND dialog) = 0;
  virtual void Command(HWND, int /*id*/) {}
  // Called on OK before the dialog ends: read the controls back; false
  // keeps the dialog open.
  virtual bool Accept(HWND) { return true; }
  // Any other message; true when it was dealt with.
  virtual bool Message(HWND, UINT, WPARAM, LPARAM) { return false; }
  // Ends a modal dialog with `result`; hides a modeless one.
  void End(HWND dialog, int result);

 private:
  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  const ProbeScript* probe_ = nullptr;
  bool modeless_ = false;
  HWND window_ = nullptr;
  std::mutex mutex_;
  bool closed_ = false;
};

// Shows `refusal` in the settings dialogs' IDC_SETTINGS_REFUSAL line; true
// when there is none.
bool ShowRefusal(HWND dialog, const std::string& refusal);

// The browse button: a save-as dialog starting from the edit's name; the
// chosen full path replaces it.
void BrowseForLogFile(HWND dialog, int editId);

}  // namespace ui::win32
