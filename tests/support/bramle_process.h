// Runs the built bramle executable in a scratch directory, for black-box tests.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
  int exitCode = -1;
  std::string out;  // standard output, CR LF folded to LF
  std::string err;  // standard error, likewise
};

// A fresh directory under the system's temporary folder, removed with the
// object.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  const std::filesystem::path& path() const { return path_; }
  // The path of `name` (written Windows-style) inside the directory.
  std::string File(const std::string& name) const;
  // Writes `content` to `name` inside the directory (binary: bytes as given).
  void Write(const std::string& name, const std::string& content) const;
  std::string Read(const std::string& name) const;

 private:
  std::filesystem::path path_;
};

// Sets `name` to `value`, or removes it (nullopt); false when that fails.
bool SetVariable(const std::string& name, const std::optional<std::string>& value);

// Sets an environment variable (nullopt: removes it) until the object
// goes, then gives it back the value it had.
class ScopedVariable {
 public:
  ScopedVariable(std::string name, const std::optional<std::string>& value);
  ~ScopedVariable();
  ScopedVariable(const ScopedVariable&) = delete;
  ScopedVariable& operator=(const ScopedVariable&) = delete;

 private:
  std::string name_;
  std::optional<std::string> previous_;
};

// Variable assignments for a shell line: a display is announced, but the
// window part cannot be loaded. The core program must then work alone.
inline constexpr const char kNoWindowPart[] = "WAYLAND_DISPLAY=bramle-test BRAMLE_QT_MODULE=/nonexistent/bramle_qt.so";

// The bytes of a file; empty when it cannot be read.
std::string ReadWholeFile(const std::string& path);

// The path of the bramle executable under test, as a command line names it.
std::string BramleExecutable();

// A Unix path as Wine shows it to Windows programs (through drive Z:).
std::string WinePath(std::string path);

// Runs bramle with `arguments` in `directory`.
ProcessResult RunBramle(const std::vector<std::string>& arguments, const std::filesystem::path& directory);

// RunBramle with the environment variable `name` set to `value` for bramle
// alone.
ProcessResult RunBramleWithVariable(const std::string& name, const std::string& value,
                                    const std::vector<std::string>& arguments, const std::filesystem::path& directory);

// An assignment for the start of a shell line that gives TMPDIR back the
// value it had before this test program pointed it at its own directory:
// what a program that outlives the test (a shared wineserver) must see.
std::string OriginalTemporaryDirectoryAssignment();

// Runs `command` through the system's command interpreter in `directory`;
// its standard streams are captured. The line must not redirect them itself.
ProcessResult RunInDirectory(const std::string& command, const std::filesystem::path& directory);

// Test paths are written Windows-style; this gives the platform's form.
std::string NativePath(std::string path);

// Text as bramle writes it: UTF-8 on Linux, the ANSI code page on Windows.
std::string Narrow(const std::string& utf8);

}  // namespace testing_support
