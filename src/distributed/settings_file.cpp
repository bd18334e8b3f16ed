#include "distributed/settings_file.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <type_traits>
#include <variant>

#include "distributed/settings_location.h"
#include "engine/name_compare.h"
#include "engine/path_parts.h"
#include "platform/directory.h"
#include "platform/file_status.h"
#include "platform/system_info.h"

namespace distributed {
namespace {

// A field of a SettingsFile, or of a const one.
template <typename T, typename Record>
using Like = std::conditional_t<std::is_const_v<Record>, const T, T>;

template <typename Record>
struct Field {
  const char* key;
  std::variant<Like<int, Record>*, Like<bool, Record>*, Like<std::string, Record>*> value;
  const char* heading;  // written before the field's line
};

constexpr const char* kClosing = "\n#End Config\n";

// Every key in the order the file lists them; the version comes first.
template <typename Record>
std::array<Field<Record>, 21> Fields(Record& file) {
  auto& c = file.client;
  auto& s = file.server;
  return {{
      {"Version", &file.version, "# This file use by BRAMLE\n# Do not changed\n\n"},
      {"client_bexec", &c.bexec, "\n# Client Config\n\n"},
      {"client_portno", &c.portNo, ""},
      {"client_machinemane", &c.machineName, ""},
      {"client_popupstatus", &c.popupStatus, ""},
      {"client_savelog", &c.saveLog, ""},
      {"client_savelogfile", &c.saveLogFile, ""},
      {"client_acceptreq", &c.acceptRequest, ""},
      {"client_noexecshellcmd", &c.noExecShellCommand, ""},
      {"client_allowservers", &c.allowServers, ""},
      {"server_machinename", &s.machineName, "\n# Server Config\n\n"},
      {"server_bcasrportno", &s.broadcastPortNo, ""},
      {"server_normalportauto", &s.normalPortAuto, ""},
      {"server_normalport", &s.normalPort, ""},
      {"server_sendrequest", &s.sendRequest, ""},
      {"server_timeout", &s.timeout, ""},
      {"server_timeouttime", &s.timeoutTime, ""},
      {"server_cmdfullpath", &s.commandFullPath, ""},
      {"server_savelog", &s.saveLog, ""},
      {"server_savelogfile", &s.saveLogFile, ""},
      {"server_allowclients", &s.allowClients, ""},
  }};
}

// The C library's white space. No byte of it is the second byte of a
// double-byte character, and neither are '#' and '=', so the line scans
// below need no lead-byte test.
constexpr std::string_view kWhiteSpace = " \t\n\v\f\r";

std::string_view TrimLeft(std::string_view text) {
  const size_t first = text.find_first_not_of(kWhiteSpace);
  return first == std::string_view::npos ? std::string_view() : text.substr(first);
}

std::string_view TrimRight(std::string_view text) {
  const size_t last = text.find_last_not_of(kWhiteSpace);
  return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

// The leading decimal number as a 32-bit long reads it: 0 when there is
// none, the nearest limit when it is out of range, on every build.
int ReadInteger(std::string_view value) {
  const long long number = std::strtoll(std::string(value).c_str(), nullptr, 10);
  if (number > INT_MAX) return INT_MAX;
  if (number < INT_MIN) return INT_MIN;
  return static_cast<int>(number);
}

struct Assign {
  std::string_view value;
  void operator()(int* field) const { *field = ReadInteger(value); }
  void operator()(bool* field) const { *field = value == "TRUE" || value == "true"; }
  void operator()(std::string* field) const { *field = std::string(value); }
};

struct Format {
  std::string& out;
  void operator()(const int* field) const { out += std::to_string(*field); }
  void operator()(const bool* field) const { out += *field ? "TRUE" : "FALSE"; }
  void operator()(const std::string* field) const { out += *field; }
};

std::string ReadWholeFile(std::FILE* file) {
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
  return text;
}

// Creates `directory` and whatever of its parents is missing.
bool MakeDirectories(const std::string& directory) {
  if (directory.empty() || platform::PathStatus(directory).directory) return true;
  const std::string parent = engine::SplitPath(directory).directory;
  if (parent.size() < directory.size()) MakeDirectories(parent);
  return platform::MakeDirectory(directory);
}

}  // namespace

SettingsFile::SettingsFile() : SettingsFile(DefaultSettingsPath(), platform::ComputerName()) {}

SettingsFile::SettingsFile(std::string path, std::string computerName)
    : path_(std::move(path)), computerName_(std::move(computerName)) {
  ResetSettings();
}

void SettingsFile::ResetSettings() {
  version = kSettingsVersion;
  client = ClientSettings();
  server = ServerSettings();
  client.machineName = computerName_;
  server.machineName = computerName_;
}

void SettingsFile::LoadSettings() {
  std::FILE* file = std::fopen(path_.c_str(), "r");
  if (!file) return;
  const std::string text = ReadWholeFile(file);
  std::fclose(file);

  const auto fields = Fields(*this);
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string_view line = TrimLeft(std::string_view(text).substr(start, end - start));
    start = end + 1;
    line = TrimRight(line.substr(0, line.find('#')));
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view key = TrimRight(line.substr(0, equals));
    const std::string_view value = TrimRight(TrimLeft(line.substr(equals + 1)));
    for (const auto& field : fields) {
      if (!engine::EqualsIgnoringCase(key, field.key)) continue;
      std::visit(Assign{value}, field.value);
      // A newer format may mean anything: keep nothing of it.
      if (&field == &fields.front() && version > kSettingsVersion) {
        ResetSettings();
        return;
      }
      break;
    }
  }
}

bool SettingsFile::SaveSettings() const {
  std::string text;
  for (const auto& field : Fields(*this)) {
    text += field.heading;
    text += field.key;
    text += " = ";
    std::visit(Format{text}, field.value);
    text += '\n';
  }
  text += kClosing;

  MakeDirectories(engine::SplitPath(path_).directory);
  std::FILE* file = std::fopen(path_.c_str(), "w");
  if (!file) return false;
  const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace distributed
