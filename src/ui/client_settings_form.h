// What the client settings dialog edits: the values as its controls hold
// them, and the rules that enable and reveal its controls.
#pragma once

#include <string>

#include "distributed/settings_file.h"

namespace ui {

struct ClientSettingsForm {
  std::string portNo;  // unsigned decimal
  std::string machineName;
  bool acceptRequest = false;
  bool popupStatus = false;
  bool noExecShellCommand = false;
  bool saveLog = false;
  std::string saveLogFile;
  // The hidden "Enable Passive Connect" box; never stored in the file.
  bool passiveConnect = false;

  static ClientSettingsForm From(const distributed::ClientSettings& settings);
  void CopyTo(distributed::ClientSettings& settings) const;
  // Empty when OK may store the values; else why not (as the server's).
  std::string Refusal() const;

  // The file-name edit and its browse button follow the save box.
  bool FileNameEnabled() const { return saveLog; }
};

// The passive box is revealed when the first two key presses in the dialog
// are Control followed by Pause; any other first two keys keep it hidden for
// the rest of the dialog.
class PassiveKeyGate {
 public:
  enum class Key { kControl, kPause, kOther };

  // True exactly when this press reveals the box.
  bool Press(Key key);
  bool revealed() const { return revealed_; }

 private:
  int presses_ = 0;
  bool controlFirst_ = false;
  bool revealed_ = false;
};

}  // namespace ui
