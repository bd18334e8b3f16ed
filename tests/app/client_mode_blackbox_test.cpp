// bramle -R: the resident client runs until Ctrl+C, then writes its
// settings back beside the program and ends with exit code 0.
#include <gtest/gtest.h>

#include <filesystem>

#include "diag/message_catalogue.h"
#include "platform/child_process.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace {

constexpr int kHangGuardMs = 30000;

// Reads the child's standard output until it holds `text` or ends.
bool ReadUntil(platform::ChildProcess& child, const std::string& text, std::string& out) {
  for (int round = 0; round < 10000 && out.find(text) == std::string::npos; ++round) {
    std::string err;
    const platform::PipeRead read = child.ReadOutput(platform::OutputStream::Stdout, out);
    child.ReadOutput(platform::OutputStream::Stderr, err);
    if (read == platform::PipeRead::Closed) return out.find(text) != std::string::npos;
    if (read == platform::PipeRead::Empty) child.WaitForActivity(true, true, kHangGuardMs);
  }
  return out.find(text) != std::string::npos;
}

TEST(ClientMode, RunsUntilCtrlCAndWritesItsSettingsBack) {
  if (platform::kPathSeparator == '\\') GTEST_SKIP() << "a console event needs a console; the tests run without one";
  testing_support::ScratchDirectory scratch;
  // A copy of the program, so that its settings file is the scratch one.
  const std::filesystem::path program = scratch.path() / "bramle";
  std::filesystem::copy_file(testing_support::BramleExecutable(), program);
  const std::string log = (scratch.path() / "client.log").string();
  // Any free port for announcements, and only loopback servers.
  scratch.Write("Bramle.inf",
                "client_portno = 0\nclient_machinemane = RTEST\nclient_allowservers = 127.0.0.1\n"
                "client_savelog = TRUE\nclient_savelogfile = " + log + "\n");

  platform::ChildProcess child;
  platform::LaunchRequest request;
  // With the window part out of reach the console view serves.
  request.line = std::string("env ") + testing_support::kNoWindowPart + " \"" + program.string() + "\" -R";
  ASSERT_EQ(child.Start(request), 0);
  std::string out;
  ASSERT_TRUE(ReadUntil(child, diag::LoadMessage(23502), out)) << out;
  EXPECT_NE(out.find("[RTEST"), std::string::npos) << out;
  ASSERT_TRUE(child.Interrupt());
  ReadUntil(child, "never printed", out);
  ASSERT_TRUE(child.WaitForEnd(kHangGuardMs));
  ASSERT_TRUE(child.HasEnded());
  EXPECT_EQ(child.ExitStatus(), 0);

  const std::string settings = scratch.Read("Bramle.inf");
  for (const char* line : {"client_machinemane = RTEST\n", "client_allowservers = 127.0.0.1\n",
                           "client_portno = 0\n", "#End Config\n"}) {
    EXPECT_NE(settings.find(line), std::string::npos) << line;
  }
  const std::string logText = scratch.Read("client.log");
  // Whether the client got to listen (23500) before the Ctrl+C is a race.
  for (unsigned number : {23502u, 23503u}) {
    EXPECT_NE(logText.find("[None][None] " + diag::LoadMessage(number)), std::string::npos) << number;
  }
}

}  // namespace
