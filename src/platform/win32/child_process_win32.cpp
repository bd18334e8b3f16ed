#include "platform/child_process.h"

// Asio's headers come before <windows.h>, which must not bring in Winsock 1.
#include "platform/loop_context.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <optional>

namespace platform {
namespace {

constexpr DWORD kChunkSize = 65536;

void CloseHandleOnce(HANDLE& handle) {
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  handle = nullptr;
}

// With `kill` set, the system ends every process of the job when the last
// handle to it closes, also when this process ends without closing it
// itself (the console is closed, the process is terminated).
void SetKillOnClose(HANDLE job, bool kill) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = kill ? JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE : 0;
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
}

// Cancels a read whichever thread issued it: the reading may have been done
// by another thread than the one that closes. CancelIoEx does that where
// the system has it; CancelIo reaches only the calling thread's reads.
void CancelRead(HANDLE pipe, OVERLAPPED* overlapped) {
  using CancelIoExFunction = BOOL(WINAPI*)(HANDLE, LPOVERLAPPED);
  static const auto cancelIoEx = reinterpret_cast<CancelIoExFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "CancelIoEx")));
  if (cancelIoEx == nullptr || !cancelIoEx(pipe, overlapped)) CancelIo(pipe);
}

// One output pipe: our end is a named pipe opened for overlapped reading,
// so that one wait can watch both pipes and the process together.
struct OutputPipe {
  HANDLE pipe = nullptr;
  HANDLE event = nullptr;
  OVERLAPPED overlapped{};
  bool pending = false;  // a read is in flight
  DWORD ready = 0;       // bytes a read delivered, not yet taken
  bool closed = false;
  char buffer[kChunkSize];

  // Makes the pipe; `childEnd` is the inheritable writing end.
  bool Open(HANDLE* childEnd) {
    static std::atomic<unsigned> serial{0};
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\bramle-%lu-%u", static_cast<unsigned long>(GetCurrentProcessId()),
                  serial.fetch_add(1));
    pipe = CreateNamedPipeA(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, kChunkSize, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE) {
      pipe = nullptr;
      return false;
    }
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    *childEnd = CreateFileA(name, GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (*childEnd == INVALID_HANDLE_VALUE || event == nullptr) {
      *childEnd = nullptr;
      return false;
    }
    overlapped.hEvent = event;
    return true;
  }

  void Issue() {
    DWORD got = 0;
    if (ReadFile(pipe, buffer, kChunkSize, nullptr, &overlapped)) {
      if (GetOverlappedResult(pipe, &overlapped, &got, FALSE)) ready = got;
      return;
    }
    if (GetLastError() == ERROR_IO_PENDING) {
      pending = true;
      return;
    }
    closed = true;  // broken pipe: every writer has gone
  }

  // Takes a finished read, if there is one.
  void Collect() {
    if (!pending) return;
    DWORD got = 0;
    if (GetOverlappedResult(pipe, &overlapped, &got, FALSE)) {
      pending = false;
      ready = got;
    } else if (GetLastError() != ERROR_IO_INCOMPLETE) {
      pending = false;
      closed = true;
    }
  }

  void Close() {
    if (pending) {
      CancelRead(pipe, &overlapped);
      DWORD got = 0;
      GetOverlappedResult(pipe, &overlapped, &got, TRUE);
      pending = false;
    }
    closed = true;
    CloseHandleOnce(pipe);
    CloseHandleOnce(event);
  }
};

std::string Quoted(const std::string& path) {
  if (path.find_first_of(" \t") == std::string::npos || path.front() == '"') return path;
  return "\"" + path + "\"";
}

std::string CommandLineFor(const LaunchRequest& request) {
  switch (request.kind) {
    case LaunchKind::Program:
      return request.line;
    case LaunchKind::ProcessorLine:
      // cmd.exe drops the first and the last quote of a /c line that starts
      // with one (`"prog" x > "out"` would lose both): an outer pair is
      // dropped instead.
      if (!request.line.empty() && request.line.front() == '"') {
        return Quoted(request.processor) + " /c \"" + request.line + "\"";
      }
      return Quoted(request.processor) + " /c " + request.line;
    case LaunchKind::Processor:
      return Quoted(request.processor);
  }
  return std::string();
}

// Our own standard handles are not handed on: a child, or a console host
// started for it, that lives on after us would otherwise keep open the file
// or pipe that takes our output. Children get their handles explicitly.
void KeepOwnStandardHandles() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE}) {
      HANDLE handle = GetStdHandle(which);
      if (handle != nullptr && handle != INVALID_HANDLE_VALUE) SetHandleInformation(handle, HANDLE_FLAG_INHERIT, 0);
    }
  });
}

std::string EnvironmentBlock(const std::vector<std::string>& entries) {
  std::string block;
  for (const std::string& entry : entries) {
    block += entry;
    block.push_back('\0');
  }
  if (block.empty()) block.push_back('\0');
  block.push_back('\0');
  return block;
}

// The loop's waits on one child, each on a duplicate of the handle it
// watches: the wake event, the process, the two pipes' read events.
struct ActivityWatch {
  enum Handle { kWake, kEnd, kStdout, kStderr, kCount };
  std::optional<asio::windows::object_handle> handles[kCount];
  bool waiting[kCount] = {};
  std::function<void()> ready;

  // Its wait completes as cancelled.
  void Release(int which) { handles[which].reset(); }

  static void Call(const std::shared_ptr<ActivityWatch>& watch) {
    if (auto ready = std::exchange(watch->ready, nullptr)) ready();
  }
};

void Await(const std::shared_ptr<ActivityWatch>& watch, asio::io_context& io, int which, HANDLE handle) {
  if (handle == nullptr || watch->waiting[which]) return;
  auto& waitable = watch->handles[which];
  if (!waitable) {
    HANDLE copy = nullptr;
    asio::error_code error;
    if (DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
      waitable.emplace(io);
      waitable->assign(copy, error);
    }
    if (!waitable || error) {
      // No wait can be made: the reader is called again at once, polling
      // instead of waiting.
      waitable.reset();
      if (copy != nullptr && error) CloseHandle(copy);
      asio::post(io, [watch] { ActivityWatch::Call(watch); });
      return;
    }
  }
  watch->waiting[which] = true;
  waitable->async_wait([watch, which](const asio::error_code& error) {
    watch->waiting[which] = false;
    if (!error) ActivityWatch::Call(watch);
  });
}

}  // namespace

struct ChildProcess::State {
  HANDLE process = nullptr;
  HANDLE job = nullptr;
  DWORD pid = 0;
  OutputPipe output[2];
  HANDLE input = nullptr;
  HANDLE wake = nullptr;
  bool sharedConsole = false;
  std::atomic<bool> ended{false};
  int status = 0;
  std::shared_ptr<ActivityWatch> watch;  // made by the first WatchActivity
};

// The read buffer is not cleared: a read fills what it reports.
ChildProcess::ChildProcess() : state_(std::make_unique_for_overwrite<State>()) {}

ChildProcess::~ChildProcess() {
  State& s = *state_;
  CloseOutput();
  if (s.watch) {
    s.watch->Release(ActivityWatch::kWake);
    s.watch->Release(ActivityWatch::kEnd);
    s.watch->ready = nullptr;
  }
  CloseHandleOnce(s.input);
  if (s.process != nullptr && !HasEnded()) Terminate();
  // What an ended command left running on purpose stays, as it would
  // without a job.
  if (s.job != nullptr) SetKillOnClose(s.job, false);
  CloseHandleOnce(s.process);
  CloseHandleOnce(s.job);
  CloseHandleOnce(s.wake);
}

int ChildProcess::Start(const LaunchRequest& request) {
  State& s = *state_;
  HANDLE childOutput = nullptr;
  HANDLE childError = nullptr;
  HANDLE childInput = nullptr;
  auto closeChildEnds = [&] {
    CloseHandleOnce(childOutput);
    CloseHandleOnce(childError);
    CloseHandleOnce(childInput);
  };
  KeepOwnStandardHandles();
  // A child inherits every inheritable handle that exists while it is
  // made: children started at once from several threads would hold each
  // other's pipes open. One child's handles exist at a time.
  static std::mutex inheritance;
  std::lock_guard<std::mutex> hold(inheritance);
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  bool piped = s.output[0].Open(&childOutput) && s.output[1].Open(&childError);
  if (piped && request.inputPipe) {
    piped = CreatePipe(&childInput, &s.input, &inheritable, 0) &&
            SetHandleInformation(s.input, HANDLE_FLAG_INHERIT, 0);
  } else if (piped) {
    childInput = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    piped = childInput != INVALID_HANDLE_VALUE;
  }
  s.wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!piped || s.wake == nullptr) {
    closeChildEnds();
    return 1;
  }

  // A child shares our console when we have one, so that Ctrl+Break reaches
  // its group. Without one it gets a hidden console of its own, which the
  // programs it starts share instead of each opening a window.
  s.sharedConsole = GetConsoleCP() != 0;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdInput = childInput;
  startup.hStdOutput = childOutput;
  startup.hStdError = childError;
  std::string commandLine = CommandLineFor(request);
  std::string environment;
  if (request.environment) environment = EnvironmentBlock(*request.environment);
  DWORD flags = CREATE_SUSPENDED | CREATE_NEW_PROCESS_GROUP | (s.sharedConsole ? 0 : CREATE_NEW_CONSOLE);
  PROCESS_INFORMATION created{};
  BOOL ok = !commandLine.empty() &&
            CreateProcessA(request.kind == LaunchKind::Processor ? request.processor.c_str() : nullptr,
                           commandLine.data(), nullptr, nullptr, TRUE, flags,
                           request.environment ? environment.data() : nullptr, nullptr, &startup, &created);
  closeChildEnds();
  if (!ok) return 2;

  // A job holds everything the child starts, so that Terminate ends it
  // all, and so that nothing of it outlives this process; where jobs cannot
  // nest, only the child itself is ended.
  s.job = CreateJobObjectA(nullptr, nullptr);
  if (s.job != nullptr && !AssignProcessToJobObject(s.job, created.hProcess)) CloseHandleOnce(s.job);
  if (s.job != nullptr) SetKillOnClose(s.job, true);
  s.process = created.hProcess;
  s.pid = created.dwProcessId;
  ResumeThread(created.hThread);
  CloseHandle(created.hThread);
  return 0;
}

void ChildProcess::WaitForActivity(bool watchStdout, bool watchStderr, int timeoutMs) {
  State& s = *state_;
  HANDLE handles[4];
  DWORD count = 0;
  handles[count++] = s.wake;
  if (!s.ended) handles[count++] = s.process;
  const bool watched[2] = {watchStdout, watchStderr};
  for (int i = 0; i < 2; ++i) {
    OutputPipe& pipe = s.output[i];
    if (!watched[i] || pipe.pipe == nullptr) continue;
    if (!pipe.pending && pipe.ready == 0 && !pipe.closed) pipe.Issue();
    if (pipe.ready > 0 || pipe.closed) return;
    handles[count++] = pipe.event;
  }
  WaitForMultipleObjects(count, handles, FALSE, timeoutMs < 0 ? INFINITE : static_cast<DWORD>(timeoutMs));
}

void ChildProcess::WatchActivity(EventLoop& loop, bool watchStdout, bool watchStderr, std::function<void()> ready) {
  State& s = *state_;
  asio::io_context& io = loop.GetContext().io;
  if (!s.watch) s.watch = std::make_shared<ActivityWatch>();
  s.watch->ready = std::move(ready);
  const bool watched[2] = {watchStdout, watchStderr};
  for (int i = 0; i < 2; ++i) {
    OutputPipe& pipe = s.output[i];
    if (!watched[i] || pipe.pipe == nullptr) continue;
    if (!pipe.pending && pipe.ready == 0 && !pipe.closed) pipe.Issue();
    if (pipe.ready > 0 || pipe.closed) {
      // Already there: the callback runs after the caller's round.
      asio::post(io, [watch = s.watch] { ActivityWatch::Call(watch); });
      return;
    }
  }
  Await(s.watch, io, ActivityWatch::kWake, s.wake);
  if (!s.ended) Await(s.watch, io, ActivityWatch::kEnd, s.process);
  for (int i = 0; i < 2; ++i) {
    if (watched[i] && s.output[i].pipe != nullptr) Await(s.watch, io, ActivityWatch::kStdout + i, s.output[i].event);
  }
}

PipeRead ChildProcess::ReadOutput(OutputStream stream, std::string& appendTo) {
  OutputPipe& pipe = state_->output[static_cast<int>(stream)];
  if (pipe.pipe == nullptr) return PipeRead::Closed;
  pipe.Collect();
  if (pipe.ready == 0 && !pipe.pending && !pipe.closed) pipe.Issue();
  if (pipe.ready > 0) {
    appendTo.append(pipe.buffer, pipe.ready);
    pipe.ready = 0;
    return PipeRead::Data;
  }
  return pipe.closed ? PipeRead::Closed : PipeRead::Empty;
}

void ChildProcess::CloseOutput() {
  State& s = *state_;
  if (s.watch) {
    s.watch->Release(ActivityWatch::kStdout);
    s.watch->Release(ActivityWatch::kStderr);
  }
  s.output[0].Close();
  s.output[1].Close();
}

bool ChildProcess::HasEnded() {
  State& s = *state_;
  if (s.ended) return true;
  if (s.process == nullptr || WaitForSingleObject(s.process, 0) != WAIT_OBJECT_0) return false;
  DWORD code = 1;
  GetExitCodeProcess(s.process, &code);
  s.status = static_cast<int>(code);
  s.ended = true;
  return true;
}

int ChildProcess::ExitStatus() const { return state_->status; }

bool ChildProcess::WriteInput(std::string_view text) {
  State& s = *state_;
  if (s.input == nullptr) return false;
  while (!text.empty()) {
    DWORD written = 0;
    if (!WriteFile(s.input, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) || written == 0) {
      return false;
    }
    text.remove_prefix(written);
  }
  return true;
}

void ChildProcess::Wake() {
  if (state_->wake != nullptr) SetEvent(state_->wake);
}

bool ChildProcess::WaitForEnd(int timeoutMs) {
  State& s = *state_;
  if (s.ended) return true;
  return s.process != nullptr && WaitForSingleObject(s.process, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}

bool ChildProcess::Interrupt() {
  State& s = *state_;
  if (s.process == nullptr || !s.sharedConsole) return false;
  return GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, s.pid) != 0;
}

void ChildProcess::Terminate() {
  State& s = *state_;
  if (s.job != nullptr && TerminateJobObject(s.job, 1)) return;
  if (s.process != nullptr) TerminateProcess(s.process, 1);
}

}  // namespace platform
