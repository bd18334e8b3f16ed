// The settings of the distributed build, kept in the text file "Bramle.inf":
// one "key = value" line per setting, read back without regard to the
// key's case.
#pragma once

#include <string>

namespace distributed {

inline constexpr int kSettingsVersion = 1;

struct ClientSettings {
  bool bexec = true;  // stored and read back only
  int portNo = 4311;  // UDP port the announcements arrive on
  std::string machineName;
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
  std::string machineName;
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

class SettingsFile {
 public:
  // The file at DefaultSettingsPath(); the machine names default to the
  // computer's name.
  SettingsFile();
  SettingsFile(std::string path, std::string computerName);

  // Every value to its default, the version to kSettingsVersion.
  void ResetSettings();

  // Reads the file over the current values. A missing or unreadable file
  // leaves them as they are; a file of a newer version gives the defaults.
  void LoadSettings();

  // Writes every value; false when the file cannot be written. The
  // directory is created when it does not exist yet.
  bool SaveSettings() const;

  const std::string& path() const { return path_; }
  void SetPath(std::string path) { path_ = std::move(path); }

  int version = kSettingsVersion;
  ClientSettings client;
  ServerSettings server;

 private:
  std::string path_;
  std::string computerName_;
};

}  // namespace distributed
