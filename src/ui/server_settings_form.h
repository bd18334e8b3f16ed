// What the server settings dialog edits: the values as its controls hold
// them, and the rules that enable its controls.
#pragma once

#include <string>

#include "distributed/settings_file.h"

namespace ui {

struct ServerSettingsForm {
  std::string machineName;
  std::string broadcastPortNo;
  bool normalPortAuto = false;  // the first radio
  std::string normalPort;
  bool sendRequest = false;
  bool timeout = false;
  std::string timeoutTime;
  bool commandFullPath = false;
  bool saveLog = false;
  std::string saveLogFile;
  // Whether this system can list its TCP ports, which the automatic port
  // choice needs.
  bool automaticPortAvailable = true;

  // Where the automatic choice is unavailable the manual radio is selected.
  static ServerSettingsForm From(const distributed::ServerSettings& settings, bool automaticPortAvailable);
  void CopyTo(distributed::ServerSettings& settings) const;
  // Empty when OK may store the values; else why not, for the dialog to
  // show while it stays open.
  std::string Refusal() const;

  bool AutomaticRadioEnabled() const { return automaticPortAvailable; }
  // The port edit is enabled only while the manual radio is selected.
  bool PortEnabled() const { return !normalPortAuto; }
  bool FileNameEnabled() const { return saveLog; }
};

}  // namespace ui
