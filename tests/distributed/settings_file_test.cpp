#include "distributed/settings_file.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "diag/message_catalogue.h"
#include "platform/system_info.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace distributed::test {
namespace {

using testing_support::Narrow;
using testing_support::OnDisk;

const char kDefaultFile[] =
    "# This file use by BRAMLE\n"
    "# Do not changed\n"
    "\n"
    "Version = 1\n"
    "\n"
    "# Client Config\n"
    "\n"
    "client_bexec = TRUE\n"
    "client_portno = 4311\n"
    "client_popupstatus = TRUE\n"
    "client_savelog = FALSE\n"
    "client_savelogfile = bramle_clog.txt\n"
    "client_acceptreq = FALSE\n"
    "client_noexecshellcmd = TRUE\n"
    "client_allowservers = \n"
    "\n"
    "# Server Config\n"
    "\n"
    "server_bcasrportno = 4311\n"
    "server_normalportauto = FALSE\n"
    "server_normalport = 4312\n"
    "server_sendrequest = TRUE\n"
    "server_timeout = TRUE\n"
    "server_timeouttime = 10\n"
    "server_cmdfullpath = TRUE\n"
    "server_savelog = FALSE\n"
    "server_savelogfile = bramle_slog.txt\n"
    "server_allowclients = \n"
    "\n"
    "#End Config\n";

void ExpectSameValues(const SettingsFile& actual, const SettingsFile& expected) {
  EXPECT_EQ(actual.version, expected.version);
  EXPECT_TRUE(actual.client == expected.client);
  EXPECT_TRUE(actual.server == expected.server);
}

class SettingsFileTest : public ::testing::Test {
 protected:
  // A record over a file of `content` (bytes as given).
  SettingsFile Settings(const std::string& content) const {
    scratch_.Write("Bramle.inf", content);
    return SettingsFile(scratch_.File("Bramle.inf"));
  }

  testing_support::ScratchDirectory scratch_;
};

struct LoadCase {
  const char* name;
  std::string content;
  std::function<void(SettingsFile&)> expect;  // applied to a default record
};

TEST_F(SettingsFileTest, LoadsEachLineByTheFileRules) {
  const LoadCase cases[] = {
      {"trailing comment", "client_portno = 5000 # test port\n", [](SettingsFile& s) { s.client.portNo = 5000; }},
      {"key case ignored", "CLIENT_SAVELOG=true\n", [](SettingsFile& s) { s.client.saveLog = true; }},
      {"True is false", "client_savelog = TRUE\nclient_savelog = True\n", [](SettingsFile&) {}},
      {"1 is false", "client_popupstatus = 1\n", [](SettingsFile& s) { s.client.popupStatus = false; }},
      // A newer version keeps nothing, not even what was set before.
      {"Version 2 first", "Version = 2\nclient_portno = 5000\n", [](SettingsFile& s) { s = SettingsFile(""); }},
      {"Version 2 last", "client_portno = 5000\nserver_machinename = X\nversion=2\n",
       [](SettingsFile& s) { s = SettingsFile(""); }},
      {"older version kept", "Version = 0\nclient_portno = 5\n",
       [](SettingsFile& s) { s.version = 0, s.client.portNo = 5; }},
      {"# in a value", "client_savelogfile = logs#1.txt\n", [](SettingsFile& s) { s.client.saveLogFile = "logs"; }},
      {"leading number", "server_normalport = 12abc\n", [](SettingsFile& s) { s.server.normalPort = 12; }},
      {"signs", "server_timeouttime = -7\nserver_bcasrportno = +42\n",
       [](SettingsFile& s) { s.server.timeoutTime = -7, s.server.broadcastPortNo = 42; }},
      {"out of range", "client_portno = 99999999999\nserver_normalport = -99999999999\n",
       [](SettingsFile& s) { s.client.portNo = INT_MAX, s.server.normalPort = INT_MIN; }},
      {"unknown keys", "client_port = 1\nfoo = bar\n= 3\n", [](SettingsFile&) {}},
      {"last of two", "server_normalport = 1\nserver_normalport = 2\n",
       [](SettingsFile& s) { s.server.normalPort = 2; }},
      {"no equals sign", "client_portno 5000\n\n   \nclient_portno # = 1\n", [](SettingsFile&) {}},
      {"empty value", "client_machinemane =\nserver_machinename =  \t\n",
       [](SettingsFile& s) { s.client.machineName = "", s.server.machineName = ""; }},
      {"white space around", "  \tserver_timeouttime \t=\t 25  \n", [](SettingsFile& s) { s.server.timeoutTime = 25; }},
      {"CR LF line ends", "client_machinemane = BOX\r\nserver_savelog = TRUE\r\n",
       [](SettingsFile& s) { s.client.machineName = "BOX", s.server.saveLog = true; }},
      {"= inside a value", "server_savelogfile = a=b c.txt\n",
       [](SettingsFile& s) { s.server.saveLogFile = "a=b c.txt"; }},
      {"allow list", "client_allowservers = 10.0.0.0/8, srv1\n",
       [](SettingsFile& s) { s.client.allowServers = "10.0.0.0/8, srv1"; }},
      {"no final line end", "client_portno = 77", [](SettingsFile& s) { s.client.portNo = 77; }},
      {"double-byte value", Narrow("Client_MachineMane = 表\n"),
       [](SettingsFile& s) { s.client.machineName = Narrow("表"); }},
  };
  for (const LoadCase& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsFile loaded = Settings(c.content);
    SettingsFile expected("");
    // A value the file does not set stays as it was.
    loaded.server.normalPort = expected.server.normalPort = 9;
    EXPECT_EQ(loaded.LoadSettings(), std::vector<std::string>());
    c.expect(expected);
    ExpectSameValues(loaded, expected);
  }
}

TEST_F(SettingsFileTest, MissingFileKeepsTheValues) {
  SettingsFile missing(scratch_.File("missing.inf"));
  missing.client.portNo = 9;
  EXPECT_EQ(missing.LoadSettings(), std::vector<std::string>());
  EXPECT_EQ(missing.client.portNo, 9);
}

// Saving writes the default text byte for byte: over nothing, over a newer
// version's file (as version 1), over a longer file, and into directories
// it makes.
TEST_F(SettingsFileTest, SavesTheDefaultFileByteForByte) {
  const struct {
    const char* path;
    std::string before;  // empty: no file
  } cases[] = {
      {"Bramle.inf", ""},
      {"Bramle.inf", std::string(kDefaultFile) + "Version = 3\n"},
      {"Bramle.inf", std::string(kDefaultFile) + std::string(4000, '#')},
      {"a\\b\\Bramle.inf", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path + c.before.substr(c.before.size() > 10 ? c.before.size() - 10 : 0));
    if (!c.before.empty()) scratch_.Write(c.path, c.before);
    SettingsFile settings(scratch_.File(c.path));
    settings.LoadSettings();
    ASSERT_TRUE(settings.SaveSettings());
    EXPECT_EQ(scratch_.Read(c.path), OnDisk(kDefaultFile));
  }
}

TEST_F(SettingsFileTest, EveryValueSurvivesSaveAndLoad) {
  SettingsFile saved(scratch_.File("Bramle.inf"));
  saved.version = 0;
  saved.client = {false, 1234, Narrow("表計算"), false, true, "c log.txt", true, false, ""};
  saved.server = {"build-01", 5, true, 6, false, false, 7, true, Narrow("ログ.txt"), false, "a, 1.2.3.4"};
  ASSERT_TRUE(saved.SaveSettings());
  SettingsFile loaded(scratch_.File("Bramle.inf"));
  loaded.LoadSettings();
  ExpectSameValues(loaded, saved);
}

// A number line that holds no number keeps the value, says which line, and
// goes back into the file as it was until the value is changed.
TEST_F(SettingsFileTest, NoNumberIsKeptWithAWarningAndWrittenBackAsItWas) {
  const struct {
    const char* line;
    const char* key;
    const char* value;
    int kept;
    std::function<int&(SettingsFile&)> field;
  } cases[] = {
      {"client_portno = abc", "client_portno", "abc", 4311, [](SettingsFile& s) -> int& { return s.client.portNo; }},
      {"SERVER_TIMEOUTTIME=-x", "server_timeouttime", "-x", 10,
       [](SettingsFile& s) -> int& { return s.server.timeoutTime; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    SettingsFile settings = Settings(std::string(c.line) + "\n");
    const std::vector<std::string> warnings = settings.LoadSettings();
    EXPECT_EQ(c.field(settings), c.kept);
    EXPECT_EQ(warnings, std::vector<std::string>{diag::FormatCatalogMessage(diag::msg::kSettingNotANumber,
                                                                            settings.path(), c.key, c.value, c.kept)});
    ASSERT_TRUE(settings.SaveSettings());
    const std::string kept = std::string(c.key) + " = " + c.value + "\n";
    EXPECT_NE(scratch_.Read("Bramle.inf").find(OnDisk(kept)), std::string::npos);
    c.field(settings) = 77;
    ASSERT_TRUE(settings.SaveSettings());
    EXPECT_NE(scratch_.Read("Bramle.inf").find(OnDisk(std::string(c.key) + " = 77\n")), std::string::npos);
  }
}

// An unset machine name means the computer's name; a dialog that shows it
// unchanged leaves it unset, so it is never written into the file.
TEST(MachineName, UnsetMeansTheComputersName) {
  const std::string computer = platform::ComputerName();
  EXPECT_EQ(MachineNameOrComputerName(""), computer);
  EXPECT_EQ(MachineNameOrComputerName("BOX"), "BOX");
  const struct {
    std::string shown, stored, confirmed;
  } cases[] = {
      {computer, "", ""}, {"BOX", "", "BOX"}, {"", "BOX", ""}, {computer, "BOX", computer}, {"BOX", "BOX", "BOX"},
  };
  for (const auto& c : cases) EXPECT_EQ(ConfirmedMachineName(c.shown, c.stored), c.confirmed) << c.shown << c.stored;
}

TEST_F(SettingsFileTest, UnwritableFileIsNotWritten) {
  scratch_.Write("plain", "x");
  const char* paths[] = {"plain\\Bramle.inf", "."};
  for (const char* path : paths) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(SettingsFile(scratch_.File(path)).SaveSettings());
  }
  EXPECT_EQ(scratch_.Read("plain"), "x");
}

}  // namespace
}  // namespace distributed::test
