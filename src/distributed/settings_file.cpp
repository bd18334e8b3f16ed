#include "distributed/settings_file.h"

#include <array>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <type_traits>
#include <variant>

#include "diag/message_catalogue.h"
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
  bool unsetWhenEmpty = false;  // an empty text is not written at all
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
      {"client_machinemane", &c.machineName, "", true},
      {"client_popupstatus", &c.popupStatus, ""},
      {"client_savelog", &c.saveLog, ""},
      {"client_savelogfile", &c.saveLogFile, ""},
      {"client_acceptreq", &c.acceptRequest, ""},
      {"client_noexecshellcmd", &c.noExecShellCommand, ""},
      {"client_allowservers", &c.allowServers, ""},
      {"server_machinename", &s.machineName, "\n# Server Config\n\n", true},
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

// The leading decimal number as a 32-bit long reads it, the nearest limit
// when it is out of range, on every build; false, and `number` left alone,
// when the value does not begin with one.
bool ReadInteger(std::string_view value, int& number) {
  const std::string text(value);
  char* end = nullptr;
  const long long read = std::strtoll(text.c_str(), &end, 10);
  if (end == text.c_str()) return false;
  number = read > INT_MAX ? INT_MAX : read < INT_MIN ? INT_MIN : static_cast<int>(read);
  return true;
}

// False for a number that could not be read.
struct Assign {
  std::string_view value;
  bool operator()(int* field) const { return ReadInteger(value, *field); }
  bool operator()(bool* field) const {
    *field = value == "TRUE" || value == "true";
    return true;
  }
  bool operator()(std::string* field) const {
    *field = std::string(value);
    return true;
  }
};

// `unread`: the text a number line had when it could not be read, written
// back while the value is the one kept then.
struct Format {
  std::string& out;
  const std::string* unread;
  int kept;
  void operator()(const int* field) const { out += unread && *field == kept ? *unread : std::to_string(*field); }
  void operator()(const bool* field) const { out += *field ? "TRUE" : "FALSE"; }
  void operator()(const std::string* field) const { out += *field; }
};

bool IsUnsetText(const std::variant<const int*, const bool*, const std::string*>& value) {
  const std::string* const* text = std::get_if<const std::string*>(&value);
  return text && (*text)->empty();
}

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

std::string MachineNameOrComputerName(const std::string& machineName) {
  return machineName.empty() ? platform::ComputerName() : machineName;
}

std::string ConfirmedMachineName(const std::string& shown, const std::string& machineName) {
  return machineName.empty() && shown == platform::ComputerName() ? std::string() : shown;
}

SettingsFile::SettingsFile() : SettingsFile(DefaultSettingsPath()) {}

SettingsFile::SettingsFile(std::string path) : path_(std::move(path)) { ResetSettings(); }

void SettingsFile::ResetSettings() {
  version = kSettingsVersion;
  client = ClientSettings();
  server = ServerSettings();
  unreadNumbers_.clear();
}

std::vector<std::string> SettingsFile::LoadSettings() {
  std::vector<std::string> warnings;
  std::FILE* file = std::fopen(path_.c_str(), "r");
  if (!file) return warnings;
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
      std::erase_if(unreadNumbers_,
                    [&](const UnreadNumber& unread) { return std::string_view(unread.key) == field.key; });
      if (!std::visit(Assign{value}, field.value)) {
        const int kept = *std::get<int*>(field.value);
        unreadNumbers_.push_back({field.key, std::string(value), kept});
        warnings.push_back(
            diag::FormatCatalogMessage(diag::msg::kSettingNotANumber, path_, field.key, std::string(value), kept));
      }
      // A newer format may mean anything: keep nothing of it.
      if (&field == &fields.front() && version > kSettingsVersion) {
        ResetSettings();
        warnings.clear();
        return warnings;
      }
      break;
    }
  }
  return warnings;
}

bool SettingsFile::SaveSettings() const {
  std::string text;
  for (const auto& field : Fields(*this)) {
    text += field.heading;
    if (field.unsetWhenEmpty && IsUnsetText(field.value)) continue;
    text += field.key;
    text += " = ";
    const UnreadNumber* unread = nullptr;
    for (const UnreadNumber& each : unreadNumbers_) {
      if (std::string_view(each.key) == field.key) unread = &each;
    }
    std::visit(Format{text, unread ? &unread->text : nullptr, unread ? unread->kept : 0}, field.value);
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
