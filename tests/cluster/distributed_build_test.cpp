// bramle -B and bramle -R as users run them, on hosts of a cluster the test
// makes: discovery, several clients beside the in-process one, the order of
// a diamond, a client lost in the middle of a command, failures, Ctrl+C,
// refusals and the allow-lists. Every wait is bounded; a headless server must end by
// itself with the exit code of a local build.
#include <gtest/gtest.h>

#include <algorithm>

#include "diag/message_catalogue.h"
#include "support/bramle_process.h"
#include "support/cluster.h"

namespace testing_support {
namespace {

constexpr int kLimitMs = 60000;
constexpr size_t kServer = 0;

// Three targets that meet through pipes: none ends unless all three run at
// once, on three clients. Each notes the host that built it.
constexpr const char* kRingMakefile =
    "all: p q r\n"
    "p:\n"
    "\tsh -c \"echo p > pq.fifo; cat rp.fifo\"\n"
    "\thostname > p.host\n"
    "q:\n"
    "\t/usr/bin/env sh -c \"cat pq.fifo; echo q > qr.fifo\"\n"
    "\thostname > q.host\n"
    "r:\n"
    "\tsh -c \"cat qr.fifo; echo r > rp.fifo\"\n"
    "\thostname > r.host\n";

// Two targets that meet through a pipe: they need two clients at once. q
// runs `more` before it notes its builder.
std::string PairMakefile(const std::string& more) {
  return "all: p q\np:\n\tsh -c \"echo p > pq.fifo\"\n\thostname > p.host\nq:\n\tcat pq.fifo\n" + more +
         "\thostname > q.host\n";
}

class DistributedBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string reason = Cluster::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
  }

  // Makes the cluster and its makefile, with the pipes `meeting` (made)
  // and `held` (made and held open, see Cluster::HoldPipes); false (with a
  // failure) when something could not be made.
  bool Make(const std::vector<std::string>& hosts, const std::string& makefile,
            const std::vector<std::string>& meeting = {}, const std::vector<std::string>& held = {}) {
    cluster_ = std::make_unique<Cluster>(hosts);
    if (!cluster_->Error().empty()) {
      ADD_FAILURE() << cluster_->Error();
      return false;
    }
    cluster_->WriteFile("Makefile", makefile);
    if ((!meeting.empty() && !cluster_->MakePipes(meeting)) || (!held.empty() && !cluster_->HoldPipes(held))) {
      ADD_FAILURE() << "the pipes could not be made";
      return false;
    }
    return true;
  }

  // A resident client, known to be running.
  HostProcess& Client(size_t host) {
    HostProcess& client = cluster_->Start(host, {BramleExecutable(), "-R"});
    EXPECT_TRUE(client.WaitForOutput(diag::LoadMessage(23502), kLimitMs)) << client.Output();
    return client;
  }

  // With the window part out of reach the console view serves.
  HostProcess& Server(const std::vector<std::string>& options = {}) {
    std::vector<std::string> arguments = {"sh", "-c", std::string("exec env ") + kNoWindowPart + " \"$@\"", "sh",
                                          BramleExecutable(), "-B"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return cluster_->Start(kServer, arguments);
  }

  // The hosts that built `targets` (each notes its builder), sorted.
  std::vector<std::string> Builders(const std::vector<std::string>& targets) const {
    std::vector<std::string> builders;
    for (const std::string& target : targets) builders.push_back(cluster_->ReadFile(target + ".host"));
    std::sort(builders.begin(), builders.end());
    return builders;
  }

  // Ends a resident client as its service manager would; its exit code.
  static int Stop(HostProcess& client) {
    client.Terminate();
    return client.WaitForExit(kLimitMs);
  }

  std::unique_ptr<Cluster> cluster_;
};

// Listens on the default port until it is ended; nothing connects to it.
constexpr const char* kHoldDefaultPort = R"(import socket
s = socket.socket()
s.bind(("0.0.0.0", 4312))
s.listen()
print("ready", flush=True)
s.accept())";

TEST_F(DistributedBuild, ClientsFoundByTheAnnouncementBuildBesideTheInProcessClient) {
  if (!Make({"srv", "hostb", "hostc"}, kRingMakefile, {"pq.fifo", "qr.fifo", "rp.fifo"})) return;
  // The default port is taken: the remote clients reach the port the
  // server chose through its announcement alone.
  cluster_->WriteSettings(kServer, "server_normalportauto = TRUE\n");
  HostProcess& taken = cluster_->Start(kServer, {"python3", "-c", kHoldDefaultPort});
  if (!taken.WaitForOutput("ready", kLimitMs)) GTEST_SKIP() << "python3 is needed to take the default port";
  HostProcess& b = Client(1);
  HostProcess& c = Client(2);
  HostProcess& server = Server();
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();

  EXPECT_EQ(Builders({"p", "q", "r"}), (std::vector<std::string>{"hostb\n", "hostc\n", "srv\n"})) << server.Output();
  const std::string out = server.Output();
  for (const char* target : {"p", "q", "r"}) {
    const std::string host = cluster_->ReadFile(std::string(target) + ".host");
    const std::string building = diag::FormatCatalogMessage(23200, target, host.substr(0, host.size() - 1));
    EXPECT_NE(out.find(building), std::string::npos) << out;
  }
  EXPECT_EQ(out.find(diag::LoadMessage(23115).substr(0, diag::LoadMessage(23115).find('\r'))), std::string::npos) << out;
  EXPECT_NE(out.find("[hostb 10.77.0.2]"), std::string::npos) << out;
  // The program's directory is not sent to the clients.
  if (cluster_->ReadFile("q.host") != "srv\n") {
    const std::string shown = b.Output() + c.Output();
    EXPECT_NE(shown.find("  env sh -c"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("/usr/bin/env"), std::string::npos) << shown;
  }
  // Each remote client worked for the server and is back listening; it
  // ends on the stop request and keeps its settings.
  for (HostProcess* client : {&b, &c}) {
    EXPECT_NE(client->Output().find("<srv " + cluster_->Address(kServer) + ">"), std::string::npos)
        << client->Output();
    EXPECT_EQ(Stop(*client), 0) << client->Output();
  }
  EXPECT_NE(cluster_->ReadSettings(2).find("\nclient_machinemane = hostc\n"), std::string::npos);
}

TEST_F(DistributedBuild, ServerAloneEndsLikeALocalBuild) {
  const struct {
    const char* name;
    const char* makefile;
    int exitCode;
    std::string shown;
    std::string absent;
    std::vector<std::string> options = {};
  } cases[] = {
      {"up to date", "all: Makefile\n", 0, diag::LoadMessage(23603), diag::LoadMessage(23118)},
      // Without a target on the command line the server builds ALL, not the
      // first target.
      {"ALL by default", "first:\n\ttouch first\nall:\n\ttouch all\n", 0, diag::FormatCatalogMessage(23202, "all", 0),
       diag::FormatCatalogMessage(23202, "first", 0)},
      {"Ctrl+C", "all:\n\tkill -INT $PPID; while :; do read x; done < /dev/zero\n", 1, diag::LoadMessage(22505), ""},
      // The model dump belongs to the local build; -X only hides a console.
      {"-P -X", "all:\n\ttouch all\n", 0, diag::FormatCatalogMessage(23202, "all", 0), "View Macro", {"-P", "-X"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (!Make({"srv"}, c.makefile)) return;
    HostProcess& server = Server(c.options);
    EXPECT_EQ(server.WaitForExit(kLimitMs), c.exitCode) << server.Output();
    EXPECT_NE(server.Output().find(c.shown), std::string::npos) << server.Output();
    if (!c.absent.empty()) {
      EXPECT_EQ(server.Output().find(c.absent), std::string::npos) << server.Output();
    }
  }
}

TEST_F(DistributedBuild, DiamondIsHandedOutInTheOrderOfItsDependencies) {
  // A target fails unless the files of its dependents are there.
  if (!Make({"srv", "hostb", "hostc"},
            "top: left right\n"
            "\tsh -c \"test -f left && test -f right && echo top >> order.log\"\n"
            "left: base\n"
            "\tsh -c \"test -f base && echo side >> order.log\"\n"
            "\ttouch left\n"
            "right: base\n"
            "\tsh -c \"test -f base && echo side >> order.log\"\n"
            "\ttouch right\n"
            "base:\n"
            "\tsh -c \"echo base >> order.log\"\n"
            "\ttouch base\n")) {
    return;
  }
  HostProcess& b = Client(1);
  HostProcess& c = Client(2);
  HostProcess& server = Server();
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
  EXPECT_EQ(cluster_->ReadFile("order.log"), "base\nside\nside\ntop\n") << server.Output();
  EXPECT_EQ(Stop(b), 0);
  EXPECT_EQ(Stop(c), 0);
}

TEST_F(DistributedBuild, TargetOfALostOrStoppedClientIsBuiltOnceElsewhere) {
  // On host "lost" the command waits until the test ends; elsewhere it
  // waits for the test's go, one line per run, then notes the builder.
  const char* command =
      "\tsh -c \"if [ `hostname` = lost ]; then exec cat gate.fifo; else read go < go.fifo; fi\"\n"
      "\tsh -c \"hostname >> $@.log\"\n";
  // The machine drops off (the server finds the connection cut), or the
  // client is stopped (it cancels its build phase itself).
  const struct {
    bool kill;
    unsigned notice;
  } cases[] = {{true, 23113}, {false, 23114}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.notice);
    if (!Make({"srv", "lost"}, std::string("all: a b\na:\n") + command + "b:\n" + command, {},
              {"gate.fifo", "go.fifo"})) {
      return;
    }
    HostProcess& lost = Client(1);
    HostProcess& server = Server();
    ASSERT_TRUE(lost.WaitForOutput(diag::LoadMessage(23522), kLimitMs)) << lost.Output() << server.Output();
    if (c.kill) {
      lost.Kill();
      lost.WaitForExit(kLimitMs);
    } else {
      EXPECT_EQ(Stop(lost), 0) << lost.Output();
    }
    ASSERT_TRUE(server.WaitForOutput(diag::LoadMessage(c.notice), kLimitMs)) << server.Output();
    EXPECT_TRUE(cluster_->WriteToPipe("go.fifo", "go\\ngo\\n"));

    EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
    EXPECT_EQ(cluster_->ReadFile("a.log"), "srv\n") << server.Output();
    EXPECT_EQ(cluster_->ReadFile("b.log"), "srv\n") << server.Output();
  }
}

// The first client to start a command waits until it is ended; the server
// is stopped, or the other command fails (its code is the run's with -K).
// The client's build phase is cancelled and closed; it listens again.
TEST_F(DistributedBuild, StoppedServerOrFailingCommandCancelsTheClients) {
  const struct {
    std::vector<std::string> options;
    bool interrupt;
    int exitCode;
  } cases[] = {{{}, true, 1}, {{}, false, 1}, {{"-K"}, false, 4}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.options) + (c.interrupt ? " Ctrl+C" : ""));
    if (!Make({"srv", "hostb"},
              std::string("all: one two\none two:\n\t") +
                  (c.interrupt ? "cat gate.fifo\n" : "sh -c \"if mkdir first.lock; then cat gate.fifo; else exit 4; fi\"\n"),
              {}, {"gate.fifo"})) {
      return;
    }
    HostProcess& b = Client(1);
    HostProcess& server = Server(c.options);
    if (c.interrupt) {
      ASSERT_TRUE(b.WaitForOutput(diag::LoadMessage(23522), kLimitMs)) << b.Output() << server.Output();
      server.Interrupt();
    }
    EXPECT_EQ(server.WaitForExit(kLimitMs), c.exitCode) << server.Output();
    if (!c.interrupt) {
      EXPECT_NE(server.Output().find(diag::FormatCatalogMessage(23202, "", 4)), std::string::npos) << server.Output();
    }
    EXPECT_TRUE(b.WaitForOutput(diag::LoadMessage(c.interrupt ? 23523 : 23524), kLimitMs)) << b.Output();
    EXPECT_TRUE(b.WaitForOutput(diag::LoadMessage(23524), kLimitMs)) << b.Output();
    EXPECT_EQ(Stop(b), 0) << b.Output();
  }
}

TEST_F(DistributedBuild, ClientRefusesABuiltInAndTheTargetIsBuiltElsewhere) {
  // The first client to start a command waits for the test; the other goes
  // on to a line of a command-processor built-in, which hostb refuses (its
  // default) and the server's own client runs.
  if (!Make({"srv", "hostb"},
            "all: x y\n"
            "x y:\n"
            "\tsh -c \"if mkdir first.lock; then read go < go.fifo; fi\"\n"
            "\techo $@ > $@.txt\n",
            {}, {"go.fifo"})) {
    return;
  }
  cluster_->WriteSettings(kServer, "client_noexecshellcmd = FALSE\n");
  HostProcess& b = Client(1);
  HostProcess& server = Server();
  // hostb has received a command line (shown indented after the server).
  ASSERT_TRUE(b.WaitForOutput(">   ", kLimitMs)) << b.Output() << server.Output();
  EXPECT_TRUE(cluster_->WriteToPipe("go.fifo", "go\\n"));
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
  EXPECT_TRUE(b.WaitForOutput(diag::LoadMessage(23526) + "\n", kLimitMs)) << b.Output();
  const std::string clientError = diag::LoadMessage(23110);
  EXPECT_NE(server.Output().find(clientError.substr(0, clientError.find('('))), std::string::npos) << server.Output();
  EXPECT_EQ(cluster_->ReadFile("x.txt") + cluster_->ReadFile("y.txt"), "x\ny\n");
  EXPECT_EQ(Stop(b), 0);
}

TEST_F(DistributedBuild, PassiveClientConnectsWithoutAnAnnouncement) {
  // The pair needs two clients at once; hostb listens on a port no
  // announcement goes to, and connects by itself.
  if (!Make({"srv", "hostb"}, PairMakefile(""), {"pq.fifo"})) return;
  cluster_->WriteSettings(1, "client_portno = 4399\n");
  HostProcess& server = Server();
  // Listening: the in-process client is in.
  ASSERT_TRUE(server.WaitForOutput("[??? 127.0.0.1] connected", kLimitMs)) << server.Output();
  HostProcess& b = cluster_->Start(1, {PASSIVE_CLIENT, cluster_->Address(kServer), "4312"});
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output() << b.Output();
  EXPECT_EQ(Builders({"p", "q"}), (std::vector<std::string>{"hostb\n", "srv\n"}));
  EXPECT_EQ(Stop(b), 0) << b.Output();
}

TEST_F(DistributedBuild, AllowListsKeepUnlistedPeersOut) {
  // hostb is on both lists; the server does not serve hostc; hostd serves
  // only a server it does not see. The pair p/q needs two clients at once:
  // the in-process one and hostb.
  if (!Make({"srv", "hostb", "hostc", "hostd"},
            PairMakefile("\tsh -c \"read go < go.fifo\"\n"), {"pq.fifo"}, {"go.fifo"})) {
    return;
  }
  cluster_->WriteSettings(kServer, "server_allowclients = 10.77.0.2, hostd\n");
  cluster_->WriteSettings(1, "client_allowservers = 10.77.0.0/24\n");
  cluster_->WriteSettings(3, "client_allowservers = 10.77.0.9\nclient_savelog = TRUE\nclient_savelogfile = d.clog\n");
  HostProcess& d = Client(3);
  HostProcess& c = Client(2);
  HostProcess& b = Client(1);
  HostProcess& server = Server();
  // The build goes on until the server has turned hostc away.
  EXPECT_TRUE(server.WaitForOutput("Refused client hostc (10.77.0.3): not in server_allowclients", kLimitMs))
      << server.Output();
  EXPECT_TRUE(cluster_->WriteToPipe("go.fifo", "go\\n"));
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
  EXPECT_EQ(server.Output().find("hostd"), std::string::npos) << server.Output();
  EXPECT_EQ(Builders({"p", "q"}), (std::vector<std::string>{"hostb\n", "srv\n"}));
  for (HostProcess* client : {&b, &c, &d}) EXPECT_EQ(Stop(*client), 0) << client->Output();
  EXPECT_NE(cluster_->ReadFile("d.clog").find("Ignored server srv (10.77.0.1): not in client_allowservers"),
            std::string::npos)
      << cluster_->ReadFile("d.clog");
}

}  // namespace
}  // namespace testing_support
