// bramle -B and bramle -R as users run them, on hosts of a cluster the test
// makes: discovery, several clients beside the in-process one, a client
// stopped in the middle of a command, failures and Ctrl+C. The hand-out
// itself (order, lost and refusing clients, allow-lists) is BuildServer's
// and BuildClient's to test over loopback. Every wait is bounded; a
// headless server must end by itself with the exit code of a local build.
#include <gtest/gtest.h>

#include <set>

#include "diag/message_catalogue.h"
#include "distributed/build_server.h"
#include "platform/text.h"
#include "support/bramle_process.h"
#include "support/cluster.h"
#include "support/json_reader.h"

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

class DistributedBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const std::string reason = Cluster::Unavailable(); !reason.empty()) GTEST_SKIP() << reason;
  }

  // Makes the cluster and its makefile, with the pipes `meeting` (made)
  // and `held` (made and held open, see Cluster::HoldPipes).
  void Make(const std::vector<std::string>& hosts, const std::string& makefile,
            const std::vector<std::string>& meeting = {}, const std::vector<std::string>& held = {}) {
    cluster_ = std::make_unique<Cluster>(hosts);
    ASSERT_EQ(cluster_->Error(), "");
    cluster_->WriteFile("Makefile", makefile);
    ASSERT_TRUE(meeting.empty() || cluster_->MakePipes(meeting));
    ASSERT_TRUE(held.empty() || cluster_->HoldPipes(held));
  }

  // A resident client, known to be running.
  HostProcess& Client(size_t host) {
    HostProcess& client = cluster_->Start(host, {BramleExecutable(), "-R"});
    EXPECT_TRUE(client.WaitForOutput(diag::LoadMessage(diag::msg::kResidentStarted), kLimitMs)) << client.Output();
    return client;
  }

  // With the window part out of reach the console view serves.
  HostProcess& Server(const std::vector<std::string>& options = {}, const std::string& redirection = "") {
    std::vector<std::string> arguments = {"sh", "-c", std::string("exec env ") + kNoWindowPart + " \"$@\"" + redirection,
                                          "sh", BramleExecutable(), "-B"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return cluster_->Start(kServer, arguments);
  }

  // Waits until each of `clients` runs a command of `server`'s build.
  static void WaitRunning(std::initializer_list<HostProcess*> clients, HostProcess& server) {
    for (HostProcess* client : clients) {
      ASSERT_TRUE(client->WaitForOutput(diag::LoadMessage(diag::msg::kRunningCommand), kLimitMs))
          << client->Output() << server.Output();
    }
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

// A name server on the server's host that takes every query and answers
// none, as one that cannot be reached does.
constexpr const char* kSilentNameServer = R"(import socket
s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
s.bind(("10.77.0.1", 53))
print("ready", flush=True)
while True:
    s.recvfrom(512)
    print("query", flush=True))";

// No host finds its own name in /etc/hosts and the name server never
// answers: nothing in a build may ask it (each lookup held a build for
// seconds).
TEST_F(DistributedBuild, ClientsFoundByTheAnnouncementBuildBesideTheInProcessClient) {
  ASSERT_NO_FATAL_FAILURE(Make({"srv", "hostb", "hostc"}, kRingMakefile, {"pq.fifo", "qr.fifo", "rp.fifo"}));
  // The default port is taken: the remote clients reach the port the
  // server chose through its announcement alone.
  cluster_->WriteSettings(kServer, "server_normalportauto = TRUE\n");
  cluster_->SetNameService("127.0.0.1 localhost\n", "nameserver 10.77.0.1\noptions timeout:1 attempts:1\n");
  HostProcess& taken = cluster_->Start(kServer, {"python3", "-c", kHoldDefaultPort});
  HostProcess& names = cluster_->Start(kServer, {"python3", "-c", kSilentNameServer});
  if (!taken.WaitForOutput("ready", kLimitMs) || !names.WaitForOutput("ready", kLimitMs)) {
    GTEST_SKIP() << "python3 is needed to take the default port and to be the silent name server";
  }
  HostProcess& b = Client(1);
  HostProcess& c = Client(2);
  HostProcess& server = Server({"-Z", "trace.json"});
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();

  // The trace has a lane per client, named by machine and address, and
  // each command line on one of them.
  const TraceSummary trace = SummariseTrace(cluster_->ReadFile("trace.json"));
  EXPECT_EQ(trace.run, "built 0");
  EXPECT_EQ(std::set<std::string>(trace.lanes.begin(), trace.lanes.end()),
            (std::set<std::string>{"bramle", "hostb 10.77.0.2", "hostc 10.77.0.3", "srv 127.0.0.1"}));
  EXPECT_EQ(trace.commands.size(), 6u);
  // Each target notes the host that built it.
  std::set<std::string> builders;
  for (const char* target : {"p", "q", "r"}) builders.insert(cluster_->ReadFile(std::string(target) + ".host"));
  EXPECT_EQ(builders, (std::set<std::string>{"hostb\n", "hostc\n", "srv\n"})) << server.Output();
  const std::string out = server.Output();
  const std::string& portFailed = diag::LoadMessage(diag::msg::kAutomaticPortFailed);
  EXPECT_EQ(out.find(portFailed.substr(0, portFailed.find('\r'))), std::string::npos) << out;
  EXPECT_NE(out.find("[hostb 10.77.0.2]"), std::string::npos) << out;
  // A client is shown by its address until it has named itself, in the
  // catalogue's words; the end is told once.
  EXPECT_NE(out.find("[10.77.0.2] " + diag::LoadMessage(diag::msg::kClientConnected)), std::string::npos) << out;
  EXPECT_EQ(out.find("???"), std::string::npos) << out;
  const std::string complete = platform::NarrowFromUtf8(distributed::kStatusComplete);
  EXPECT_EQ(out.find(complete), out.rfind(complete)) << out;
  // The program's directory is not sent to the clients.
  if (cluster_->ReadFile("q.host") != "srv\n") {
    const std::string shown = b.Output() + c.Output();
    EXPECT_NE(shown.find("  env sh -c"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("/usr/bin/env"), std::string::npos) << shown;
  }
  // Each remote client worked for the server and is back listening; it
  // ends on the stop request.
  for (HostProcess* client : {&b, &c}) {
    EXPECT_NE(client->Output().find("<srv " + cluster_->Address(kServer) + ">"), std::string::npos)
        << client->Output();
    EXPECT_EQ(Stop(*client), 0) << client->Output();
  }
  EXPECT_EQ(names.Output().find("query"), std::string::npos) << out;
}

TEST_F(DistributedBuild, ServerAloneEndsLikeALocalBuild) {
  const std::string touchAll = "all:\n\ttouch all\n", ready = diag::LoadMessage(diag::msg::kServerReady);
  const std::string dialog = diag::LoadMessage(diag::msg::kServerCannotStartDialog);
  const std::string cannotStart = dialog.substr(0, dialog.find('\r'));
  const std::string finishedAll = diag::FormatCatalogMessage(diag::msg::kTargetFinished, "all", 0);
  const struct {
    const char* name;
    std::string makefile;
    int exitCode;
    std::string shown;
    std::string absent;
    std::vector<std::string> options = {};
    bool portTaken = false;
    const char* settings = "";
  } cases[] = {
      {"up to date", "all: Makefile\n", 0, diag::LoadMessage(diag::msg::kTargetUpToDate), ready},
      // Without a target on the command line the server builds ALL, not the
      // first target.
      {"ALL by default", "first:\n\ttouch first\nall:\n\ttouch all\n", 0,
       diag::FormatCatalogMessage(diag::msg::kBuildingTargetOn, "all", "srv"),
       diag::FormatCatalogMessage(diag::msg::kTargetFinished, "first", 0)},
      {"Ctrl+C: the command did not finish", "all:\n\tkill -INT $PPID; while :; do read x; done < /dev/zero\n", 1,
       diag::LoadMessage(diag::msg::kCtrlCReceived), finishedAll},
      // -K as locally: the failure stops only its own target; the exit code
      // is its command's.
      {"-K", "all: bad good\nbad:\n\texit 3\ngood:\n\ttouch good\n", 3,
       diag::FormatCatalogMessage(diag::msg::kTargetFinished, "good", 0),
       platform::NarrowFromUtf8(distributed::kCommandFailedLine), {"-K"}},
      // The model dump belongs to the local build; -X only hides a console.
      {"-P -X", touchAll, 0, finishedAll, "View Macro", {"-P", "-X"}},
      // A port no socket can have is refused, never wrapped into another.
      {"port out of range", touchAll, 1, cannotStart, ready, {}, false, "server_normalport = 70000\n"},
      // Last, as it needs python3: the port is taken and no other is chosen.
      {"port taken", touchAll, 1, cannotStart, ready, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NO_FATAL_FAILURE(Make({"srv"}, c.makefile));
    if (c.portTaken && !cluster_->Start(kServer, {"python3", "-c", kHoldDefaultPort}).WaitForOutput("ready", kLimitMs)) {
      GTEST_SKIP() << "python3 is needed to take the default port";
    }
    cluster_->WriteSettings(kServer, c.settings);
    HostProcess& server = Server(c.options);
    EXPECT_EQ(server.WaitForExit(kLimitMs), c.exitCode) << server.Output();
    EXPECT_NE(server.Output().find(c.shown), std::string::npos) << server.Output();
    EXPECT_EQ(server.Output().find(c.absent), std::string::npos) << server.Output();
  }
}

// The first client to start a command waits until it is ended; the server
// is stopped (Ctrl+C), or the other command fails. The client's build phase
// is cancelled and closed; it listens again.
TEST_F(DistributedBuild, StoppedServerOrFailingCommandCancelsTheClients) {
  for (const bool interrupt : {true, false}) {
    SCOPED_TRACE(interrupt ? "Ctrl+C" : "failing command");
    ASSERT_NO_FATAL_FAILURE(Make(
        {"srv", "hostb"},
        std::string("all: one two\none two:\n\t") +
            (interrupt ? "cat gate.fifo\n" : "sh -c \"if mkdir first.lock; then cat gate.fifo; else exit 4; fi\"\n"),
        {}, {"gate.fifo"}));
    HostProcess& b = Client(1);
    HostProcess& server = Server();
    if (interrupt) {
      ASSERT_NO_FATAL_FAILURE(WaitRunning({&b}, server));
      server.Interrupt();
    }
    EXPECT_EQ(server.WaitForExit(kLimitMs), 1) << server.Output();
    if (!interrupt) {
      EXPECT_NE(server.Output().find(diag::FormatCatalogMessage(diag::msg::kTargetFinished, "", 4)), std::string::npos)
          << server.Output();
    }
    // The in-process client's phase is opened once: none opens after the
    // failure, before the run ends.
    const std::string opening = "[srv " + cluster_->Address(kServer) + "] " +
                                diag::LoadMessage(diag::msg::kOpeningBuildPhase);
    EXPECT_EQ(server.Output().find(opening), server.Output().rfind(opening)) << server.Output();
    EXPECT_TRUE(b.WaitForOutput(
        diag::LoadMessage(interrupt ? diag::msg::kCancelledByServer : diag::msg::kClosingBuildPhase), kLimitMs))
        << b.Output();
    EXPECT_TRUE(b.WaitForOutput(diag::LoadMessage(diag::msg::kClosingBuildPhase), kLimitMs)) << b.Output();
    EXPECT_EQ(Stop(b), 0) << b.Output();
  }
}

// The server is killed while every client runs a command: the clients end
// their commands and serve the next server, whose build succeeds.
TEST_F(DistributedBuild, KilledServerLeavesTheClientsReadyForTheNextBuild) {
  ASSERT_NO_FATAL_FAILURE(Make({"srv", "hostb", "hostc"},
                               "all: a b c\na b c:\n"
                               "\tsh -c \"if [ -e again ]; then hostname > $@.host; else cat gate.fifo; fi\"\n",
                               {}, {"gate.fifo"}));
  HostProcess& b = Client(1);
  HostProcess& c = Client(2);
  HostProcess& killed = Server();
  ASSERT_NO_FATAL_FAILURE(WaitRunning({&b, &c}, killed));
  killed.Kill();
  EXPECT_EQ(killed.WaitForExit(kLimitMs), 128 + 9);
  cluster_->WriteFile("again", "");
  HostProcess& server = Server();
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output() << b.Output() << c.Output();
  for (const char* target : {"a", "b", "c"}) EXPECT_NE(cluster_->ReadFile(std::string(target) + ".host"), "");
  for (HostProcess* client : {&b, &c}) EXPECT_EQ(Stop(*client), 0) << client->Output();
}

// A resident client stopped in the middle of a command (its service
// manager's request) cancels its build phase itself; one frozen there is
// given up after the time limit (a minute, the least the setting takes),
// named on the console. Their targets are built once each, on the server's
// own machine, and the build ends. A client lost outright: BuildServer's
// tests.
TEST_F(DistributedBuild, TargetsOfStoppedAndFrozenClientsAreBuiltOnceElsewhere) {
  ASSERT_NO_FATAL_FAILURE(Make({"srv", "lost", "frozen"},
                               "all: a b c\na b c:\n"
                               "\tsh -c \"if [ `hostname` != srv ]; then exec cat gate.fifo; fi; read go < go.fifo\"\n"
                               "\tsh -c \"hostname >> $@.log\"\n",
                               {}, {"gate.fifo", "go.fifo"}));
  cluster_->WriteSettings(kServer, "server_timeout = TRUE\nserver_timeouttime = 1\n");
  HostProcess& lost = Client(1);
  HostProcess& frozen = Client(2);
  HostProcess& server = Server();
  ASSERT_NO_FATAL_FAILURE(WaitRunning({&lost, &frozen}, server));
  EXPECT_EQ(Stop(lost), 0) << lost.Output();
  ASSERT_TRUE(server.WaitForOutput(diag::LoadMessage(diag::msg::kCancelledByClient), kLimitMs)) << server.Output();
  frozen.Freeze();
  EXPECT_TRUE(cluster_->WriteToPipe("go.fifo", "go\\ngo\\ngo\\n"));
  const std::string givenUp = diag::FormatCatalogMessage(diag::msg::kClientGivenUp, "frozen", 1);
  EXPECT_TRUE(server.WaitForOutput(givenUp, 2 * kLimitMs)) << server.Output();
  // Named with the seconds it has been silent, before it is given up.
  const std::string silent = diag::FormatCatalogMessage(diag::msg::kClientSilent, "frozen", 0);
  EXPECT_LT(server.Output().find(silent.substr(0, silent.find('0'))), server.Output().find(givenUp));
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
  EXPECT_EQ(cluster_->ReadFile("c.log"), "srv\n") << server.Output();
  EXPECT_EQ(cluster_->ReadFile("a.log") + cluster_->ReadFile("b.log"), "srv\nsrv\n") << server.Output();
}

// Two targets print 100 MB each at once, one on the in-process client and
// one on a resident client: the server keeps each target's output whole
// (past a bound in a temporary file), and neither side grows with it.
TEST_F(DistributedBuild, HundredMegabytesOfOutputKeepBothSidesSmall) {
  const std::string line(63, 'x');
  const long lines = (100 << 20) / 64;
  const std::string print = "\tyes " + line + " | head -n " + std::to_string(lines) + "\n\ttouch $@\n";
  ASSERT_NO_FATAL_FAILURE(Make({"srv", "hostb"},
                               "all: a b\n\tsh -c \"echo up > up.fifo; read go < gate.fifo\"\n"
                               "a:\n\tsh -c \"echo a > ab.fifo; cat ba.fifo\"\n" + print +
                                   "b:\n\tsh -c \"cat ab.fifo; echo b > ba.fifo\"\n" + print,
                               {"ab.fifo", "ba.fifo", "up.fifo"}, {"gate.fifo"}));
  HostProcess& b = Client(1);
  HostProcess& server = Server({}, " 2>server.err");
  ASSERT_TRUE(cluster_->Start(kServer, {"cat", "up.fifo"}).WaitForOutput("up", 2 * kLimitMs)) << server.Output();
  for (HostProcess* side : {&server, &b}) {
    const long peakKb = side->PeakMemoryKb();
    EXPECT_TRUE(peakKb > 0 && peakKb <= 64 << 10) << peakKb << " kB\n" << side->Output();
  }
  EXPECT_TRUE(cluster_->WriteToPipe("gate.fifo", "go\\n"));
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
  HostProcess& count = cluster_->Start(kServer, {"grep", "-cx", line, "server.err"});
  count.WaitForExit(kLimitMs);
  EXPECT_EQ(count.Output(), std::to_string(2 * lines) + "\n");
  EXPECT_EQ(Stop(b), 0) << b.Output();
}

// Opens 1,000 connections to the server's port and says nothing on any.
// Asked through ask.fifo, tells how many are still quiet (nothing came in
// and none was closed) and answers through told.fifo; once each has been
// closed, tells how many bytes came in over them.
constexpr const char* kIdleConnections = R"(import resource, select, socket, sys
hard = resource.getrlimit(resource.RLIMIT_NOFILE)[1]
resource.setrlimit(resource.RLIMIT_NOFILE, (hard, hard))
held = [socket.create_connection((sys.argv[1], 4320)) for _ in range(1000)]
print("held", len(held), flush=True)
open("ask.fifo").read(1)
poll = select.poll()
for s in held:
    poll.register(s, select.POLLIN)
print("quiet", len(held) - len(poll.poll(0)), flush=True)
open("told.fifo", "w").write("told\n")
received = 0
for s in held:
    s.settimeout(60)
    received += len(s.recv(4096))
print("received", received, flush=True))";

// Connections that never greet the server are kept through the build
// (the time-out is off), neither handed a target nor ending the build, and
// closed at its end.
TEST_F(DistributedBuild, ThousandIdleConnectionsDuringABuild) {
  ASSERT_NO_FATAL_FAILURE(
      Make({"srv", "hostb", "idle"},
           "all: probe\nprobe: a b\n\tsh -c \"echo > ask.fifo; read told < told.fifo\"\n\ttouch $@\n"
           "a b:\n\tsh -c \"read go < gate.fifo\"\n\thostname > $@\n",
           {"ask.fifo", "told.fifo"}, {"gate.fifo"}));
  cluster_->WriteSettings(kServer, "server_normalportauto = FALSE\nserver_normalport = 4320\nserver_timeout = FALSE\n");
  HostProcess& b = Client(1);
  HostProcess& server = Server();
  ASSERT_NO_FATAL_FAILURE(WaitRunning({&b}, server));
  HostProcess& idle = cluster_->Start(2, {"python3", "-c", kIdleConnections, cluster_->Address(kServer)});
  if (!idle.WaitForOutput("held 1000", kLimitMs)) {
    GTEST_SKIP() << "python3 and 1,000 open files are needed to hold the connections\n" << idle.Output();
  }
  // Every one of them is taken by the server before the build goes on.
  const std::string connected = "[" + cluster_->Address(2) + "] " + diag::LoadMessage(diag::msg::kClientConnected);
  EXPECT_TRUE(server.WaitForOutput(connected, kLimitMs, 1000)) << server.Output();
  EXPECT_TRUE(cluster_->WriteToPipe("gate.fifo", "go\\ngo\\n"));
  EXPECT_EQ(server.WaitForExit(kLimitMs), 0) << server.Output();
  for (const char* target : {"a", "b"}) EXPECT_NE(cluster_->ReadFile(target), "");
  EXPECT_TRUE(idle.WaitForOutput("received 0\n", kLimitMs)) << idle.Output();
  EXPECT_NE(idle.Output().find("quiet 1000\n"), std::string::npos) << idle.Output();
  EXPECT_EQ(Stop(b), 0) << b.Output();
}

}  // namespace
}  // namespace testing_support
