#include "distributed/log_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <thread>
#include <vector>

#include "diag/message_catalogue.h"
#include "platform/scratch_files.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"

namespace distributed::test {
namespace {

using testing_support::Narrow;
using testing_support::OnDisk;

std::tm NineFiveSeven() {
  std::tm time{};
  time.tm_hour = 9, time.tm_min = 5, time.tm_sec = 7;
  return time;
}

class LogFileTest : public ::testing::Test {
 protected:
  template <typename Log>
  void Enable(Log& log, const std::string& name = "log.txt") const {
    log.SetFileName(scratch_.File(name));
    log.SetEnabled(true);
  }

  std::string Contents() const { return scratch_.Read("log.txt"); }

  testing_support::ScratchDirectory scratch_;
};

// A client entry names its server (or "None"); line ends inside an entry
// become blanks, CRs go.
TEST_F(LogFileTest, EntriesHaveTheirFormats) {
  const struct {
    bool client;
    std::string text;
    const char* server;  // client entries only; null: none
    std::string expected;
  } cases[] = {
      {true, "OK", nullptr, "[None][None] OK"},
      {true, "a\rb\r", nullptr, "[None][None] ab"},
      {true, "x\r\ny", "S", "[S][192.168.0.2] x y"},
      {false, diag::LoadMessage(diag::msg::kAutomaticPortFailed), nullptr,
       Narrow("ポートの自動検出に失敗しました デフォルトのポートを使用します")},
      {false, "a\nb\r\n", nullptr, "a b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    scratch_.Write("log.txt", "");
    ClientLog client(NineFiveSeven);
    ServerLog server(NineFiveSeven);
    Enable(client);
    Enable(server);
    if (!c.client) server.Entry(c.text);
    else if (c.server) client.Entry(c.text, c.server, "192.168.0.2");
    else client.Entry(c.text);
    client.Close();
    server.Close();
    EXPECT_EQ(Contents(), OnDisk("09:05:07 - " + c.expected + "\n"));
  }
}

// A log appends to what the file holds; it opens at its first entry, and
// switch and name take effect at once. Two logs (two programs, say) share
// one file while both are open.
TEST_F(LogFileTest, AppendsSwitchesAndShares) {
  scratch_.Write("log.txt", OnDisk("earlier\n"));
  ServerLog log(NineFiveSeven);
  ClientLog second(NineFiveSeven);
  Enable(log);
  Enable(second);
  EXPECT_FALSE(log.IsOpen());
  log.Entry("one");
  EXPECT_TRUE(log.IsOpen());
  second.Entry("two");
  log.Entry("three");
  log.SetFileName(scratch_.File("other.txt"));
  log.Entry("four");
  log.SetEnabled(false);
  EXPECT_FALSE(log.IsOpen());
  log.Entry("lost");
  log.SetEnabled(true);
  log.Entry("five");
  EXPECT_EQ(Contents(), OnDisk("earlier\n09:05:07 - one\n09:05:07 - [None][None] two\n09:05:07 - three\n"));
  EXPECT_EQ(scratch_.Read("other.txt"), OnDisk("09:05:07 - four\n09:05:07 - five\n"));
}

// Off, or on a file that cannot be made: entries are lost, nothing opens.
TEST_F(LogFileTest, OffOrUnopenableWritesNothing) {
  scratch_.Write("plain", "x");
  ClientLog off(NineFiveSeven);
  off.SetFileName(scratch_.File("log.txt"));
  EXPECT_TRUE(off.Open());
  ServerLog unopenable(NineFiveSeven);
  Enable(unopenable, "plain\\log.txt");
  EXPECT_FALSE(unopenable.Open());
  off.Entry("lost");
  unopenable.Entry("lost");
  EXPECT_FALSE(off.IsOpen());
  EXPECT_FALSE(unopenable.IsOpen());
  EXPECT_FALSE(platform::IsPlainFile(scratch_.File("log.txt")));
}

TEST_F(LogFileTest, EntriesFromSeveralThreadsStayWhole) {
  constexpr int kThreads = 4;
  constexpr int kEntries = 200;
  ServerLog log(NineFiveSeven);
  Enable(log);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kEntries; ++i) log.Entry("thread " + std::to_string(t) + " entry " + std::to_string(i));
    });
  }
  for (std::thread& thread : threads) thread.join();
  log.Close();

  // Each thread's entries whole and in its order, none lost.
  std::istringstream lines(Contents());
  std::vector<int> next(kThreads, 0);
  for (std::string line; std::getline(lines, line);) {
    int thread = -1, entry = -1;
    ASSERT_EQ(std::sscanf(line.c_str(), "09:05:07 - thread %d entry %d", &thread, &entry), 2) << line;
    ASSERT_TRUE(thread >= 0 && thread < kThreads) << line;
    EXPECT_EQ(entry, next[thread]++) << line;
  }
  EXPECT_EQ(next, std::vector<int>(kThreads, kEntries));
}

}  // namespace
}  // namespace distributed::test
