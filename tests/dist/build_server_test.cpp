// The build server talking to scripted clients over loopback: the order of
// the hand-out, results, failures, lost and refusing clients.
#include "dist/build_server.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "diag/message_catalogue.h"
#include "dist/build_client.h"
#include "dist/program_path.h"
#include "platform/text.h"
#include "platform/udp_socket.h"
#include "server_test_support.h"
#include "support/bramle_process.h"

namespace dist {
namespace {

using server_test::ClientScript;
using server_test::FakeFiles;
using server_test::Gate;
using server_test::RecordingView;
using server_test::ScriptedClient;

std::string Text(int connection, const std::string& name, const std::string& text) {
  return "text " + std::to_string(connection) + " " + name + " " + text;
}

// A server over a fake file system with scripted clients.
class ServerRig {
 public:
  ~ServerRig() {
    if (server_) server_->ShutdownServer();
    for (const auto& client : clients_) client->Join();
  }

  // One dependency line; its command makes the target unless given.
  void Line(const std::string& target, const std::string& dependents, std::vector<std::string> commands = {}) {
    if (commands.empty()) commands.push_back("make " + target);
    auto list = std::make_unique<engine::CommandList>();
    for (const std::string& text : commands) {
      engine::CommandLine line;
      line.SetCommandLine(text, "", "", engine::InlineKind::None);
      list->Append(line);
    }
    model_.AddDependencyBlock({target, dependents, std::move(list)});
  }

  void Start(ServerSettings settings = {}) {
    settings.machineName = "SRV";
    settings.normalPort = 0;
    settings.sendRequest = false;
    ASSERT_EQ(announcements_.OpenSocket(), 0);
    ASSERT_EQ(announcements_.Bind("127.0.0.1", 0), 0);
    announcements_.StartReceiving();
    settings.broadcastPortNo = announcements_.Port();
    server_ = std::make_unique<BuildServer>(scheduler_, view_, [this](const std::string& text, bool toStderr) {
      std::lock_guard<std::mutex> lock(consoleMutex_);
      (toStderr ? stderr_ : stdout_).push_back(text);
    });
    server_->SetAnnounceAddress(platform::Resolve("127.0.0.1"));
    server_->ApplySettings(settings);
    server_->SetTargetCount(walker_.CountOutOfDate("", false));
    ASSERT_EQ(server_->StartServer(), 0);
  }

  ScriptedClient& Client(ClientScript script) {
    clients_.push_back(std::make_unique<ScriptedClient>(files_, std::move(script)));
    clients_.back()->Start(server_->Port());
    return *clients_.back();
  }

  // Waits for the end of the build and of every conversation.
  void Finish() {
    server_->WaitEnded();
    server_->ShutdownServer();
    for (const auto& client : clients_) client->Join();
  }

  static std::vector<std::string> Execs(ScriptedClient& client) {
    std::vector<std::string> execs;
    for (const std::string& entry : client.Received()) {
      if (entry.rfind("exec ", 0) == 0) execs.push_back(entry.substr(5));
    }
    return execs;
  }

  bool Called(const std::string& call) {
    const std::vector<std::string> calls = view_.Calls();
    return std::find(calls.begin(), calls.end(), call) != calls.end();
  }

  engine::TargetModel model_;
  FakeFiles files_;
  bool realFiles_ = false;  // the walk reads the disk
  engine::TargetWalker walker_{model_, [this](const std::string& name) {
    return realFiles_ ? platform::FindFileStatus(name) : files_.Status(name);
  }};
  engine::TargetScheduler scheduler_{walker_, "", false};
  RecordingView view_;
  platform::UdpSocket announcements_;
  std::mutex consoleMutex_;
  std::vector<std::string> stdout_;
  std::vector<std::string> stderr_;
  std::unique_ptr<BuildServer> server_;
  std::vector<std::unique_ptr<ScriptedClient>> clients_;
};

TEST(BuildServer, DiamondIsHandedOutInOrderWithResults) {
  ServerRig rig;
  rig.files_.Make("src");
  rig.Line("top", "left right");
  rig.Line("left", "base");
  rig.Line("right", "base");
  rig.Line("base", "src");
  rig.Start();
  ScriptedClient& client = rig.Client({});
  rig.Finish();

  EXPECT_EQ(client.Received(), (std::vector<std::string>{"greeted", "open", "exec make base", "exec make left",
                                                          "exec make right", "exec make top", "close"}));
  EXPECT_EQ(rig.server_->FailureCode(), 0);
  ASSERT_EQ(rig.stderr_.size(), 4u);
  EXPECT_EQ(rig.stderr_[0], diag::FormatCatalogMessage(23201, "base") + "made base\n" +
                                diag::FormatCatalogMessage(23202, "base", 0));
  EXPECT_EQ(rig.stdout_[0], diag::FormatCatalogMessage(23200, "base", "CLIENT"));
  const std::vector<std::string> calls = rig.view_.Calls();
  EXPECT_EQ(calls[0], "count 4");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "finished"), 4);
  EXPECT_TRUE(rig.Called(Text(0, "CLIENT", diag::LoadMessage(23106))));

  // The announcement carried the port and the name.
  platform::Datagram datagram;
  ASSERT_TRUE(rig.announcements_.WaitDatagram(server_test::kHangGuardMs));
  ASSERT_TRUE(rig.announcements_.TakeDatagram(datagram));
  EXPECT_EQ(datagram.bytes, "BuildConnection(T," + std::to_string(rig.server_->Port()) + ",1,SRV)\r\n");
  // Once the build has ended nobody is taken any more.
  ScriptedClient& late = rig.Client({"LATE"});
  late.Join();
  EXPECT_EQ(late.Received(), std::vector<std::string>{"unreachable"});
}

TEST(BuildServer, TwoClientsBuildEachTargetOnceAfterItsDependents) {
  ServerRig rig;
  rig.files_.Make("src");
  rig.Line("all", "slow top");
  rig.Line("slow", "", {"gate slow"});
  rig.Line("top", "left right");
  rig.Line("left", "base");
  rig.Line("right", "base");
  rig.Line("base", "src");
  Gate gate;
  rig.Start();
  // The first client holds "slow"; the second builds the diamond and then
  // waits for "slow" before "all".
  ScriptedClient& first = rig.Client({"ONE", "OK()\r\n", false, &gate});
  ASSERT_TRUE(first.WaitReceived("exec gate slow"));
  ScriptedClient& second = rig.Client({"TWO"});
  ASSERT_TRUE(rig.view_.WaitCall(Text(1, "TWO", diag::LoadMessage(23105))));
  gate.Open();
  rig.Finish();

  for (const char* name : {"base", "left", "right", "top", "all"}) EXPECT_EQ(rig.files_.TimesMade(name), 1) << name;
  auto time = [&](const char* name) { return rig.files_.Status(name).modified; };
  EXPECT_LT(time("base"), time("left"));
  EXPECT_LT(time("base"), time("right"));
  EXPECT_LT(time("left"), time("top"));
  EXPECT_LT(time("right"), time("top"));
  EXPECT_EQ(ServerRig::Execs(first).size() + ServerRig::Execs(second).size(), 6u);
  // A connection shows that it waits once per wait.
  const std::string waiting = diag::LoadMessage(23105);
  const std::vector<std::string> calls = rig.view_.Calls();
  for (int connection = 0; connection < 2; ++connection) {
    std::string last;
    for (const std::string& call : calls) {
      if (call.rfind("text " + std::to_string(connection) + " ", 0) != 0) continue;
      EXPECT_FALSE(call == last && call.find(waiting) != std::string::npos) << call;
      last = call;
    }
  }
}

TEST(BuildServer, FailingCommandStopsEveryConnection) {
  ServerRig rig;
  Gate gate;
  rig.Line("all", "held failing");
  rig.Line("held", "", {"gate held"});
  rig.Line("failing", "", {"fail 3"});
  rig.Start();
  ScriptedClient& holder = rig.Client({"HOLD", "OK()\r\n", false, &gate});
  ASSERT_TRUE(holder.WaitReceived("exec gate held"));
  ScriptedClient& failer = rig.Client({"FAIL"});
  rig.server_->WaitEnded();
  gate.Open();
  rig.Finish();

  EXPECT_EQ(rig.server_->FailureCode(), 3);
  const std::vector<std::string> held = holder.Received();
  ASSERT_GE(held.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(held.end() - 2, held.end()), (std::vector<std::string>{"cancel", "close"}));
  EXPECT_EQ(ServerRig::Execs(failer), std::vector<std::string>{"fail 3"});
  const std::string failedResult = diag::FormatCatalogMessage(23201, "failing") + "\nfailing\n" +
                                   diag::FormatCatalogMessage(23202, "failing", 3);
  EXPECT_NE(std::find(rig.stderr_.begin(), rig.stderr_.end(), failedResult), rig.stderr_.end());
  const std::string failedLine = platform::NarrowFromUtf8(kCommandFailedLine);
  EXPECT_NE(std::find(rig.stderr_.begin(), rig.stderr_.end(), failedLine), rig.stderr_.end());
  EXPECT_TRUE(rig.Called("message " + platform::NarrowFromUtf8(kCommandFailedMessage)));
  EXPECT_EQ(rig.files_.TimesMade("all"), 0);
}

// Clients that drop out, refuse or are refused never keep a target: the
// next client builds it, once.
TEST(BuildServer, TargetOfALostOrRefusedClientIsBuiltOnceElsewhere) {
  const std::string refused = "Refused client GONE (127.0.0.1): not in server_allowclients";
  const struct {
    const char* name;
    ClientScript script;
    std::string shown;  // what connection 0 shows last
    const char* allowClients;
    bool handedOut;
  } cases[] = {
      {"lost in a command", {"GONE", "OK()\r\n", true}, diag::LoadMessage(23113), "", true},
      {"no answer to the open", {"GONE", ""}, diag::LoadMessage(23103), "", false},
      {"refuses the open", {"GONE", FormatError(0, "no")}, diag::LoadMessage(23102), "", false},
      {"not on the allow-list", {"GONE"}, refused, "GOOD, 10.1.1.1", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServerRig rig;
    rig.Line("x", "");
    ServerSettings settings;
    settings.allowClients = c.allowClients;
    rig.Start(settings);
    ScriptedClient& gone = rig.Client(c.script);
    ASSERT_TRUE(rig.view_.WaitCall(Text(0, "GONE", c.shown)));
    ScriptedClient& good = rig.Client({"GOOD"});
    rig.Finish();
    EXPECT_EQ(rig.files_.TimesMade("x"), 1);
    EXPECT_EQ(ServerRig::Execs(good), std::vector<std::string>{"make x"});
    EXPECT_EQ(ServerRig::Execs(gone).size(), c.handedOut ? 1u : 0u);
    EXPECT_EQ(rig.Called(Text(0, "GONE", diag::FormatCatalogMessage(23107, "x"))), c.handedOut);
  }
}

// The server's own client: runs real commands, and once the build has
// ended it finds nobody to connect to.
TEST(BuildServer, InProcessClientBuildsAndIsNotTakenAgain) {
  testing_support::ScratchDirectory scratch;
  const std::string a = (scratch.path() / "a").string();
  const std::string b = (scratch.path() / "b").string();
  ServerRig rig;
  rig.realFiles_ = true;
  rig.Line("all", a + " " + b, {"echo all> " + (scratch.path() / "all").string()});
  rig.Line(a, "", {"echo a> " + a});
  rig.Line(b, "", {"echo b> " + b});
  rig.Start();
  BuildClient client;
  ClientSettings settings;
  settings.machineName = "LOCAL";
  settings.popupStatus = false;
  settings.noExecShellCommand = false;
  client.ApplySettings(settings);
  client.SetRunner(true, 333);
  client.SetLocalMode(rig.server_->Port());
  client.StartClientThread();
  rig.server_->WaitEnded();
  rig.server_->ShutdownServer();
  client.StopClientThread();

  EXPECT_EQ(rig.server_->FailureCode(), 0);
  for (const char* name : {"a", "b", "all"}) EXPECT_TRUE(std::filesystem::exists(scratch.path() / name)) << name;
  const std::vector<std::string> calls = rig.view_.Calls();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& call) { return call.rfind("added", 0) == 0; }),
            1);
  EXPECT_TRUE(rig.Called(Text(0, "LOCAL", diag::LoadMessage(23112))));
}

TEST(BuildServer, StripProgramDirectory) {
  const struct {
    const char* line;
    const char* sent;
  } cases[] = {
      {"C:\\tools\\bin\\cl.exe /c a.c", "cl.exe /c a.c"},
      {"  \"C:\\Program Files\\cc\\cc.exe\" -o x", "\"cc.exe\" -o x"},
      {"cl /c C:\\src\\a.c", "cl /c C:\\src\\a.c"},
      {"C:\\bin\\tool", "tool"},
      {"\"C:\\bin\\unclosed", "\"unclosed"},
      {"   ", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(StripProgramDirectory(testing_support::NativePath(c.line)), testing_support::NativePath(c.sent))
        << c.line;
  }
}

}  // namespace
}  // namespace dist
