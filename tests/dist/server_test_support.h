// A build server over an in-memory file system and scripted clients that
// talk to it over loopback, for conversation tests in one process.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dist/build_server.h"
#include "dist/protocol_messages.h"
#include "engine/target_model.h"
#include "engine/target_scheduler.h"
#include "engine/target_walker.h"
#include "peer_test_support.h"

namespace server_test {

using protocol_test::kHangGuardMs;

// Waits, bounded, until `has` says yes about what `mutex` guards.
template <typename Has>
bool WaitFor(std::mutex& mutex, std::condition_variable& changed, Has has) {
  std::unique_lock<std::mutex> lock(mutex);
  return changed.wait_for(lock, std::chrono::milliseconds(kHangGuardMs), has);
}

// Holds "gate" commands until the test opens it.
class Gate {
 public:
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  void Pass() { WaitFor(mutex_, changed_, [this] { return open_; }); }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
};

// Files by name, each with the time it was made; "made" files are newer
// than every file made before them.
class FakeFiles {
 public:
  void Make(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    times_[name] = ++clock_;
    ++made_[name];
  }
  platform::FileStatus Status(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    const auto found = times_.find(name);
    platform::FileStatus status;
    if (found == times_.end()) return status;
    status.exists = true;
    status.modified = found->second;
    return status;
  }
  int TimesMade(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    return made_[name];
  }

 private:
  std::mutex mutex_;
  std::map<std::string, std::int64_t> times_;
  std::map<std::string, int> made_;
  std::int64_t clock_ = 100;
};

// Every view call as one text: "added <id>", "text <id> <name> <text>",
// "count <n>", "finished", "message <text>", "status <text>".
class RecordingView : public dist::ServerView {
 public:
  void ConnectionAdded(int connection, const std::string& address) override {
    Add("added " + std::to_string(connection) + " " + address);
  }
  void ConnectionText(int connection, const std::string& name, const std::string&, const std::string& text) override {
    Add("text " + std::to_string(connection) + " " + name + " " + text);
  }
  void TargetCount(int count) override { Add("count " + std::to_string(count)); }
  void TargetFinished() override { Add("finished"); }
  void ShowMessage(const std::string& text) override { Add("message " + text); }
  void StatusText(const std::string& text) override { Add("status " + text); }

  std::vector<std::string> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  // Waits until a call is exactly `call`.
  bool WaitCall(const std::string& call) {
    return WaitFor(mutex_, changed_, [&] { return std::find(calls_.begin(), calls_.end(), call) != calls_.end(); });
  }

 private:
  void Add(std::string call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(std::move(call));
    changed_.notify_all();
  }
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> calls_;
};

// How a scripted client answers. Commands are "make NAME" (NAME is made,
// "made NAME" on standard output), "fail N" (exit code N, a line on
// standard error), "gate NAME" (waits for the gate, then makes NAME) and "lose" (the client
// drops the connection).
struct ClientScript {
  std::string name = "CLIENT";
  std::string openReply = "OK()\r\n";  // empty: close instead of answering
  bool loseFirstCommand = false;        // drop the connection on it
  Gate* gate = nullptr;
};

class ScriptedClient : public protocol_test::TestPeer {
 public:
  ScriptedClient(FakeFiles& files, ClientScript script) : files_(files), script_(std::move(script)) {}
  ~ScriptedClient() override { Join(); }

  // Connects, introduces itself and serves on a thread of its own until
  // the server ends the phase or the script drops the connection.
  void Start(int port) {
    thread_ = std::thread([this, port] { Serve(port); });
  }
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  // What the client received, one entry per message: "greeted", "open",
  // "exec <command>", "cancel", "close", "refused" (no OK to its greeting).
  std::vector<std::string> Received() {
    std::lock_guard<std::mutex> lock(mutex_);
    return received_;
  }
  bool WaitReceived(const std::string& entry) {
    return WaitFor(mutex_, changed_, [&] {
      return std::find(received_.begin(), received_.end(), entry) != received_.end();
    });
  }

 private:
  void Note(std::string entry) {
    std::lock_guard<std::mutex> lock(mutex_);
    received_.push_back(std::move(entry));
    changed_.notify_all();
  }

  void Serve(int port) {
    Socket().OpenSocket();
    if (Socket().Connect("127.0.0.1", port) != 0 || Socket().WaitConnected(kHangGuardMs) != platform::kSocketConnected) {
      Note("unreachable");
      return;
    }
    SendLine(dist::FormatBuildClientConnect(script_.name, 500));
    if (WaitReply() != dist::ReplyOutcome::Ok) {
      Note("refused");
      Socket().CloseSocket();
      return;
    }
    Note("greeted");
    // Bounded: each message is answered, and the server ends the phase.
    for (int messages = 0; messages < 1000; ++messages) {
      std::string line;
      if (ReadMessageLine(true, line) != dist::kLineTaken) return;
      std::int32_t value = 0;
      if (ParseMessage(line, dist::kMessageNone, value) != dist::kParseAccepted) continue;
      switch (LastKind()) {
        case dist::kMessageBuildPhaseOpen:
          Note("open");
          if (script_.openReply.empty()) {
            Socket().CloseSocket();
            return;
          }
          SendLine(script_.openReply);
          break;
        case dist::kMessageCommandExec:
          command_ = dist::ReadCommandExec(Arguments()).commandLine;
          Note("exec " + command_);
          if (!RunCommand()) return;
          break;
        case dist::kMessageBuildPhaseCancel:
          Note("cancel");
          SendLine(dist::FormatOk());
          break;
        case dist::kMessageBuildPhaseClose:
          Note("close");
          SendLine(dist::FormatOk());
          Socket().WaitSent(kHangGuardMs);
          Socket().CloseSocket();
          return;
        default: break;
      }
    }
  }

  // False when the script drops the connection.
  bool RunCommand() {
    if (command_ == "lose" || script_.loseFirstCommand) {
      Socket().CloseSocket();
      return false;
    }
    SendLine(dist::FormatOk());
    int exitCode = 0;
    const bool gated = command_.rfind("gate ", 0) == 0;
    if (gated && script_.gate) script_.gate->Pass();
    if (gated || command_.rfind("make ", 0) == 0) {
      const std::string target = command_.substr(5);
      files_.Make(target);
      SendLine(dist::FormatCommandOut(dist::kChannelStdout, "made " + target + "\n"));
    } else if (command_.rfind("fail ", 0) == 0) {
      exitCode = std::atoi(command_.c_str() + 5);
      SendLine(dist::FormatCommandOut(dist::kChannelStderr, "failing\n"));
    }
    SendLine(dist::FormatCommandExit(exitCode));
    return true;
  }

  FakeFiles& files_;
  const ClientScript script_;
  std::string command_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<std::string> received_;
  std::thread thread_;
};

}  // namespace server_test
