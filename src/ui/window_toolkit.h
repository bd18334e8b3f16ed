// The windows of the distributed mode as one toolkit offers them. The Windows
// build has them built in; the Linux build loads them with Qt from a part of
// its own, only when a display is there.
#pragma once

#include <functional>
#include <string>

#include "distributed/client_view.h"
#include "distributed/server_view.h"
#include "ui/client_settings_form.h"
#include "ui/resident_menu.h"
#include "ui/server_settings_form.h"
#include "ui/server_status_view.h"

namespace ui {

// An open window's controls, found by their texts ("&" marks included), for
// the smoke tests. Every call runs on the window's
// thread while the window is open.
class WindowProbe {
 public:
  virtual ~WindowProbe() = default;
  // 1 enabled, 0 disabled, -1 no visible control has this text.
  virtual int ControlEnabled(const std::string& text) = 0;
  // Clicks the button, check box or radio with this text, else presses the
  // space bar on the list row whose first column reads it; false when there
  // is neither.
  virtual bool Click(const std::string& text) = 0;
  // Gives the control with this text (as for ControlEnabled) the focus and
  // presses Enter there, as a typing user would; the menu has none.
  virtual void PressEnter(const std::string&) {}
  // The text in the edit named by the label `label`.
  virtual std::string EditText(const std::string& label) = 0;
  // Whether the check box, radio or list row (as for Click) with this text
  // is ticked.
  virtual bool Checked(const std::string& text) = 0;
  // The window's title.
  virtual std::string Title() = 0;
  // Ends the window as "OK" or "キャンセル" would.
  virtual void Close(bool ok) = 0;
};

// Runs once the window is shown, in place of the user.
using ProbeScript = std::function<void(WindowProbe&)>;

using ServerStart = std::function<bool(distributed::ServerView&)>;
using ClientStart = std::function<bool(distributed::ClientView&)>;
using WindowEnded = std::function<void()>;

class WindowToolkit {
 public:
  virtual ~WindowToolkit() = default;
  // The modal settings dialogs; true when OK ended them, with `form` holding
  // the values shown then.
  virtual bool RunClientSettings(ClientSettingsForm& form, const ProbeScript& probe) = 0;
  virtual bool RunServerSettings(ServerSettingsForm& form, const ProbeScript& probe) = 0;
  virtual void RunAboutBox(const std::string& version, const ProbeScript& probe) = 0;

  // Shows the server's status window until it is closed. `started` runs on
  // the window thread once the window exists and gets the view the server
  // is to call (false closes the window at once); the view's calls may come
  // from any thread, are carried out on the window thread, and do nothing
  // once the window has been closed. `ended` runs on the window thread after
  // the window has closed, while the view still exists: whatever calls the
  // view must be done with it when `ended` returns. With `sendRequest` the
  // window calls Announce every 10 seconds.
  virtual void RunServerStatus(ServerControls& controls, bool sendRequest, const ServerStart& started,
                               const WindowEnded& ended, const ProbeScript& probe) = 0;
  // Shows the client's status window ("状況") until "閉じる" or its close
  // box; `started` and `ended` as for the server's window.
  virtual void RunClientWindow(const ClientStart& started, const WindowEnded& ended, const ProbeScript& probe) = 0;
  // Runs the resident client's hidden main window with its notification-area
  // icon and menu, and the client's status window hidden until shown, until
  // the menu's "終了(&X)". `started` and `ended` as for the server's window;
  // the probe acts on the menu ("&" marks included; Close(true) exits).
  virtual void RunResident(ResidentClient& client, const std::string& version, const ClientStart& started,
                           const WindowEnded& ended, const ProbeScript& probe) = 0;
  // Any thread: ends RunResident as "終了(&X)" does, also when it has not
  // started yet.
  virtual void EndResident() = 0;
};

// The toolkit of this build, or null where no window can be shown (no
// display, or the window part cannot be loaded).
WindowToolkit* OpenWindowToolkit();

}  // namespace ui
