// One conversation with a client end running as a separate program (this
// test program, run as one): the same build's, and the Windows build's under
// Wine talking to the Linux build. Every byte value crosses both ways, in the
// command line, the inline content and the output.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "distributed/protocol_messages.h"
#include "peer_test_support.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/system_info.h"
#include "support/bramle_process.h"

namespace distributed {
namespace {

using protocol_test::TestPeer;

// Every byte value, then the line ends and backslashes that plain form
// treats specially.
std::string AllBytes() {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  return bytes + "\\\r\n\n\r\\";
}

// The shell command that has the Linux build run the Windows build's test
// program `name` under Wine in the worktree's prefix (arguments go after
// it); empty, with the reason in `missing`, where that cannot be done.
inline std::string WineLaunch(const std::string& name, std::string& missing) {
  const std::string build = std::string(BRAMLE_SOURCE_DIR) + "/build";
  const std::string exe = build + "/windows/tests/" + name;
  const std::string prefix = build + "/wineprefix";
  if (platform::kPathSeparator == '\\') {
    missing = "the Linux build runs the Windows build";
  } else if (!platform::PathStatus(exe).exists) {
    missing = "no Windows build at " + exe;
  } else if (!platform::PathStatus(prefix + "/system.reg").exists) {
    missing = "no Wine prefix at " + prefix;
  }
  if (!missing.empty()) return "";
  // Wine's server and services start apart from the captured streams. The
  // server is the prefix's shared one: it lives where the original TMPDIR
  // says, and one started in the test's own directory could not be reached
  // (nor ended) once that directory is gone.
  const std::string environment = testing_support::OriginalTemporaryDirectoryAssignment() + "WINEPREFIX='" + prefix + "' WINEDEBUG=-all LC_ALL=ja_JP.UTF-8";
  return environment + " wineserver -p </dev/null >/dev/null 2>&1; " + environment +
         " wine cmd /c exit </dev/null >/dev/null 2>&1; " + environment + " wine '" + exe + "'";
}

// The server's side, as far as the first failure.
void Serve(socket_testing::BlockingListener& listener, TestPeer& server) {
  ASSERT_TRUE(listener.Accept(server.Stream()));
  ASSERT_EQ(server.ReadKind(), kMessageBuildClientConnect);
  EXPECT_EQ(server.Arguments(), (std::vector<std::string>{"wine-peer", "500"}));
  server.SendLine(FormatOk());
  server.SendLine(FormatBuildPhaseOpen("build-srv"));
  ASSERT_EQ(server.WaitReply(), ReplyOutcome::Ok);
  const std::string command = "echo \"\x95\x5C\" \x83\"x\\ " + AllBytes();
  server.SendLine(FormatCommandExec(command, 2, "", AllBytes()));
  ASSERT_EQ(server.WaitReply(), ReplyOutcome::Ok);
  const protocol_test::CommandResult result = server.ReadCommandResult();
  EXPECT_EQ(result.exitCode, 7);
  EXPECT_EQ(result.out, AllBytes());
  EXPECT_EQ(result.err, command);
  server.SendLine(FormatOk());
  server.SendLine(FormatBuildPhaseClose());
  EXPECT_EQ(server.WaitReply(), ReplyOutcome::Ok);
}

void Converse(const std::string& launch) {
  testing_support::ScratchDirectory scratch;
  socket_testing::BlockingListener listener;
  ASSERT_NE(listener.Port(), 0);
  scratch.Write("wire_peer.port", std::to_string(listener.Port()));
  testing_support::ProcessResult peer;
  std::thread runner([&] {
    peer = testing_support::RunInDirectory(launch + " --gtest_filter=WirePeer.ClientEnd", scratch.path());
  });
  TestPeer server;
  Serve(listener, server);
  runner.join();
  EXPECT_EQ(peer.exitCode, 0) << peer.out << peer.err;
}

// The client end, when a test below runs this program in a directory that
// holds the server's port.
TEST(WirePeer, ClientEnd) {
  int port = 0;
  if (!(std::ifstream("wire_peer.port") >> port)) GTEST_SKIP() << "the client end of the other WirePeer tests";
  testing_support::MemoryFiles files;
  protocol_test::ScriptedClient client(files, {.name = "wine-peer"}, port);
  client.Join();
  EXPECT_TRUE(client.Has("close")) << testing::PrintToString(client.All());
}

TEST(WirePeer, SameBuildProgram) { Converse("\"" + platform::ModulePath() + "\""); }

// The Linux build talks to the Windows build, which runs under Wine in the
// worktree's prefix.
TEST(WirePeer, WindowsBuildUnderWine) {
  std::string missing;
  const std::string launch = WineLaunch("distributed_tests.exe", missing);
  if (launch.empty()) GTEST_SKIP() << missing;
  Converse(launch);
}

}  // namespace
}  // namespace distributed
