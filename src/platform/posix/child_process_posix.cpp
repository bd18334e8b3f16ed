#include "platform/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <optional>

#include "platform/loop_context.h"
#include "platform/windows_arguments.h"

extern char** environ;

namespace platform {
namespace {

constexpr size_t kChunkSize = 65536;

void CloseDescriptor(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

std::vector<std::string> ArgumentsFor(const LaunchRequest& request) {
  switch (request.kind) {
    case LaunchKind::Program:
      return SplitWindowsArguments(request.line);
    case LaunchKind::ProcessorLine:
      return {request.processor, "-c", request.line};
    case LaunchKind::Processor:
      return {request.processor};
  }
  return {};
}

// The child starts clean: no blocked signals and default actions, whatever
// this program blocks (SIGINT, SIGQUIT go to a sigwait thread) or ignores
// (SIGPIPE); in a process group of its own; with no descriptor but the three
// standard ones.
pid_t Spawn(std::vector<std::string>& arguments, const std::vector<std::string>* environment, int input,
            int output, int error) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  if (environment) {
    for (const std::string& entry : *environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input >= 0) {
    posix_spawn_file_actions_adddup2(&actions, input, STDIN_FILENO);
  } else {
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, error, STDERR_FILENO);
  posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);

  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  sigset_t all;
  sigfillset(&all);
  sigdelset(&all, SIGKILL);
  sigdelset(&all, SIGSTOP);
  posix_spawnattr_setsigdefault(&attributes, &all);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

  pid_t pid = -1;
  int failure = posix_spawnp(&pid, argv[0], &actions, &attributes, argv.data(), environment ? envp.data() : environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  return failure == 0 ? pid : -1;
}

// The loop's waits on one child. Each descriptor has at most one wait, kept
// until it completes: the loop reports readiness by its edges, and an edge
// that came while no wait was queued would be lost.
struct ActivityWatch {
  enum Descriptor { kWake, kEnd, kStdout, kStderr, kCount };
  std::optional<asio::posix::stream_descriptor> descriptors[kCount];
  bool waiting[kCount] = {};
  std::function<void()> ready;

  // Before the descriptor is closed: its wait completes as cancelled.
  void Release(int which) {
    if (descriptors[which]) descriptors[which]->release();
    descriptors[which].reset();
  }

  static void Call(const std::shared_ptr<ActivityWatch>& watch) {
    if (auto ready = std::exchange(watch->ready, nullptr)) ready();
  }
};

void Await(const std::shared_ptr<ActivityWatch>& watch, asio::io_context& io, int which, int fd) {
  if (fd < 0 || watch->waiting[which]) return;
  auto& descriptor = watch->descriptors[which];
  if (!descriptor) {
    asio::error_code error;
    descriptor.emplace(io);
    descriptor->assign(fd, error);
    if (error) {
      // The loop cannot watch it (out of kernel resources): the reader is
      // called again at once, polling instead of waiting.
      descriptor.reset();
      asio::post(io, [watch] { ActivityWatch::Call(watch); });
      return;
    }
  }
  watch->waiting[which] = true;
  descriptor->async_wait(asio::posix::descriptor_base::wait_read, [watch, which](const asio::error_code& error) {
    watch->waiting[which] = false;
    if (error) return;
    if (which == ActivityWatch::kWake) {
      std::uint64_t count = 0;
      [[maybe_unused]] ssize_t n = ::read(watch->descriptors[which]->native_handle(), &count, sizeof count);
    }
    ActivityWatch::Call(watch);
  });
}

}  // namespace

struct ChildProcess::State {
  pid_t pid = -1;
  int pidfd = -1;
  int output[2] = {-1, -1};
  int input = -1;
  int wake = -1;
  std::atomic<bool> ended{false};
  int status = 0;
  std::shared_ptr<ActivityWatch> watch;  // made by the first WatchActivity
};

ChildProcess::ChildProcess() : state_(std::make_unique<State>()) {}

ChildProcess::~ChildProcess() {
  State& s = *state_;
  CloseOutput();
  if (s.watch) {
    s.watch->Release(ActivityWatch::kWake);
    s.watch->Release(ActivityWatch::kEnd);
    s.watch->ready = nullptr;
  }
  CloseDescriptor(s.input);
  if (s.pid > 0 && !HasEnded()) {
    Terminate();
    while (::waitpid(s.pid, nullptr, 0) < 0 && errno == EINTR) {
    }
  }
  CloseDescriptor(s.pidfd);
  CloseDescriptor(s.wake);
}

int ChildProcess::Start(const LaunchRequest& request) {
  State& s = *state_;
  int outputPipe[2] = {-1, -1};
  int errorPipe[2] = {-1, -1};
  int inputPair[2] = {-1, -1};
  auto closeAll = [&] {
    for (int* pair : {outputPipe, errorPipe, inputPair}) {
      CloseDescriptor(pair[0]);
      CloseDescriptor(pair[1]);
    }
  };
  // The input is a socket so that writing to a processor that has gone
  // gives an error, not SIGPIPE.
  if (::pipe2(outputPipe, O_CLOEXEC) != 0 || ::pipe2(errorPipe, O_CLOEXEC) != 0 ||
      (request.inputPipe && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, inputPair) != 0)) {
    closeAll();
    return 1;
  }
  s.wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (s.wake < 0) {
    closeAll();
    return 1;
  }

  std::vector<std::string> arguments = ArgumentsFor(request);
  pid_t pid = -1;
  if (!arguments.empty() && !arguments[0].empty()) {
    pid = Spawn(arguments, request.environment, inputPair[1], outputPipe[1], errorPipe[1]);
  }
  CloseDescriptor(outputPipe[1]);
  CloseDescriptor(errorPipe[1]);
  CloseDescriptor(inputPair[1]);
  if (pid < 0) {
    closeAll();
    return 2;
  }
  // The child is collected as soon as its end is seen (HasEnded), so that
  // no finished command lingers as a zombie. Its group id stays taken while
  // anything it left in the group runs, which is all Terminate then reaches.
  s.pid = pid;
  s.pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
  if (s.pidfd < 0) {
    closeAll();
    return 2;  // the destructor ends and reaps the child
  }
  // Our reading ends only; a fresh pipe end has no other status flags.
  for (int fd : {outputPipe[0], errorPipe[0]}) ::fcntl(fd, F_SETFL, O_RDONLY | O_NONBLOCK);
  s.output[0] = outputPipe[0];
  s.output[1] = errorPipe[0];
  s.input = inputPair[0];
  return 0;
}

void ChildProcess::WaitForActivity(bool watchStdout, bool watchStderr, int timeoutMs) {
  State& s = *state_;
  pollfd fds[4];
  nfds_t count = 0;
  fds[count++] = {s.wake, POLLIN, 0};
  if (!s.ended && s.pidfd >= 0) fds[count++] = {s.pidfd, POLLIN, 0};
  if (watchStdout && s.output[0] >= 0) fds[count++] = {s.output[0], POLLIN, 0};
  if (watchStderr && s.output[1] >= 0) fds[count++] = {s.output[1], POLLIN, 0};
  while (::poll(fds, count, timeoutMs < 0 ? -1 : timeoutMs) < 0 && errno == EINTR) {
  }
  if (fds[0].revents != 0) {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t n = ::read(s.wake, &count, sizeof count);
  }
}

void ChildProcess::WatchActivity(EventLoop& loop, bool watchStdout, bool watchStderr, std::function<void()> ready) {
  State& s = *state_;
  asio::io_context& io = loop.GetContext().io;
  if (!s.watch) s.watch = std::make_shared<ActivityWatch>();
  s.watch->ready = std::move(ready);
  Await(s.watch, io, ActivityWatch::kWake, s.wake);
  if (!s.ended) Await(s.watch, io, ActivityWatch::kEnd, s.pidfd);
  if (watchStdout) Await(s.watch, io, ActivityWatch::kStdout, s.output[0]);
  if (watchStderr) Await(s.watch, io, ActivityWatch::kStderr, s.output[1]);
}

PipeRead ChildProcess::ReadOutput(OutputStream stream, std::string& appendTo) {
  State& s = *state_;
  int& fd = s.output[static_cast<int>(stream)];
  if (fd < 0) return PipeRead::Closed;
  // Read in place: the bytes are not copied again.
  const size_t size = appendTo.size();
  appendTo.resize(size + kChunkSize);
  ssize_t n = 0;
  do {
    n = ::read(fd, appendTo.data() + size, kChunkSize);
  } while (n < 0 && errno == EINTR);
  const int error = errno;
  appendTo.resize(size + static_cast<size_t>(n > 0 ? n : 0));
  if (n > 0) return PipeRead::Data;
  if (n < 0 && (error == EAGAIN || error == EWOULDBLOCK)) return PipeRead::Empty;
  if (s.watch) s.watch->Release(ActivityWatch::kStdout + static_cast<int>(stream));
  CloseDescriptor(fd);
  return PipeRead::Closed;
}

void ChildProcess::CloseOutput() {
  State& s = *state_;
  if (s.watch) {
    s.watch->Release(ActivityWatch::kStdout);
    s.watch->Release(ActivityWatch::kStderr);
  }
  CloseDescriptor(s.output[0]);
  CloseDescriptor(s.output[1]);
}

bool ChildProcess::HasEnded() {
  State& s = *state_;
  if (s.ended) return true;
  if (s.pid < 0) return false;
  siginfo_t info{};
  int result;
  do {
    result = ::waitid(P_PID, static_cast<id_t>(s.pid), &info, WEXITED | WNOHANG);
  } while (result < 0 && errno == EINTR);
  if (result < 0) {
    s.status = 1;  // not our child any more: nothing left to wait for
  } else if (info.si_pid != s.pid) {
    return false;
  } else {
    s.status = info.si_code == CLD_EXITED ? info.si_status : 128 + info.si_status;
  }
  s.ended = true;
  return true;
}

int ChildProcess::ExitStatus() const { return state_->status; }

bool ChildProcess::WriteInput(std::string_view text) {
  State& s = *state_;
  if (s.input < 0) return false;
  while (!text.empty()) {
    ssize_t n = ::send(s.input, text.data(), text.size(), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

void ChildProcess::Wake() {
  if (state_->wake < 0) return;
  std::uint64_t one = 1;
  [[maybe_unused]] ssize_t n = ::write(state_->wake, &one, sizeof one);
}

bool ChildProcess::WaitForEnd(int timeoutMs) {
  State& s = *state_;
  if (s.ended) return true;
  if (s.pidfd < 0) return false;
  // The process descriptor becomes readable when the child ends; nothing is
  // collected here, so the reading side still finds the status.
  pollfd end{s.pidfd, POLLIN, 0};
  int ready;
  do {
    ready = ::poll(&end, 1, timeoutMs);
  } while (ready < 0 && errno == EINTR);
  return ready > 0;
}

bool ChildProcess::Interrupt() {
  if (state_->pid <= 0) return false;
  return ::kill(-state_->pid, SIGINT) == 0;
}

void ChildProcess::Terminate() {
  if (state_->pid > 0) ::kill(-state_->pid, SIGKILL);
}

}  // namespace platform
