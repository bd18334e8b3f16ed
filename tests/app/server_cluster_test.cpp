// bramle -B as a user runs it, in a network namespace the test makes (its
// own loopback, broadcasts kept inside): with a resident client found by
// its announcement, alone with its in-process client, failing, stopped by
// Ctrl+C and with nothing to do.
#include <gtest/gtest.h>

#include <string>

#include "diag/message_catalogue.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

constexpr bool kWindows = platform::kPathSeparator == '\\';

// The namespace's loopback carries the broadcast; the host is "srvhost".
// A resident client named REMOTE runs beside the server when asked for;
// every process is bounded by `timeout`.
constexpr const char* kClusterScript = R"(set -u
ip link set lo up && ip route add broadcast 255.255.255.255 dev lo src 127.0.0.1 || exit 77
hostname srvhost
export TMPDIR=$PWD/tmp
mkdir -p tmp server/bramle client/bramle
mkfifo link.fifo
# The default server port is taken, so only the automatic choice works.
if [ "$3" = hold-4312 ]; then
  command -v python3 >/dev/null || exit 78
  coproc HOLD { timeout 60 python3 -c 'import socket, sys
s = socket.socket(); s.bind(("127.0.0.1", 4312)); s.listen(); print("ready", flush=True); sys.stdin.read()'; }
  read -r -t 30 ready <&"${HOLD[0]}" || exit 78
fi
if [ "$1" = with-client ]; then
  XDG_CONFIG_HOME=$PWD/client timeout 60 "$2" -R >client.out 2>&1 &
  client=$!
fi
XDG_CONFIG_HOME=$PWD/server timeout 60 "$2" -B >server.out 2>server.err
echo $? >server.rc
if [ "$1" = with-client ]; then kill $client; wait $client; fi
if [ "$3" = hold-4312 ]; then kill $HOLD_PID; wait $HOLD_PID; fi
exit 0
)";

struct ClusterRun {
  bool skipped = false;  // python3 was not there to hold a port
  int exitCode = -1;     // the server's
  std::string out;
  std::string err;
};

class ServerCluster : public ::testing::Test {
 protected:
  void SetUp() override {
    if (kWindows) GTEST_SKIP() << "the cluster tests run the Linux build in network namespaces";
    if (testing_support::RunInDirectory("unshare -n -u true", scratch_.path()).exitCode != 0) {
      GTEST_SKIP() << "network namespaces are not allowed here (unshare -n -u failed)";
    }
  }

  ClusterRun Run(const std::string& makefile, const std::string& serverSettings, const std::string& clientSettings,
                 bool withClient, bool holdDefaultPort = false) {
    scratch_.Write("Makefile", makefile);
    scratch_.Write("cluster.sh", kClusterScript);
    scratch_.Write("server/bramle/Bramle.inf", serverSettings);
    scratch_.Write("client/bramle/Bramle.inf", "client_machinemane = REMOTE\n" + clientSettings);
    const auto shell = testing_support::RunInDirectory(
        "unshare -n -u bash cluster.sh " + std::string(withClient ? "with-client " : "alone ") +
            testing_support::BramleExecutable() + (holdDefaultPort ? " hold-4312" : " free"),
        scratch_.path());
    if (shell.exitCode == 77) ADD_FAILURE() << "the namespace's loopback could not be set up: " << shell.err;
    ClusterRun run;
    run.skipped = shell.exitCode == 78;
    run.exitCode = std::atoi(scratch_.Read("server.rc").c_str());
    run.out = scratch_.Read("server.out");
    run.err = scratch_.Read("server.err");
    return run;
  }

  testing_support::ScratchDirectory scratch_;
};

// The two targets meet through a pipe: neither ends unless both run at
// once, on two clients.
constexpr const char* kMeetingMakefile =
    "all: writer reader\n"
    "\ttouch all\n"
    "writer:\n"
    "\tsh -c \"echo hello > link.fifo\"\n"
    "\ttouch writer\n"
    "reader:\n"
    "\tcat link.fifo\n"
    "\ttouch reader\n";

TEST_F(ServerCluster, ResidentClientFindsTheServerAndBuildsBesideTheInProcessOne) {
  const ClusterRun run = Run(kMeetingMakefile, "server_normalportauto = TRUE\n", "", true, true);
  if (run.skipped) GTEST_SKIP() << "python3 is needed to hold the default port";
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  const std::string autoPortFailed = diag::LoadMessage(23115).substr(0, diag::LoadMessage(23115).find('\r'));
  EXPECT_EQ(run.out.find(autoPortFailed), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(REMOTE)\n"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("(srvhost)\n"), std::string::npos) << run.out;
  EXPECT_NE(run.err.find(diag::FormatCatalogMessage(23201, "reader") + "hello\n"), std::string::npos) << run.err;
  EXPECT_TRUE(std::filesystem::exists(scratch_.path() / "all")) << run.out << run.err;
}

TEST_F(ServerCluster, OutcomesEndTheRunLikeALocalBuild) {
  const struct {
    const char* name;
    const char* makefile;
    const char* clientSettings;
    int exitCode;
    std::string out;  // in standard output, or standard error
    std::string absent;
  } cases[] = {
      // The client ignores a server it does not know; the in-process
      // client builds alone.
      {"client allow-list", "all: a\n\ttouch all\na:\n\ttouch a\n", "client_allowservers = OTHER\n", 0,
       diag::FormatCatalogMessage(23200, "a", "srvhost"), "(REMOTE)"},
      {"failing command", "all:\n\tsh -c \"exit 4\"\n", "", 1, diag::FormatCatalogMessage(23202, "all", 4), ""},
      {"Ctrl+C", "all:\n\tkill -INT $PPID; while :; do read x; done < /dev/zero\n", "", 1,
       diag::LoadMessage(22505), ""},
      {"up to date", "all: Makefile\n", "", 0, diag::LoadMessage(23603), diag::LoadMessage(23118)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ClusterRun run = Run(c.makefile, "", c.clientSettings, true);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    EXPECT_NE((run.out + run.err).find(c.out), std::string::npos) << run.out << run.err;
    if (!c.absent.empty()) {
      EXPECT_EQ((run.out + run.err).find(c.absent), std::string::npos) << run.out;
    }
  }
}

// Three hosts on one bridge, each a network namespace with its own host
// name: the server on srvhost, resident clients on hostb and hostc, found
// by the broadcast. The bridge lives in the namespace the test runs in.
constexpr const char* kThreeHostScript = R"(set -u
tag=bramle$$
hosts="srvhost hostb hostc"
cleanup() { for h in $hosts; do ip netns del $tag$h 2>/dev/null; done; }
trap cleanup EXIT
ip link set lo up || exit 77
ip link add br0 type bridge && ip link set br0 up || exit 77
n=1
for h in $hosts; do
  ip netns add $tag$h || exit 77
  ip link add v$h type veth peer name eth0 netns $tag$h || exit 77
  ip link set v$h master br0 up
  ip -n $tag$h addr add 10.77.0.$n/24 dev eth0
  ip -n $tag$h link set eth0 up
  ip -n $tag$h link set lo up
  ip -n $tag$h route add 255.255.255.255/32 dev eth0
  n=$((n + 1))
done
export TMPDIR=$PWD/tmp
mkdir -p tmp server/bramle hostb/bramle hostc/bramle
mkfifo x.fifo y.fifo z.fifo
# A client that starts listening after the first announcement hears the
# next one, 10 seconds later.
for h in hostb hostc; do
  ip netns exec $tag$h unshare -u sh -c "hostname $h; XDG_CONFIG_HOME=$PWD/$h exec timeout 60 $1 -R" >$h.out 2>&1 &
done
ip netns exec ${tag}srvhost unshare -u sh -c "hostname srvhost; XDG_CONFIG_HOME=$PWD/server exec timeout 60 $1 -B" \
  >server.out 2>server.err
echo $? >server.rc
for job in $(jobs -p); do kill $job; done
wait
exit 0
)";

// A ring of pipes: none of the three targets ends unless all three run at
// once, so each of the three machines builds one.
constexpr const char* kRingMakefile =
    "all: one two three\n"
    "one:\n"
    "\tsh -c \"echo 1 > x.fifo; cat z.fifo\"\n"
    "two:\n"
    "\t/usr/bin/env sh -c \"cat x.fifo; echo 2 > y.fifo\"\n"
    "three:\n"
    "\tsh -c \"cat y.fifo; echo 3 > z.fifo\"\n";

TEST_F(ServerCluster, ThreeHostsOnABridgeEachBuildOneTarget) {
  scratch_.Write("Makefile", kRingMakefile);
  scratch_.Write("cluster3.sh", kThreeHostScript);
  scratch_.Write("server/bramle/Bramle.inf", "");
  const auto shell = testing_support::RunInDirectory(
      "unshare -n -u bash cluster3.sh " + testing_support::BramleExecutable(), scratch_.path());
  if (shell.exitCode == 77) GTEST_SKIP() << "named network namespaces or bridges are not allowed here: " << shell.err;
  const std::string out = scratch_.Read("server.out");
  const std::string err = scratch_.Read("server.err");
  EXPECT_EQ(std::atoi(scratch_.Read("server.rc").c_str()), 0) << out << err;
  for (const char* host : {"(srvhost)\n", "(hostb)\n", "(hostc)\n"}) {
    EXPECT_NE(out.find(host), std::string::npos) << host << out;
  }
  EXPECT_NE(out.find("[hostb 10.77.0.2]"), std::string::npos) << out;
  // The program's directory is not sent to the clients.
  const std::string clients = scratch_.Read("hostb.out") + scratch_.Read("hostc.out");
  const std::string shown = out.find("twoをビルド中...(srvhost)") == std::string::npos ? clients : "";
  if (!shown.empty()) {
    EXPECT_NE(shown.find("  env sh -c"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("/usr/bin/env"), std::string::npos) << shown;
  }
}

}  // namespace
}  // namespace app::test
