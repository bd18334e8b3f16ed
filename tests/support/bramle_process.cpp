#include "support/bramle_process.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "engine/path_parts.h"
#include "platform/environment.h"
#include "platform/file_status.h"
#include "platform/path.h"
#include "platform/shell.h"
#include "support/text_helpers.h"
#include "platform/text.h"

namespace testing_support {
namespace {

constexpr bool kWindows = platform::kPathSeparator == '\\';

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || (!kWindows && (c == '\\' || c == '$' || c == '`'))) quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

void MakeDirectories(const std::string& directory) {
  if (std::all_of(directory.begin(), directory.end(), [](unsigned char c) { return c < 0x80; })) {
    std::filesystem::create_directories(directory);
  } else if (!platform::PathStatus(directory).directory) {
    // cmd.exe makes the missing levels by itself.
    platform::RunShellLine((kWindows ? "mkdir " : "mkdir -p ") + Quote(directory));
  }
}

std::string BramleLine(const std::vector<std::string>& arguments) {
  std::string line = Quote(BramleExecutable());
  for (const std::string& argument : arguments) line += " " + Quote(argument);
  return line;
}

// Read before main, so before the environment below changes it.
const std::optional<std::string> kOriginalTmpdir = platform::GetEnvironmentVariableText("TMPDIR");

// Points TMPDIR, TMP and TEMP at a directory of the test program's own for
// its whole run, and removes that directory at the end: whatever bramle or
// the code under test leaves in the temporary directory (unnamed inline
// files are kept by design) goes with it. Scratch directories are made in
// it too.
class OwnTemporaryDirectory : public testing::Environment {
 public:
  void SetUp() override {
    directory_ = std::make_unique<ScratchDirectory>();
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
      variables_.push_back(std::make_unique<ScopedVariable>(name, directory_->path().string()));
    }
  }
  void TearDown() override {
    variables_.clear();
    directory_.reset();
  }

 private:
  std::unique_ptr<ScratchDirectory> directory_;
  std::vector<std::unique_ptr<ScopedVariable>> variables_;
};

// Every test program that runs bramle or makes scratch directories links
// this file, and with it the environment.
[[maybe_unused]] testing::Environment* const kOwnTemporaryDirectory =
    testing::AddGlobalTestEnvironment(new OwnTemporaryDirectory);

}  // namespace

ScratchDirectory::ScratchDirectory() {
  static std::atomic<int> counter{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  // A name is taken only by a directory left over from another run.
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = std::filesystem::temp_directory_path() /
            ("bramle-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) return;
  }
  throw std::runtime_error("no fresh scratch directory under " + std::filesystem::temp_directory_path().string());
}

// One pass over what the directory holds, deepest first; what cannot be
// removed (a file another process still holds open) stays, and so do the
// folders above it. Never a loop that waits for a holder to let go.
ScratchDirectory::~ScratchDirectory() {
  std::error_code failed;
  std::vector<std::filesystem::path> entries;
  for (std::filesystem::recursive_directory_iterator entry(path_, failed), end; !failed && entry != end;
       entry.increment(failed)) {
    entries.push_back(entry->path());
  }
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) std::filesystem::remove(*entry, failed);
  std::filesystem::remove(path_, failed);
}

std::string ScratchDirectory::File(const std::string& name) const {
  return path_.string() + platform::kPathSeparator + NativePath(name);
}

// Names are narrow strings (code page 932 under Wine), which std::filesystem
// would take for another encoding: the streams and the command interpreter
// get them as they are.
void ScratchDirectory::Write(const std::string& name, const std::string& content) const {
  const std::string file = File(name);
  const size_t lastSeparator = engine::SplitPath(file).directory.size();
  MakeDirectories(file.substr(0, lastSeparator));
  std::ofstream(file, std::ios::binary) << content;
}

std::string ScratchDirectory::Read(const std::string& name) const {
  return ReadWholeFile(File(name));
}

ScopedVariable::ScopedVariable(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)), previous_(platform::GetEnvironmentVariableText(name_)) {
  // Windows fails to remove a variable that is not there: no failure here.
  EXPECT_TRUE(SetVariable(name_, value) || !value) << name_;
}

ScopedVariable::~ScopedVariable() { SetVariable(name_, previous_); }

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::string BramleExecutable() { return kWindows ? WinePath(BRAMLE_EXE) : BRAMLE_EXE; }

std::string WinePath(std::string path) {
  if (path.empty() || path[0] != '/') return path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return "Z:" + path;
}

std::string OriginalTemporaryDirectoryAssignment() {
  return kOriginalTmpdir ? "TMPDIR=" + Quote(*kOriginalTmpdir) + " " : "env -u TMPDIR ";
}

ProcessResult RunBramle(const std::vector<std::string>& arguments, const std::filesystem::path& directory) {
  return RunInDirectory(BramleLine(arguments), directory);
}

ProcessResult RunBramleWithVariable(const std::string& name, const std::string& value,
                                    const std::vector<std::string>& arguments, const std::filesystem::path& directory) {
  // cmd.exe: the quoted form keeps blanks out of the value.
  const std::string assignment = kWindows ? "set \"" + name + "=" + value + "\"&& " : name + "=" + Quote(value) + " ";
  return RunInDirectory(assignment + BramleLine(arguments), directory);
}

ProcessResult RunInDirectory(const std::string& command, const std::filesystem::path& directory) {
  // Fresh names each run: under Wine the files of the run before are at
  // times still held when the next run starts, and cmd.exe then reports a
  // sharing violation without running the command at all.
  static std::atomic<int> runs{0};
  const std::string run = std::to_string(runs++);
  const std::filesystem::path outFile = directory / (".bramle-test-out" + run);
  const std::filesystem::path errFile = directory / (".bramle-test-err" + run);
  std::string line = command;
  line.append(" >").append(Quote(outFile.string())).append(" 2>").append(Quote(errFile.string()));
  // cmd.exe strips the outer quotes of a /c line that has more than two.
  if (kWindows) line = "\"" + line + "\"";

  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(directory);
  ProcessResult result;
  result.exitCode = platform::RunShellLine(line);
  std::filesystem::current_path(previous);
  result.out = FoldLineEnds(ReadWholeFile(outFile.string()));
  result.err = FoldLineEnds(ReadWholeFile(errFile.string()));
  std::filesystem::remove(outFile);
  std::filesystem::remove(errFile);
  return result;
}

std::string NativePath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', platform::kPathSeparator);
  return path;
}

std::string Narrow(const std::string& utf8) { return platform::NarrowFromUtf8(utf8); }

}  // namespace testing_support
