// Hosts for black-box tests of the distributed build, each in a network
// namespace of the test's own making, with its own host name, address,
// settings folder and temporary folder. Broadcasts and connections stay
// among these namespaces: the hosts share a bridge in a namespace of its
// own, with addresses 10.77.0.1, 10.77.0.2, ... that exist nowhere else.
//
// Every host sees the same shared folder (the source tree at the same place
// on every machine). A host can also run the Windows build under a Wine of
// its own. Processes are ended by their id when their object goes, Wine and
// the namespaces when the cluster goes, also when a test fails midway.
#pragma once

#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// One process started on a cluster host. Its standard output and error are
// read together, as a terminal shows them.
class HostProcess {
 public:
  HostProcess(int pid, int outputFd);
  // A process still running is killed; its end is awaited.
  ~HostProcess();
  HostProcess(const HostProcess&) = delete;
  HostProcess& operator=(const HostProcess&) = delete;

  // Waits up to `timeoutMs` until `text` appears `times` times in the
  // output; false when the process ended first or the time ran out.
  bool WaitForOutput(const std::string& text, int timeoutMs, int times = 1);
  // Waits up to `timeoutMs` for the end and for the last output; the exit
  // code (128 + signal for a killed process), or -1 when the process had to
  // be killed because the time ran out.
  int WaitForExit(int timeoutMs);
  std::string Output() const;
  // The peak resident set (VmHWM) of the running process in kB; -1 when it
  // cannot be read.
  long PeakMemoryKb() const;

  void Interrupt();  // Ctrl+C
  void Terminate();  // the service manager's stop request
  void Kill();       // ended at once, with no word to anyone
  void Freeze();     // stopped where it is (SIGSTOP), its connections open

 private:
  void ReadOutput(int fd);
  void WaitForEnd();
  void Signal(int signal);

  const int pid_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::string output_;
  bool outputClosed_ = false;
  bool ended_ = false;
  int exitCode_ = -1;
  std::thread reader_;
  std::thread waiter_;
};

class Cluster {
 public:
  // Empty when clusters can be made here; else a plain reason to skip.
  static std::string Unavailable();

  // One host per name (a host name of at most 15 characters).
  explicit Cluster(const std::vector<std::string>& hostNames);
  ~Cluster();
  Cluster(const Cluster&) = delete;
  Cluster& operator=(const Cluster&) = delete;

  // Empty when every namespace stands; else what failed.
  const std::string& Error() const { return error_; }

  // The host's address as the others reach it.
  std::string Address(size_t host) const;
  // Writes the host's own Bramle.inf.
  void WriteSettings(size_t host, const std::string& text) const;
  // Replaces the /etc/hosts and /etc/resolv.conf that processes started
  // from then on see (by default every host's name, and no name server).
  void SetNameService(const std::string& hosts, const std::string& resolvConf) const;
  // Writes or reads a file of the shared folder (name relative to it).
  void WriteFile(const std::string& name, const std::string& content) const;
  std::string ReadFile(const std::string& name) const;

  // Named pipes in the shared folder, for commands that must meet or wait
  // for the test. MakePipes only makes them; HoldPipes makes them and keeps
  // them open for reading and writing until the cluster goes, so that what
  // is written to one waits there for its reader and a reader left behind
  // ends with the cluster. False when they could not be made.
  bool MakePipes(const std::vector<std::string>& names);
  bool HoldPipes(const std::vector<std::string>& names);
  // Writes `text` (printf's format: "\n" for a line end) into the pipe.
  bool WriteToPipe(const std::string& name, const std::string& text);

  // Starts `arguments` (a program and its arguments) on `host`, in the
  // shared folder, with the host's settings and temporary folders.
  HostProcess& Start(size_t host, const std::vector<std::string>& arguments);

  // Gives `host` a virtual display (Xvfb) of its own, which the host's
  // processes started afterwards show their windows on (call it before
  // StartWine); no host sees any other display. Empty when it runs, else
  // what failed.
  std::string StartDisplay(size_t host);

  // Lets `host` run Windows programs under Wine. Wine's sockets live in the
  // namespace of the prefix's wineserver, so the host gets a copy of the
  // prefix `winePrefix` whose wineserver starts inside its namespace; it is
  // ended with the cluster. Empty when ready, else what failed.
  std::string StartWine(size_t host, const std::filesystem::path& winePrefix);
  // Starts the Windows program `program` under the host's Wine, from a copy
  // in the host's own folder, beside which it reads its Bramle.inf.
  HostProcess& StartWindows(size_t host, const std::filesystem::path& program,
                            const std::vector<std::string>& arguments);

 private:
  bool RunSetup(const std::string& line);
  std::vector<std::string> WineCommand(size_t host, const std::vector<std::string>& arguments) const;

  std::vector<std::string> hostNames_;
  std::string prefix_;
  std::filesystem::path root_;
  std::filesystem::path shared_;
  std::vector<std::string> namespaces_;  // made so far, removed at the end
  std::vector<size_t> wineHosts_;
  std::vector<std::string> displays_;       // per host: its DISPLAY, or empty
  std::vector<HostProcess*> displayServers_;
  std::string error_;
  std::vector<std::unique_ptr<HostProcess>> processes_;
};

}  // namespace testing_support
