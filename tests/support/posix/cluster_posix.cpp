#include "support/cluster.h"
#include "support/bramle_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>

namespace testing_support {
namespace {

using Clock = std::chrono::steady_clock;

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

void WriteWholeFile(const std::filesystem::path& path, const std::string& content) {
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << content;
}

// Inside the host's namespaces: its name, its view of the cluster's names
// (no name is looked up outside), then the program.
constexpr const char* kHostShell =
    "hostname \"$1\" && mount --bind \"$2\" /etc/hosts && mount --bind \"$3\" /etc/resolv.conf && cd \"$4\" "
    "&& shift 4 && exec \"$@\"";

}  // namespace

HostProcess::HostProcess(int pid, int outputFd) : pid_(pid) {
  reader_ = std::thread([this, outputFd] { ReadOutput(outputFd); });
  waiter_ = std::thread([this] { WaitForEnd(); });
}

HostProcess::~HostProcess() {
  {
    std::lock_guard<std::mutex> hold(mutex_);
    if (!ended_) ::kill(pid_, SIGKILL);
  }
  waiter_.join();
  reader_.join();
}

void HostProcess::ReadOutput(int fd) {
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    std::lock_guard<std::mutex> hold(mutex_);
    outputClosed_ = n <= 0;
    if (n > 0) output_.append(buffer, static_cast<size_t>(n));
    changed_.notify_all();
    if (outputClosed_) break;
  }
  ::close(fd);
}

void HostProcess::WaitForEnd() {
  int status = 0;
  while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
  }
  std::lock_guard<std::mutex> hold(mutex_);
  ended_ = true;
  exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  changed_.notify_all();
}

bool HostProcess::WaitForOutput(const std::string& text, int timeoutMs, int times) {
  std::unique_lock<std::mutex> hold(mutex_);
  const auto found = [&] {
    size_t at = 0;
    for (int seen = 0; seen < times; ++seen, at += text.size()) {
      at = output_.find(text, at);
      if (at == std::string::npos) return false;
    }
    return true;
  };
  changed_.wait_until(hold, Clock::now() + std::chrono::milliseconds(timeoutMs),
                      [&] { return found() || outputClosed_; });
  return found();
}

int HostProcess::WaitForExit(int timeoutMs) {
  std::unique_lock<std::mutex> hold(mutex_);
  // A command the process left running may hold the output open: the end
  // of the process is what counts, its output only within the same time.
  const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  changed_.wait_until(hold, deadline, [&] { return ended_ && outputClosed_; });
  if (ended_) return exitCode_;
  ::kill(pid_, SIGKILL);
  changed_.wait(hold, [&] { return ended_; });
  return -1;
}

std::string HostProcess::Output() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return output_;
}

long HostProcess::PeakMemoryKb() const {
  std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
  for (std::string word; status >> word;) {
    if (word == "VmHWM:" && status >> word) return std::stol(word);
  }
  return -1;
}

void HostProcess::Interrupt() { Signal(SIGINT); }
void HostProcess::Terminate() { Signal(SIGTERM); }
void HostProcess::Kill() { Signal(SIGKILL); }
void HostProcess::Freeze() { Signal(SIGSTOP); }

void HostProcess::Signal(int signal) {
  // Only while it is ours: an ended process's id may be reused.
  std::lock_guard<std::mutex> hold(mutex_);
  if (!ended_) ::kill(pid_, signal);
}

std::string Cluster::Unavailable() {
  if (::geteuid() != 0) return "the cluster tests need root to make network namespaces";
  if (std::system("ip netns list >/dev/null 2>&1 && unshare -n -u -m true >/dev/null 2>&1") != 0) {
    return "network namespaces are not allowed here (ip netns, unshare -n -u -m)";
  }
  return "";
}

Cluster::Cluster(const std::vector<std::string>& hostNames) : hostNames_(hostNames) {
  static std::atomic<int> counter{0};
  prefix_ = "bcl" + std::to_string(::getpid()) + "n" + std::to_string(counter++);
  root_ = std::filesystem::temp_directory_path() / prefix_;
  std::filesystem::remove_all(root_);
  shared_ = root_ / "shared";
  std::filesystem::create_directories(shared_);

  std::string hosts = "127.0.0.1 localhost\n";
  for (size_t i = 0; i < hostNames_.size(); ++i) {
    hosts += Address(i) + " " + hostNames_[i] + "\n";
    std::filesystem::create_directories(root_ / hostNames_[i] / "tmp");
    std::filesystem::create_directories(root_ / hostNames_[i] / "config" / "bramle");
  }
  WriteWholeFile(root_ / "hosts", hosts);
  WriteWholeFile(root_ / "resolv.conf", "");

  const std::string bridge = prefix_ + "switch";
  if (RunSetup("ip netns add " + bridge)) namespaces_.push_back(bridge);
  RunSetup("ip -n " + bridge + " link add br0 type bridge");
  RunSetup("ip -n " + bridge + " link set br0 up");
  for (size_t i = 0; i < hostNames_.size() && error_.empty(); ++i) {
    const std::string ns = prefix_ + hostNames_[i];
    const std::string port = "port" + std::to_string(i);
    if (RunSetup("ip netns add " + ns)) namespaces_.push_back(ns);
    RunSetup("ip -n " + ns + " link set lo up");
    RunSetup("ip -n " + bridge + " link add " + port + " type veth peer name eth0 netns " + ns);
    RunSetup("ip -n " + bridge + " link set " + port + " master br0 up");
    RunSetup("ip -n " + ns + " addr add " + Address(i) + "/24 dev eth0");
    RunSetup("ip -n " + ns + " link set eth0 up");
    RunSetup("ip -n " + ns + " route add 255.255.255.255/32 dev eth0 src " + Address(i));
  }
}

Cluster::~Cluster() {
  // Wine's processes end with their server; what is left ends by its id.
  for (size_t host : wineHosts_) Start(host, WineCommand(host, {"wineserver", "-k"})).WaitForExit(60000);
  // Asked to end, a display server removes its socket and lock file.
  for (HostProcess* server : displayServers_) {
    server->Terminate();
    server->WaitForExit(60000);
  }
  processes_.clear();
  for (const std::string& ns : namespaces_) std::system(("ip netns del " + ns + " 2>/dev/null").c_str());
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

bool Cluster::RunSetup(const std::string& line) {
  if (!error_.empty()) return false;
  const std::filesystem::path log = root_ / "setup.log";
  if (std::system((line + " >>" + Quote(log.string()) + " 2>&1").c_str()) == 0) return true;
  error_ = line + ": " + ReadWholeFile(log);
  return false;
}

std::string Cluster::Address(size_t host) const { return "10.77.0." + std::to_string(host + 1); }

void Cluster::WriteSettings(size_t host, const std::string& text) const {
  WriteWholeFile(root_ / hostNames_[host] / "config" / "bramle" / "Bramle.inf", text);
  WriteWholeFile(root_ / hostNames_[host] / "windows" / "Bramle.inf", text);
}

void Cluster::SetNameService(const std::string& hosts, const std::string& resolvConf) const {
  WriteWholeFile(root_ / "hosts", hosts);
  WriteWholeFile(root_ / "resolv.conf", resolvConf);
}

void Cluster::WriteFile(const std::string& name, const std::string& content) const {
  WriteWholeFile(shared_ / name, content);
}

std::string Cluster::ReadFile(const std::string& name) const { return ReadWholeFile(shared_ / name); }

bool Cluster::MakePipes(const std::vector<std::string>& names) {
  std::vector<std::string> command = {"mkfifo"};
  command.insert(command.end(), names.begin(), names.end());
  return Start(0, command).WaitForExit(60000) == 0;
}

bool Cluster::HoldPipes(const std::vector<std::string>& names) {
  // The holder waits on a pipe of its own that nobody writes to.
  const std::string own = "hold" + std::to_string(processes_.size()) + ".fifo";
  std::vector<std::string> all = {own};
  all.insert(all.end(), names.begin(), names.end());
  if (!MakePipes(all)) return false;
  std::string line = "exec";
  for (size_t i = 0; i < all.size(); ++i) line += " " + std::to_string(i + 3) + "<>" + Quote(all[i]);
  return Start(0, {"sh", "-c", line + "; echo held; read x <&3"}).WaitForOutput("held", 60000);
}

bool Cluster::WriteToPipe(const std::string& name, const std::string& text) {
  return Start(0, {"sh", "-c", "printf " + Quote(text) + " > " + Quote(name)}).WaitForExit(60000) == 0;
}

HostProcess& Cluster::Start(size_t host, const std::vector<std::string>& arguments) {
  // The host's own folders, and no display but its own.
  const std::filesystem::path home = root_ / hostNames_[host];
  std::vector<std::string> words = {"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY",
                                    "XDG_CONFIG_HOME=" + (home / "config").string(), "TMPDIR=" + (home / "tmp").string()};
  if (host < displays_.size() && !displays_[host].empty()) words.push_back("DISPLAY=" + displays_[host]);
  words.insert(words.end(), {"ip", "netns", "exec", prefix_ + hostNames_[host], "unshare", "-u", "-m", "sh", "-c",
                             kHostShell, "sh", hostNames_[host], (root_ / "hosts").string(),
                             (root_ / "resolv.conf").string(), shared_.string()});
  words.insert(words.end(), arguments.begin(), arguments.end());

  // Everything the child needs is made before the fork.
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) std::abort();
  const int nullFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
  const pid_t pid = ::fork();
  if (pid < 0) std::abort();
  if (pid == 0) {
    ::setpgid(0, 0);
    ::dup2(nullFd, 0);
    ::dup2(pipeFds[1], 1);
    ::dup2(pipeFds[1], 2);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
  }
  ::close(nullFd);
  ::close(pipeFds[1]);
  processes_.push_back(std::make_unique<HostProcess>(pid, pipeFds[0]));
  return *processes_.back();
}

std::string Cluster::StartDisplay(size_t host) {
  // Xvfb writes its display number to descriptor 3 once it accepts
  // connections; the rest of what it says goes nowhere.
  HostProcess& server =
      Start(host, {"sh", "-c", "exec 3>&1 >/dev/null 2>&1; exec Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24"});
  if (!server.WaitForOutput("\n", 60000)) return "Xvfb did not start";
  displayServers_.push_back(&server);
  const std::string number = server.Output();
  displays_.resize(hostNames_.size());
  displays_[host].assign(":").append(number, 0, number.find('\n'));
  return "";
}

std::vector<std::string> Cluster::WineCommand(size_t host, const std::vector<std::string>& arguments) const {
  std::vector<std::string> command = {"env", "WINEPREFIX=" + (root_ / hostNames_[host] / "wineprefix").string(),
                                      "WINEDEBUG=-all", "LC_ALL=ja_JP.UTF-8"};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return command;
}

std::string Cluster::StartWine(size_t host, const std::filesystem::path& winePrefix) {
  std::error_code failed;
  std::filesystem::copy(winePrefix, root_ / hostNames_[host] / "wineprefix",
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::copy_symlinks,
                        failed);
  if (failed) return "the Wine prefix could not be copied: " + failed.message();
  wineHosts_.push_back(host);
  // Wine's server and services keep the standard handles of whoever starts
  // them: they get none of the test's.
  const std::string quiet = " </dev/null >/dev/null 2>&1";
  const auto command = WineCommand(host, {"sh", "-c", "wineserver -p" + quiet + " && wine cmd /c exit" + quiet});
  const int started = Start(host, command).WaitForExit(120000);
  return started == 0 ? "" : "Wine did not start in the namespace (" + std::to_string(started) + ")";
}

HostProcess& Cluster::StartWindows(size_t host, const std::filesystem::path& program,
                                   const std::vector<std::string>& arguments) {
  const std::filesystem::path copy = root_ / hostNames_[host] / "windows" / program.filename();
  std::filesystem::create_directories(copy.parent_path());
  std::filesystem::copy_file(program, copy, std::filesystem::copy_options::overwrite_existing);
  std::vector<std::string> command = {"wine", copy.string()};
  command.insert(command.end(), arguments.begin(), arguments.end());
  return Start(host, WineCommand(host, command));
}

}  // namespace testing_support
