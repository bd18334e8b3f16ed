// Runs bramle on a makefile in a scratch directory; file times are set
// explicitly, never waited for.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "diag/message_catalogue.h"
#include "platform/path.h"
#include "support/bramle_process.h"

namespace app::test {

inline constexpr bool kWindows = platform::kPathSeparator == '\\';
// Prints a file's content.
inline const char* const kShowFile = kWindows ? "type" : "cat";

class LocalBuild : public ::testing::Test {
 protected:
  void Makefile(const std::string& text) const { scratch_.Write("Makefile", text); }

  // Writes `name` (Windows-style) with a modification time `age` seconds
  // before a fixed reference in the past.
  void MakeFile(const std::string& name, int age, const std::string& content = "x\n") const {
    WriteFile(name, content);
    SetAge(name, age);
  }
  // Writes `name` (Windows-style, narrow encoding) with the time of writing.
  void WriteFile(const std::string& name, const std::string& content = "x\n") const {
    scratch_.Write(testing_support::NativePath(name), content);
  }
  void SetAge(const std::string& name, int age) const {
    std::filesystem::last_write_time(Path(name), reference_ - std::chrono::seconds(age));
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(Path(name)); }
  std::string Read(const std::string& name) const { return scratch_.Read(testing_support::NativePath(name)); }
  bool IsNewerThanReference(const std::string& name) const {
    return std::filesystem::last_write_time(Path(name)) > reference_;
  }

  testing_support::ProcessResult Run(const std::vector<std::string>& arguments = {}) const {
    return testing_support::RunBramle(arguments, scratch_.path());
  }

  const std::filesystem::path& Directory() const { return scratch_.path(); }

 private:
  std::filesystem::path Path(const std::string& name) const {
    return scratch_.path() / testing_support::NativePath(name);
  }

  testing_support::ScratchDirectory scratch_;
  const std::filesystem::file_time_type reference_ =
      std::chrono::floor<std::chrono::seconds>(std::filesystem::file_time_type::clock::now()) - std::chrono::hours(1);
};

// The framed texts bramle writes to standard error.
template <typename... Arguments>
std::string Fatal(unsigned number, const Arguments&... arguments) {
  return diag::FormatCatalogMessage(22000, diag::FormatCatalogMessage(number, arguments...));
}

// Text files as the platform writes them.
inline std::string NativeLines(const std::string& text) {
  if (!kWindows) return text;
  std::string converted;
  for (char c : text) {
    if (c == '\n') converted.push_back('\r');
    converted.push_back(c);
  }
  return converted;
}

}  // namespace app::test
