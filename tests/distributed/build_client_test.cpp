// The resident client against a fake server made of a ProtocolPeer on
// 127.0.0.1: the client runs in local mode (or listens for a datagram sent
// straight to its port), so nothing leaves loopback.
#include "distributed/build_client.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <thread>

#include "diag/message_catalogue.h"
#include "distributed/peer_code_page.h"
#include "peer_test_support.h"
#include "platform/code_page.h"
#include "platform/directory.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace distributed {
namespace {

using protocol_test::CommandResult;
using protocol_test::kHangGuardMs;
using protocol_test::TestPeer;
using testing_support::OnDisk;

constexpr const char* kServerName = "SRV";
constexpr const char* kClientName = "TESTCLIENT";

// What the client showed ("open NAME ADDRESS", "ask NAME", "cut" or the
// text), and its answer when asked.
class RecordingView : public ClientView, public protocol_test::Notes {
 public:
  void BuildPhaseRequested(const std::string& name, const std::string& address) override {
    Add("open " + name + " " + address);
  }
  void ShowText(const std::string& text) override { Add(text); }
  bool AskAccept(const std::string& name, const std::string&) override {
    Add("ask " + name);
    return accept;
  }
  void ConnectionCut() override { Add("cut"); }
  bool accept = true;
};

// "x" and the bytes in hexadecimal: never an empty argument.
std::string Hex(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex = "x";
  for (unsigned char c : bytes) hex += std::string{digits[c >> 4], digits[c & 15]};
  return hex;
}

std::string Child(const std::string& arguments) { return std::string("\"") + CLIENT_CHILD + "\" " + arguments; }

class BuildClientTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platform::SetWorkingDirectory(scratch_.path().string()));
    ASSERT_NE(listener_.Port(), 0);
    ASSERT_NE(waiters_.Port(), 0);
    settings_.machineName = kClientName;
    // Announcements only from this test: a port of the system's choice.
    settings_.portNo = 0;
    settings_.saveLog = true;
    settings_.saveLogFile = (scratch_.path() / "client.log").string();
    client_.SetView(&view_);
  }
  void TearDown() override {
    client_.StopClientThread();
    if (HasFailure()) std::printf("client log:\n%s", LogText().c_str());
    platform::SetWorkingDirectory(savedDirectory_);
  }

  // The client as the in-process client of a server at the listener;
  // `inPhase`: greeted and in its build phase.
  void StartLocal(TestPeer* inPhase = nullptr) {
    client_.SetLocalMode(listener_.Port());
    ASSERT_EQ(client_.ApplySettings(settings_), 1);
    ASSERT_TRUE(client_.StartClientThread());
    if (inPhase) {
      ASSERT_EQ(OpenPhase(*inPhase), ReplyOutcome::Ok);
    }
  }

  // Takes the client's connection and answers its greeting.
  void Greet(TestPeer& server) {
    ASSERT_TRUE(listener_.Accept(server.Stream()));
    std::string line;
    ASSERT_EQ(server.ReadKind(&line), kMessageBuildClientConnect) << line;
    EXPECT_EQ(server.Arguments()[0], kClientName);
    server.SendLine(FormatOk());
  }

  // Greets the client and opens the build phase; the client's answer.
  ReplyOutcome OpenPhase(TestPeer& server) {
    Greet(server);
    server.SendLine(FormatBuildPhaseOpen(kServerName));
    return server.WaitReply();
  }

  // Sends one command and collects its output until CommandExit.
  CommandResult Run(TestPeer& server, const std::string& line, int inlineKind = 0, const std::string& name = "",
                    const std::string& content = "") {
    server.SendLine(FormatCommandExec(line, inlineKind, name, content));
    EXPECT_EQ(server.WaitReply(), ReplyOutcome::Ok);
    return server.ReadCommandResult();
  }

  // Starts a command that runs until the connection it makes to the test
  // (accepted into `held`) closes; waits until it runs.
  void StartWaiting(TestPeer& server, socket_testing::BlockingStream& held) {
    server.SendLine(FormatCommandExec(Child("wait " + std::to_string(waiters_.Port())), 0, "", ""));
    ASSERT_EQ(server.WaitReply(), ReplyOutcome::Ok);
    ASSERT_EQ(server.ReadKind(), kMessageCommandOut);  // "ready"
    ASSERT_TRUE(waiters_.Accept(held));
  }

  std::string LogText() const { return scratch_.Read("client.log"); }
  static std::string Text(unsigned number) { return diag::LoadMessage(number); }

  std::string savedDirectory_ = platform::WorkingDirectory();
  testing_support::ScratchDirectory scratch_;
  testing_support::ScopedVariable temporary_{platform::kPathSeparator == '\\' ? "TMP" : "TMPDIR",
                                             scratch_.path().string()};
  socket_testing::BlockingListener listener_;
  socket_testing::BlockingListener waiters_;
  ClientSettings settings_;
  RecordingView view_;
  BuildClient client_;
};

TEST_F(BuildClientTest, RelaysOutputAndExitCodesByteExact) {
  TestPeer server;
  ASSERT_NO_FATAL_FAILURE(StartLocal(&server));
  EXPECT_TRUE(view_.WaitFor(Text(diag::msg::kServerConnected)));
  EXPECT_EQ(client_.State(), BuildClient::kBuildPhase);
  EXPECT_EQ(client_.ApplySettings(settings_), 0);  // not while a server is served
  const struct {
    std::string out;
    std::string err;
    int code;
  } cases[] = {
      {"hello\n", "", 0},
      {"", "warning: \"x\"\n", 3},
      {"a\r\nb\rc\n", "tab\there\\", 255},
      {"no line end", "back\\slash\\\n", 1},
      {std::string("nul\0byte\n", 9), "", 0},
  };
  for (const auto& c : cases) {
    const CommandResult remote = Run(server, Child("emit " + Hex(c.out) + " " + Hex(c.err) + " " + std::to_string(c.code)));
    EXPECT_EQ(remote.out, OnDisk(c.out));
    EXPECT_EQ(remote.err, OnDisk(c.err));
    EXPECT_EQ(remote.exitCode, c.code);
  }
  // A program that does not exist has failed.
  EXPECT_NE(Run(server, "no_such_program_for_bramle x").exitCode, 0);
  server.SendLine(FormatBuildPhaseClose());
  EXPECT_EQ(server.WaitReply(), ReplyOutcome::Ok);
  EXPECT_EQ(server.ReadKind(), -1);  // the client closed the connection
  const std::string log = LogText();
  for (const std::string& line : {"[None][None] " + Text(diag::msg::kResidentStarted),
                                  "[SRV][127.0.0.1] " + Text(diag::msg::kBuildStartRequested),
                                  "[SRV][127.0.0.1] " + Text(diag::msg::kCommandEnded),
                                  "[SRV][127.0.0.1] " + Text(diag::msg::kClosingBuildPhase)}) {
    EXPECT_NE(log.find(line), std::string::npos) << line;
  }
}

TEST_F(BuildClientTest, InlineFilesNamedAndGenerated) {
  TestPeer server;
  ASSERT_NO_FATAL_FAILURE(StartLocal(&server));
  const std::string named = (scratch_.path() / "named.txt").string();
  // The file is written in text mode; the child copies its bytes to its
  // text-mode output.
  CommandResult remote = Run(server, Child("cat "), 1, named, "line 1\nsay \"hi\"\n");
  EXPECT_EQ(scratch_.Read("named.txt"), OnDisk("line 1\nsay \"hi\"\n"));
  EXPECT_EQ(remote.out, OnDisk(OnDisk("line 1\nsay \"hi\"\n")));
  EXPECT_EQ(remote.exitCode, 0);
  // The name ends at its first blank; what follows stays on the command line.
  Run(server, Child("cat "), 1, named + " extra.txt", "second\n");
  EXPECT_EQ(scratch_.Read("named.txt"), OnDisk("second\n"));
  EXPECT_FALSE(std::filesystem::exists(named + " extra.txt"));
  remote = Run(server, Child("cat "), 2, "", "generated\n");
  EXPECT_EQ(remote.out, OnDisk(OnDisk("generated\n")));
  EXPECT_EQ(remote.exitCode, 0);
  int generated = 0;
  for (const auto& entry : std::filesystem::directory_iterator(scratch_.path())) {
    generated += entry.path().filename().string().rfind("min", 0) == 0 && entry.path().extension() == ".inl";
  }
  EXPECT_EQ(generated, 1);
}

// Built-ins are refused by the program's name only.
TEST_F(BuildClientTest, RefusesBuiltinsButNotCompilersThatContainTheirNames) {
  TestPeer server;
  ASSERT_NO_FATAL_FAILURE(StartLocal(&server));
  EXPECT_NE(Run(server, "cl model.c").exitCode, INT_MIN);  // answered OK and run (and failed)
  server.SendLine(FormatCommandExec("del x", 0, "", ""));
  std::string line;
  ASSERT_EQ(server.ReadKind(&line), kMessageError);
  EXPECT_EQ(line + "\r\n", Text(diag::msg::kShellCommandError));
  server.Stream().Close();
  EXPECT_TRUE(view_.WaitFor("  del x"));
  EXPECT_TRUE(view_.WaitFor(Text(diag::msg::kShellCommandRefused)));
}

TEST_F(BuildClientTest, UserRefusalAnswersTheCatalogueLine) {
  settings_.acceptRequest = true;
  view_.accept = false;
  StartLocal();
  TestPeer server;
  Greet(server);
  server.SendLine(FormatBuildPhaseOpen(kServerName));
  std::string line;
  ASSERT_EQ(server.ReadKind(&line), kMessageError);
  EXPECT_EQ(line + "\r\n", Text(diag::msg::kClientRefusedError));
  EXPECT_EQ(server.ReadKind(), -1);
  EXPECT_TRUE(view_.WaitFor("ask SRV"));
  EXPECT_TRUE(view_.WaitFor(Text(diag::msg::kConnectionDeclined)));
}

// A client that is not the in-process one of a server run.
TEST_F(BuildClientTest, AllowListRefusesAServerNotOnIt) {
  settings_.allowServers = "10.9.9.9, OTHER";
  ASSERT_EQ(client_.ApplySettings(settings_), 1);
  ASSERT_TRUE(client_.StartClientThread());
  client_.PassiveConnect("127.0.0.1", std::to_string(listener_.Port()));
  TestPeer server;
  EXPECT_EQ(OpenPhase(server), ReplyOutcome::Error);
  EXPECT_EQ(server.ReadKind(), -1);
  EXPECT_NE(LogText().find(diag::FormatCatalogMessage(diag::msg::kServerNotAllowed, "SRV", "127.0.0.1")),
            std::string::npos)
      << LogText();
}

// The command goes on through a garbled line, an unexpected message and a
// second command, and its exit still arrives. The server's cancel ends the
// next one; the phase stays open for the next command. A server that goes
// away ends the command it runs, and the next server finds a clean client;
// so does the close of the phase.
TEST_F(BuildClientTest, LinesDuringACommandDoNotEndItsRelayingButCancelAndTheServersEndDo) {
  TestPeer server;
  ASSERT_NO_FATAL_FAILURE(StartLocal(&server));
  socket_testing::BlockingStream held;
  ASSERT_NO_FATAL_FAILURE(StartWaiting(server, held));
  server.SendLine("Garbled(\r\n");
  ASSERT_EQ(server.ReadKind(), kMessageError);
  EXPECT_EQ(server.ErrorClass(), 1);
  EXPECT_EQ(server.ErrorText(), "11");
  // Neither is answered; the second command does not start.
  server.SendLine(FormatOk() + FormatCommandExec(Child("emit x x 0"), 0, "", ""));
  server.SendLine("Garbled again(\r\n");
  ASSERT_EQ(server.ReadKind(), kMessageError);
  held.Close();
  ASSERT_EQ(server.ReadKind(), kMessageCommandExit);
  EXPECT_EQ(server.Arguments()[0], "7");
  socket_testing::BlockingStream heldAgain;
  ASSERT_NO_FATAL_FAILURE(StartWaiting(server, heldAgain));
  server.SendLine(FormatBuildPhaseCancel());
  EXPECT_EQ(server.WaitReply(), ReplyOutcome::Ok);  // no exit of the command comes first
  EXPECT_TRUE(view_.WaitFor(Text(diag::msg::kCancelledByServer)));
  EXPECT_EQ(Run(server, Child("emit x6f6b0a x 0")).out, OnDisk("ok\n"));
  socket_testing::BlockingStream heldLast;
  ASSERT_NO_FATAL_FAILURE(StartWaiting(server, heldLast));
  server.Stream().Close();
  // The command is ended: its own connection to the test closes.
  EXPECT_TRUE(heldLast.WaitEnded());
  TestPeer next;
  ASSERT_EQ(OpenPhase(next), ReplyOutcome::Ok);
  const CommandResult result = Run(next, Child("emit x6f6b0a x 0"));
  EXPECT_EQ(result.out, OnDisk("ok\n"));
  EXPECT_EQ(result.exitCode, 0);
  socket_testing::BlockingStream heldClosed;
  ASSERT_NO_FATAL_FAILURE(StartWaiting(next, heldClosed));
  next.SendLine(FormatBuildPhaseClose());
  EXPECT_EQ(next.WaitReply(), ReplyOutcome::Ok);
  EXPECT_TRUE(heldClosed.WaitEnded());
}

TEST_F(BuildClientTest, CancelEventInsideAndOutsideThePhase) {
  StartLocal();
  {
    // Inside: the server hears of it, then the connection closes.
    TestPeer server;
    ASSERT_EQ(OpenPhase(server), ReplyOutcome::Ok);
    client_.PostEvent(BuildClient::kEventCancel);
    ASSERT_EQ(server.ReadKind(), kMessageBuildPhaseClientCancel);
    server.SendLine(FormatOk());
    EXPECT_EQ(server.ReadKind(), -1);
  }
  {
    // Outside: connected, waiting for the phase; only the socket closes.
    TestPeer server;
    Greet(server);
    client_.PostEvent(BuildClient::kEventCancel);
    EXPECT_EQ(server.ReadKind(), -1);
  }
  // Back to listening: the local client connects again.
  TestPeer again;
  Greet(again);
  client_.StopClientThread();
  const std::string log = LogText();
  // Both cancels are logged: the text stands at least twice.
  EXPECT_NE(log.find(Text(diag::msg::kBuildCancelled)), log.rfind(Text(diag::msg::kBuildCancelled))) << log;
}

// A server that fails the client before its build phase opens: the client
// says why and is back for the next connection (its local server again).
TEST_F(BuildClientTest, ServerThatFailsBeforeThePhaseIsLeftAndTriedAgain) {
  const struct {
    std::string greetingReply;  // then the server closes the connection
    std::string openLine;
    std::string said;
  } cases[] = {
      {"", "", Text(diag::msg::kServerTalkFailed)},
      {FormatError(0, "not you"), "", "not you"},
      {FormatOk(), "", Text(diag::msg::kServerTalkFailed)},
      {FormatOk(), "Garbled(\r\n", Text(diag::msg::kServerTalkFailed2)},
  };
  StartLocal();
  for (const auto& c : cases) {
    TestPeer server;
    ASSERT_TRUE(listener_.Accept(server.Stream()));
    ASSERT_EQ(server.ReadKind(), kMessageBuildClientConnect);
    server.SendLine(c.greetingReply + c.openLine);
    server.Stream().Close();
  }
  TestPeer again;
  Greet(again);
  client_.StopClientThread();
  for (const auto& c : cases) EXPECT_NE(LogText().find(c.said), std::string::npos) << c.said;
}

// Here with the runner that keeps one command processor, which relays the
// same way.
TEST_F(BuildClientTest, PassiveConnectIntroducesItselfWith255) {
  client_.SetRunner(false, 333);
  ASSERT_EQ(client_.ApplySettings(settings_), 1);
  ASSERT_TRUE(client_.StartClientThread());
  client_.PassiveConnect("127.0.0.1", std::to_string(listener_.Port()) + "junk");
  TestPeer server;
  ASSERT_NO_FATAL_FAILURE(Greet(server));
  EXPECT_EQ(server.Arguments()[1], "255");
  server.SendLine(FormatBuildPhaseOpen(kServerName));
  EXPECT_EQ(server.WaitReply(), ReplyOutcome::Ok);
  const CommandResult remote = Run(server, Child("emit " + Hex("out\n") + " " + Hex("err\n") + " 5"));
  EXPECT_EQ(remote.out, OnDisk("out\n"));
  EXPECT_EQ(remote.err, OnDisk("err\n"));
  EXPECT_EQ(remote.exitCode, 5);
  for (const char* line : {"Debug PassiveMode OPEN", "Connect Done", "Send done."}) {
    EXPECT_NE(LogText().find(std::string("[None][None] ") + line), std::string::npos) << line;
  }
}

// Datagrams sent straight to the client's port on loopback. A server that
// announces another code page gets the output in its own, whole characters
// and line ends included, and its commands are read in the client's: UTF-8
// and code page 932 either way.
TEST_F(BuildClientTest, ListensIgnoresNewerAndOwnAnnouncementsAndConvertsForAnotherCodePage) {
  const std::map<int, std::string> shown = {{platform::kUtf8CodePage, "\xE8\xA1\xA8\xE7\xA4\xBA"},
                                            {932, "\x95\x5C\x8E\xA6"}};  // 表示
  const int own = platform::NarrowCodePage();
  ASSERT_EQ(shown.count(own), 1u) << own;
  const int other = own == 932 ? platform::kUtf8CodePage : 932;
  ASSERT_EQ(client_.ApplySettings(settings_), 1);
  ASSERT_TRUE(client_.StartClientThread());
  socket_testing::BlockingDatagrams sender;
  // An ignored announcement would lead to the listener for the waiting
  // command, which nobody connects to here.
  const std::string decoy = std::to_string(waiters_.Port());
  const struct {
    std::string datagram;
    int reopens;  // an ignored announcement closes and reopens the socket
  } datagrams[] = {
      {"BuildConnection(T," + decoy + ",2,SRV)\r\n", 1},
      {"BuildConnection(T," + decoy + ",1,TESTCLIENT)\r\n", 1},
      {"BuildConnection(T," + decoy + ",1,SRV)", 0},  // no line end: dropped
      {FormatBuildConnection(listener_.Port(), kServerName) + FormatCodePageLine(other), 0},
  };
  int openings = 1;
  for (const auto& d : datagrams) {
    const int listening = client_.WaitListening(kHangGuardMs, openings);
    ASSERT_NE(listening, 0);
    ASSERT_TRUE(sender.SendTo(listening, d.datagram));
    openings += d.reopens;
  }
  TestPeer server;
  ASSERT_EQ(OpenPhase(server), ReplyOutcome::Ok);
  EXPECT_TRUE(view_.WaitFor("open SRV 127.0.0.1"));
  const std::string text = shown.at(own) + "\n" + shown.at(own) + "\n";
  const CommandResult remote = Run(server, Child("emit " + Hex(text) + " x 0 ") + shown.at(other));
  EXPECT_EQ(remote.out, OnDisk(shown.at(other) + "\n" + shown.at(other) + "\n"));
  EXPECT_TRUE(view_.Has("  " + Child("emit " + Hex(text) + " x 0 ") + shown.at(own)));
}

// A port another program holds is named once; the client listens as soon
// as the port is free. Ending a client that only listens cancels nothing:
// no user asked for a cancel, and none is logged.
TEST_F(BuildClientTest, SaysThatItsPortIsTakenAndEndsWithoutACancel) {
  auto taken = std::make_unique<socket_testing::BlockingDatagrams>(0);
  settings_.portNo = taken->Port();
  ASSERT_EQ(client_.ApplySettings(settings_), 1);
  ASSERT_TRUE(client_.StartClientThread());
  const std::string said = diag::FormatCatalogMessage(diag::msg::kAnnouncePortTaken, settings_.portNo);
  EXPECT_TRUE(view_.WaitFor(said));
  taken.reset();
  EXPECT_EQ(client_.WaitListening(kHangGuardMs), settings_.portNo);
  const std::vector<std::string> shown = view_.All();
  EXPECT_EQ(std::count(shown.begin(), shown.end(), said), 1);
  client_.StopClientThread();
  const std::string log = LogText();
  EXPECT_NE(log.find(said), std::string::npos) << log;
  EXPECT_NE(log.find(Text(diag::msg::kResidentEnded)), std::string::npos) << log;
  EXPECT_EQ(log.find(Text(diag::msg::kUserCancellingBuild)), std::string::npos) << log;
}

}  // namespace
}  // namespace distributed
