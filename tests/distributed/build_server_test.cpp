// The build server over an in-memory file system, talking to scripted
// clients over loopback: the order of the hand-out, results, failures, lost
// and refusing clients.
#include "distributed/build_server.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <utility>

#include "diag/message_catalogue.h"
#include "distributed/build_client.h"
#include "distributed/program_path.h"
#include "engine/model_test_support.h"
#include "engine/target_model.h"
#include "engine/target_scheduler.h"
#include "engine/target_walker.h"
#include "peer_test_support.h"
#include "platform/code_page.h"
#include "platform/event_loop.h"
#include "platform/line_stream.h"
#include "platform/loop_timer.h"
#include "platform/text.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace distributed {
namespace {

using protocol_test::ClientScript;
using protocol_test::kHangGuardMs;
using protocol_test::Notes;
using protocol_test::ScriptedClient;
using testing_support::OnDisk;
namespace msg = diag::msg;

// Every view call as one note: "added <id> <address>", "text <id> <name>
// <text>", "count <n>", "finished", "message <text>", "status <text>".
class RecordingView : public ServerView, public Notes {
 public:
  void ConnectionAdded(int connection, const std::string& address) override {
    Add("added " + std::to_string(connection) + " " + address);
  }
  void ConnectionText(int connection, const std::string& name, const std::string&, const std::string& text) override {
    Add(Text(connection, name, text));
  }
  void TargetCount(int count) override { Add("count " + std::to_string(count)); }
  void TargetFinished() override { Add("finished"); }
  void ShowMessage(const std::string& text) override { Add("message " + text); }
  void StatusText(const std::string& text) override { Add("status " + text); }
  static std::string Text(int connection, const std::string& name, const std::string& text) {
    return "text " + std::to_string(connection) + " " + name + " " + text;
  }
};

// A server over the fake file system (or the disk) with scripted clients.
class ServerRig {
 public:
  explicit ServerRig(engine::WalkOptions options = {}) : scheduler_(walker_, {}, options) {}
  ~ServerRig() {
    if (server_) server_->ShutdownServer();
    clients_.clear();
  }

  // One dependency line; its command makes the target unless given.
  void Line(const std::string& target, const std::string& dependents, std::vector<std::string> commands = {}) {
    if (commands.empty()) commands.push_back("make " + target);
    model_.AddDependencyBlock({target, dependents, engine::test::Commands(commands)});
  }

  // Without `listen` the server is made but not started: its connections
  // are the test's to make.
  void Start(ServerSettings settings = {}, bool listen = true) {
    settings.machineName = "SRV";
    settings.normalPort = 0;
    settings.sendRequest = false;
    settings.broadcastPortNo = announcements_.Port();
    ASSERT_NE(settings.broadcastPortNo, 0);
    server_ = std::make_unique<BuildServer>(scheduler_, view_, [this](std::string_view piece, bool toStderr, bool ends) {
      pieces_[toStderr].append(piece);
      if (ends) (toStderr ? stderr_ : stdout_).Add(std::exchange(pieces_[toStderr], {}));
    });
    server_->SetAnnounceAddress(socket_testing::kLoopback);
    server_->ApplySettings(settings);
    server_->SetTargetCount(scheduler_.CountOutOfDate());
    if (listen) ASSERT_EQ(server_->StartServer(), 0);
  }

  ScriptedClient& Client(ClientScript script) {
    clients_.push_back(std::make_unique<ScriptedClient>(files_, std::move(script), server_->Port()));
    return *clients_.back();
  }

  // Waits for the end of the build and of every conversation.
  void Finish() {
    server_->WaitEnded();
    server_->ShutdownServer();
    for (const auto& client : clients_) client->Join();
  }

  engine::TargetModel model_;
  testing_support::MemoryFiles files_;
  bool realFiles_ = false;
  engine::TargetWalker walker_{model_, [this](const std::string& name) {
    return realFiles_ ? platform::FindFileStatus(name) : files_.Status(name);
  }};
  engine::TargetScheduler scheduler_;
  RecordingView view_;
  socket_testing::BlockingDatagrams announcements_;
  Notes stdout_;
  Notes stderr_;
  std::string pieces_[2];  // of the text each stream is given
  std::unique_ptr<BuildServer> server_;
  std::vector<std::unique_ptr<ScriptedClient>> clients_;
};

TEST(BuildServer, DiamondIsHandedOutInOrderWithResults) {
  testing_support::ScratchDirectory scratch;
  ServerRig rig;
  rig.files_.Make("src");
  rig.Line("top", "left right");
  rig.Line("left", "base");
  rig.Line("right", "base");
  rig.Line("base", "src");
  ServerSettings settings;
  settings.saveLog = true;
  settings.saveLogFile = (scratch.path() / "server.log").string();
  rig.Start(settings);
  ScriptedClient& client = rig.Client({});
  rig.Finish();

  EXPECT_EQ(client.All(), (std::vector<std::string>{"greeted", "open", "exec make base", "exec make left",
                                                     "exec make right", "exec make top", "close"}));
  EXPECT_EQ(rig.server_->FailureCode(), 0);
  ASSERT_EQ(rig.stderr_.All().size(), 4u);
  // Written in text mode, the client's CR LF stays CR LF (no CR is added).
  EXPECT_EQ(OnDisk(rig.stderr_.All()[0]), OnDisk(diag::FormatCatalogMessage(msg::kTargetResults, "base")) +
                                              "made base\r\n" +
                                              OnDisk(diag::FormatCatalogMessage(msg::kTargetFinished, "base", 0)));
  EXPECT_EQ(rig.stdout_.All()[0], diag::FormatCatalogMessage(msg::kBuildingTargetOn, "base", "CLIENT"));
  const std::vector<std::string> calls = rig.view_.All();
  EXPECT_EQ(calls[0], "count 4");
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "finished"), 4);
  EXPECT_TRUE(rig.view_.Has(RecordingView::Text(0, "CLIENT", diag::LoadMessage(msg::kDisconnecting))));
  // The announcement carried the port and the name, and after them, past
  // what every client reads, the server's code page.
  std::string datagram;
  ASSERT_TRUE(rig.announcements_.Take(datagram));
  EXPECT_EQ(datagram, "BuildConnection(T," + std::to_string(rig.server_->Port()) + ",1,SRV)\r\nCodePage(" +
                                std::to_string(platform::NarrowCodePage()) + ")\r\n");
  // The log names the client by address and name.
  const std::string log = scratch.Read("server.log");
  for (const std::string& entry :
       {diag::LoadMessage(msg::kServerReady), "127.0.0.1[CLIENT] " + diag::LoadMessage(msg::kConnectionAccepted),
        "127.0.0.1[CLIENT] " + diag::FormatCatalogMessage(msg::kTargetBuilt, "top"),
        diag::LoadMessage(msg::kServerEnding)}) {
    EXPECT_NE(log.find(" - " + entry), std::string::npos) << entry << "\n" << log;
  }
  // Once the build has ended nobody is taken any more.
  ScriptedClient& late = rig.Client({.name = "LATE"});
  late.Join();
  EXPECT_EQ(late.All(), std::vector<std::string>{"unreachable"});
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
  Notes gate;
  rig.Start();
  // The first client holds "slow"; the second builds the diamond and then
  // waits for "slow" before "all".
  ScriptedClient& first = rig.Client({.name = "ONE", .gate = &gate});
  ASSERT_TRUE(first.WaitFor("exec gate slow"));
  ScriptedClient& second = rig.Client({.name = "TWO"});
  ASSERT_TRUE(rig.view_.WaitFor(RecordingView::Text(1, "TWO", diag::LoadMessage(msg::kWaitingForTarget))));
  gate.Add("open");
  rig.Finish();

  for (const char* name : {"base", "left", "right", "top", "all"}) EXPECT_EQ(rig.files_.TimesMade(name), 1) << name;
  auto time = [&](const char* name) { return rig.files_.Status(name).modified; };
  EXPECT_LT(time("base"), std::min(time("left"), time("right")));
  EXPECT_LT(std::max(time("left"), time("right")), time("top"));
  EXPECT_EQ(first.Execs().size() + second.Execs().size(), 6u);
  // The end is told once, and the build is not shown running after it.
  const std::vector<std::string> calls = rig.view_.All();
  const std::string complete = "status " + platform::NarrowFromUtf8(kStatusComplete);
  EXPECT_EQ(std::count(calls.begin(), calls.end(), complete), 1);
  const auto end = std::find(calls.begin(), calls.end(), complete);
  ASSERT_NE(end, calls.end());
  EXPECT_TRUE(std::none_of(end + 1, calls.end(), [](const std::string& call) { return call.rfind("status ", 0) == 0; }));
  // A connection shows that it waits once per wait.
  const std::string waiting = diag::LoadMessage(msg::kWaitingForTarget);
  for (int connection = 0; connection < 2; ++connection) {
    std::string last;
    for (const std::string& call : rig.view_.All()) {
      if (call.rfind("text " + std::to_string(connection) + " ", 0) != 0) continue;
      EXPECT_FALSE(call == last && call.find(waiting) != std::string::npos) << call;
      last = call;
    }
  }
}

TEST(BuildServer, FailingCommandStopsEveryConnection) {
  ServerRig rig;
  Notes gate;
  rig.Line("all", "held failing");
  rig.Line("held", "", {"gate held"});
  rig.Line("failing", "", {"fail 3"});
  rig.Start();
  ScriptedClient& holder = rig.Client({.name = "HOLD", .gate = &gate});
  ASSERT_TRUE(holder.WaitFor("exec gate held"));
  ScriptedClient& failer = rig.Client({.name = "FAIL"});
  rig.server_->WaitEnded();
  gate.Add("open");
  rig.Finish();

  EXPECT_EQ(rig.server_->FailureCode(), 3);
  const std::vector<std::string> held = holder.All();
  ASSERT_GE(held.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(held.end() - 2, held.end()), (std::vector<std::string>{"cancel", "close"}));
  EXPECT_EQ(failer.Execs(), std::vector<std::string>{"fail 3"});
  EXPECT_TRUE(rig.stderr_.Has(diag::FormatCatalogMessage(msg::kTargetResults, "failing") + "\nfailing\n" +
                              diag::FormatCatalogMessage(msg::kTargetFinished, "failing", 3)));
  EXPECT_TRUE(rig.stderr_.Has(platform::NarrowFromUtf8(kCommandFailedLine)));
  EXPECT_TRUE(rig.view_.Has("message " + platform::NarrowFromUtf8(kCommandFailedMessage)));
  EXPECT_EQ(rig.files_.TimesMade("all"), 0);
}

// -K and -I mean for the clients' commands what they mean locally: with -K
// what does not need the failure is built, with -I the failure is ignored.
TEST(BuildServer, KeepGoingAndIgnoreErrorsAsLocally) {
  const struct {
    bool keepGoing;
    bool ignoreErrors;
    int failureCode;
    int madeAll;
    int madeOther;
  } cases[] = {
      {false, true, 0, 1, 1},
      {true, false, 3, 0, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "-K " << c.keepGoing << " -I " << c.ignoreErrors);
    ServerRig rig(engine::WalkOptions{.keepGoing = c.keepGoing});
    rig.Line("all", "failing other");
    rig.Line("failing", "", {"fail 3", "make failing"});
    rig.Line("other", "");
    rig.Start();
    rig.server_->SetIgnoreErrors(c.ignoreErrors);
    ScriptedClient& client = rig.Client({});
    rig.Finish();
    EXPECT_EQ(rig.server_->FailureCode(), c.failureCode);
    EXPECT_EQ(rig.files_.TimesMade("all"), c.madeAll);
    EXPECT_EQ(rig.files_.TimesMade("other"), c.madeOther);
    EXPECT_FALSE(client.Has("cancel"));
  }
}

// Clients that drop out, refuse, cancel or are refused never keep a target: the
// next client builds it, once.
TEST(BuildServer, TargetOfALostOrRefusedClientIsBuiltOnceElsewhere) {
  const struct {
    const char* name;
    ClientScript script;
    bool handedOut;
    std::string shown;  // what connection 0 shows last
    const char* allowClients = "";
    bool toldWhy = false;  // the client is refused with what is shown
  } cases[] = {
      {"lost in a command", {.execReply = ""}, true, diag::LoadMessage(msg::kConnectionLost)},
      {"refuses the command",
       {.execReply = FormatError(0, "no")},
       true,
       diag::FormatCatalogMessage(msg::kClientReturnedError, "no")},
      {"cancels in the command",
       {.execReply = "OK()\r\nBuildPhaseClientCancel()\r\n"},
       true,
       diag::LoadMessage(msg::kCancelledByClient)},
      {"no answer to the open", {.openReply = ""}, false, diag::LoadMessage(msg::kConnectFailed)},
      {"refuses the open", {.openReply = FormatError(0, "no")}, false, diag::LoadMessage(msg::kConnectionRefused)},
      {"not on the allow-list",
       {},
       false,
       diag::FormatCatalogMessage(msg::kClientNotAllowed, "CLIENT", "127.0.0.1"),
       "GOOD, 10.1.1.1",
       true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ServerRig rig;
    rig.Line("x", "");
    ServerSettings settings;
    settings.allowClients = c.allowClients;
    rig.Start(settings);
    ScriptedClient& gone = rig.Client(c.script);
    ASSERT_TRUE(rig.view_.WaitFor(RecordingView::Text(0, "CLIENT", c.shown)));
    ScriptedClient& good = rig.Client({.name = "GOOD"});
    rig.Finish();
    EXPECT_EQ(rig.files_.TimesMade("x"), 1);
    EXPECT_EQ(good.Execs(), std::vector<std::string>{"make x"});
    EXPECT_EQ(gone.Execs().size(), c.handedOut ? 1u : 0u);
    EXPECT_EQ(gone.Has("refused " + c.shown), c.toldWhy);
    EXPECT_EQ(rig.view_.Has(RecordingView::Text(0, "CLIENT", diag::FormatCatalogMessage(msg::kBuildingTarget, "x"))),
              c.handedOut);
  }
}

// A client's end in memory: what the connection sends, line by line, and
// lines fed to it on the loop's thread.
class MemoryStream : public platform::LineStream {
 public:
  explicit MemoryStream(std::function<void()> closed) : closed_(std::move(closed)) {}
  void SetEvents(Events events) override { events_ = std::move(events); }
  void StartReading() override {}
  void Send(std::string bytes) override {
    for (std::string& line : protocol_test::SplitLines(bytes)) sent.push_back(std::move(line));
  }
  std::size_t QueuedBytes() const override { return 0; }
  void Close() override {
    if (std::exchange(open_, false)) closed_();
  }
  bool IsOpen() const override { return open_; }
  platform::Ipv4Address PeerAddress() const override { return socket_testing::kLoopback; }
  platform::Ipv4Address LocalAddress() const override { return socket_testing::kLoopback; }
  void Feed(const std::string& message) { events_.line(protocol_test::SplitLines(message).front()); }
  std::vector<std::string> sent;

 private:
  std::function<void()> closed_;
  Events events_;
  bool open_ = true;
};

// Over a stream in memory, with a read limit of 40 ms: a client that falls
// silent in a command (frozen, or its link down) is named on the console
// half way, then given up; its target goes back to be built elsewhere.
TEST(BuildServer, SilentClientIsNamedThenGivenUp) {
  ServerRig rig;
  rig.Line("x", "");
  ASSERT_NO_FATAL_FAILURE(rig.Start({}, false));
  platform::EventLoop loop;
  platform::LoopTimer guard(loop);
  guard.Start(kHangGuardMs, [&] { loop.Stop(); });
  auto stream = std::make_unique<MemoryStream>([&] { loop.Stop(); });
  MemoryStream& client = *stream;
  ServerConnection connection(*rig.server_, 0, std::move(stream), loop, 40);
  connection.Start();
  client.Feed(FormatBuildClientConnect("FROZEN", 500));
  client.Feed(FormatOk());  // to BuildPhaseOpen: the target is handed out
  client.Feed(FormatOk());  // to CommandExec; then nothing more
  loop.Run();
  ASSERT_FALSE(client.IsOpen());
  EXPECT_EQ(client.sent.back(), protocol_test::SplitLines(FormatCommandExec("make x", 0, "", "")).front());
  const std::vector<std::string> console = rig.stdout_.All();
  ASSERT_EQ(console.size(), 3u);
  const std::string silent = diag::FormatCatalogMessage(msg::kClientSilent, "FROZEN", 0);
  EXPECT_EQ(console[1].rfind(silent.substr(0, silent.find('0')), 0), 0u) << console[1];
  EXPECT_EQ(console[2], diag::FormatCatalogMessage(msg::kClientGivenUp, "FROZEN", 0));
  const engine::HandOutResult again = rig.scheduler_.NextTarget();
  ASSERT_EQ(again.kind, engine::HandOut::Target);
  EXPECT_EQ(again.target->name, "x");
}

// The window's cancel button: that client's phase is cancelled and closed;
// the build still ends, by it (when its exit code came first) or by the
// next client.
TEST(BuildServer, CancelledConnectionGivesItsTargetBack) {
  ServerRig rig;
  Notes gate;
  rig.Line("x", "", {"gate x"});
  rig.Start();
  ScriptedClient& first = rig.Client({.name = "ONE", .gate = &gate});
  ASSERT_TRUE(first.WaitFor("exec gate x"));
  rig.server_->CancelConnection(0);
  gate.Add("open");
  ASSERT_TRUE(first.WaitFor("close"));
  ScriptedClient& second = rig.Client({.name = "TWO", .gate = &gate});
  rig.Finish();
  EXPECT_TRUE(first.Has("cancel"));
  EXPECT_LE(second.Execs().size(), 1u);
  EXPECT_GE(rig.files_.TimesMade("x"), 1);
  EXPECT_EQ(rig.server_->FailureCode(), 0);
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
  const std::vector<std::string> calls = rig.view_.All();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const std::string& call) { return call.rfind("added", 0) == 0; }),
            1);
  EXPECT_TRUE(rig.view_.Has(RecordingView::Text(0, "LOCAL", diag::LoadMessage(msg::kDisconnected))));
}

TEST(BuildServer, StripProgramDirectory) {
  const std::pair<const char*, const char*> cases[] = {
      {"C:\\tools\\bin\\cl.exe /c a.c", "cl.exe /c a.c"},
      {"  \"C:\\Program Files\\cc\\cc.exe\" -o x", "\"cc.exe\" -o x"},
      {"cl /c C:\\src\\a.c", "cl /c C:\\src\\a.c"},
      {"C:\\bin\\tool", "tool"},
      {"\"C:\\bin\\unclosed", "\"unclosed"},
      {"   ", ""},
  };
  for (const auto& [line, sent] : cases) {
    EXPECT_EQ(StripProgramDirectory(testing_support::NativePath(line)), testing_support::NativePath(sent)) << line;
  }
}

}  // namespace
}  // namespace distributed
