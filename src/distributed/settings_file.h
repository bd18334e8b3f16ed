// The settings of the distributed build, kept in the text file "Bramle.inf":
// one "key = value" line per setting, read back without regard to the
// key's case.
#pragma once

#include <string>
#include <vector>

namespace distributed {

inline constexpr int kSettingsVersion = 1;

struct ClientSettings {
  bool bexec = true;  // stored and read back only
  int portNo = 4311;  // UDP port the announcements arrive on
  std::string machineName;  // empty: unset, the computer's name (MachineNameOrComputerName)
  bool popupStatus = true;
  bool saveLog = false;
  std::string saveLogFile = "bramle_clog.txt";
  bool acceptRequest = false;
  bool noExecShellCommand = true;
  // The servers whose announcements and connections are accepted (see
  // peer_allow_list.h); empty accepts every server.
  std::string allowServers;

  bool operator==(const ClientSettings&) const = default;
};

struct ServerSettings {
  std::string machineName;  // empty: unset, the computer's name
  int broadcastPortNo = 4311;
  bool normalPortAuto = false;
  int normalPort = 4312;
  bool sendRequest = true;
  bool timeout = true;
  int timeoutTime = 10;  // minutes
  bool saveLog = false;
  std::string saveLogFile = "bramle_slog.txt";
  bool commandFullPath = true;
  // The clients served (see peer_allow_list.h); empty serves every client.
  std::string allowClients;

  bool operator==(const ServerSettings&) const = default;
};

// A machine name of the settings, or the computer's name when it is unset.
// The computer's name is asked for each time, never stored, so that a
// settings file copied to another machine names that machine.
std::string MachineNameOrComputerName(const std::string& machineName);
// The machine name after a user confirmed `shown` in a dialog that showed
// MachineNameOrComputerName(machineName): an unset name stays unset while
// the computer's name stands there unchanged.
std::string ConfirmedMachineName(const std::string& shown, const std::string& machineName);

class SettingsFile {
 public:
  // The file at DefaultSettingsPath().
  SettingsFile();
  explicit SettingsFile(std::string path);

  // Every value to its default, the version to kSettingsVersion.
  void ResetSettings();

  // Reads the file over the current values. A missing or unreadable file
  // leaves them as they are; a file of a newer version gives the defaults.
  // A number that is no number leaves its value as it was; the texts that
  // say so are returned, for the caller to show as warnings.
  std::vector<std::string> LoadSettings();

  // Writes every value, except the machine names that are unset (a user
  // never gave one) and, as it was read, a number that could not be read
  // and has not been changed since; false when the file cannot be
  // written. The directory is created when it does not exist yet.
  bool SaveSettings() const;

  const std::string& path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  int version = kSettingsVersion;
  ClientSettings client;
  ServerSettings server;

 private:
  // A number line of the file that could not be read, and the value that
  // was kept instead.
  struct UnreadNumber {
    const char* key;
    std::string text;
    int kept;
  };

  std::string path_;
  std::vector<UnreadNumber> unreadNumbers_;
};

}  // namespace distributed
