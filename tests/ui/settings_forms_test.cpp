#include <gtest/gtest.h>

#include <climits>

#include "distributed/protocol_messages.h"
#include "platform/text.h"
#include "ui/client_settings_form.h"
#include "ui/number_text.h"
#include "ui/server_settings_form.h"
#include "ui/settings_checks.h"

namespace ui {
namespace {

// The settings dialogs and the protocol's numbers read decimal text alike;
// numbers show as signed or unsigned decimal.
TEST(NumberText, ReadsAsTheCLibraryTextToLongWithin32BitsAndShowsDecimal) {
  const struct {
    const char* text;
    int value;
  } cases[] = {
      {"4311", 4311},       {"  12", 12},          {"+7", 7},           {"-5", -5},
      {"80abc", 80},        {"abc", 0},            {"", 0},             {" ", 0},
      {"0x10", 0},          {"010", 10},           {"99999999999", INT_MAX},
      {"-99999999999", INT_MIN}, {"4294967295", INT_MAX},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ReadNumber(c.text), c.value) << c.text;
    EXPECT_EQ(distributed::ArgumentNumber(c.text), c.value) << c.text;
  }
  EXPECT_EQ(DecimalText(-1), "-1");
  EXPECT_EQ(UnsignedDecimalText(-1), "4294967295");
  EXPECT_EQ(UnsignedDecimalText(4311), "4311");
}

TEST(SettingsForms, CopyInAndOut) {
  const distributed::ClientSettings settings = {false, 5000, "PC01", false, true, "c.txt", true, false, ""};
  ClientSettingsForm form = ClientSettingsForm::From(settings);
  EXPECT_EQ(form.portNo, "5000");
  EXPECT_FALSE(form.passiveConnect);

  distributed::ClientSettings back;
  form.CopyTo(back);
  back.bexec = false;  // not shown in the dialog, left as it was
  EXPECT_EQ(back, settings);

  form.portNo = " 77x";
  form.CopyTo(back);
  EXPECT_EQ(back.portNo, 77);

  // A file name the unticked save box disables is stored all the same.
  form.saveLog = false;
  form.saveLogFile = "kept.txt";
  form.CopyTo(back);
  EXPECT_EQ(back.saveLogFile, "kept.txt");

  const distributed::ServerSettings server = {"SRV", 6000, true, 6001, false, false, 3, true, "s.txt", false, ""};
  ServerSettingsForm serverForm = ServerSettingsForm::From(server, true);
  EXPECT_TRUE(serverForm.AutomaticRadioEnabled());
  EXPECT_EQ(serverForm.normalPort, "6001");
  EXPECT_EQ(serverForm.timeoutTime, "3");
  distributed::ServerSettings serverBack;
  serverForm.CopyTo(serverBack);
  EXPECT_EQ(serverBack, server);
  // Without the TCP table the manual radio is selected and the automatic one
  // disabled.
  serverForm = ServerSettingsForm::From(server, false);
  EXPECT_FALSE(serverForm.normalPortAuto);
  EXPECT_FALSE(serverForm.AutomaticRadioEnabled());
}

TEST(SettingsChecks, PortsFromOneTo65535AndNamesOfSensibleLength) {
  const std::string portRefusal = platform::NarrowFromUtf8("Pには1から65535までの数を指定してください。");
  const struct {
    const char* port;
    bool refused;
  } ports[] = {{"1", false}, {" 4311 ", false}, {"65535", false}, {"0", true},   {"65536", true}, {"70000", true},
               {"-1", true}, {"80abc", true},   {"abc", true},    {"", true},    {"  ", true},    {"004311", true}};
  for (const auto& c : ports) EXPECT_EQ(PortRefusal("P", c.port), c.refused ? portRefusal : "") << c.port;
  const std::string nameRefusal = platform::NarrowFromUtf8("マシン名は1文字以上63文字以内で指定してください。");
  for (size_t length : {0, 64, 300}) EXPECT_EQ(MachineNameRefusal(std::string(length, 'n')), nameRefusal) << length;
  EXPECT_EQ(MachineNameRefusal(std::string(63, 'n')), "");
  // The server form checks its manual port only while the manual radio is
  // selected.
  ServerSettingsForm server = ServerSettingsForm::From(distributed::ServerSettings{}, true);
  server.machineName = "SRV";
  server.normalPort = "0";
  EXPECT_NE(server.Refusal(), "");
  server.normalPortAuto = true;
  EXPECT_EQ(server.Refusal(), "");
}

TEST(PassiveKeyGate, OnlyControlThenPauseAsTheFirstTwoKeysReveals) {
  using Key = PassiveKeyGate::Key;
  const struct {
    std::vector<Key> keys;
    bool revealed;
  } cases[] = {
      {{Key::kControl, Key::kPause}, true},
      {{Key::kPause, Key::kControl}, false},
      {{Key::kControl, Key::kControl}, false},
      {{Key::kOther, Key::kControl, Key::kPause}, false},
      {{Key::kControl, Key::kOther, Key::kControl, Key::kPause}, false},
      {{Key::kControl}, false},
  };
  for (const auto& c : cases) {
    PassiveKeyGate gate;
    int reveals = 0;
    for (Key key : c.keys) reveals += gate.Press(key);
    EXPECT_EQ(gate.revealed(), c.revealed);
    EXPECT_EQ(reveals, c.revealed ? 1 : 0);
  }
}

}  // namespace
}  // namespace ui
