// Runs bramle on a makefile in a scratch directory; file times are set
// explicitly, never waited for.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "diag/message_catalogue.h"
#include "platform/path.h"
#include "support/bramle_process.h"
#include "support/text_helpers.h"
#include "support/timed_files.h"

namespace app::test {

inline constexpr bool kWindows = platform::kPathSeparator == '\\';
// Prints a file's content.
inline const char* const kShowFile = kWindows ? "type" : "cat";
using testing_support::Words;

// One run: the makefile, the files it finds ("name:age", Windows-style
// names, age in seconds; a bare name has the time of writing), the
// arguments (both separated by blanks), and everything bramle must give
// back.
struct BuildCase {
  std::string makefile;
  std::string files;
  std::string arguments;
  int exitCode;
  std::string out;
  std::string err;
};

class LocalBuild : public ::testing::Test {
 protected:
  void Makefile(const std::string& text) const { scratch_->Write("Makefile", text); }

  // Writes `name` (Windows-style) with a modification time `age` seconds
  // before a fixed reference in the past.
  void MakeFile(const std::string& name, int age, const std::string& content = "x\n") const {
    testing_support::WriteAged(*scratch_, name, age, content);
  }
  // Writes `name` (Windows-style, narrow encoding) with the time of writing.
  void WriteFile(const std::string& name, const std::string& content = "x\n") const {
    scratch_->Write(testing_support::NativePath(name), content);
  }
  bool Exists(const std::string& name) const { return std::filesystem::exists(scratch_->File(name)); }
  std::string Read(const std::string& name) const { return scratch_->Read(testing_support::NativePath(name)); }

  testing_support::ProcessResult Run(const std::vector<std::string>& arguments = {}) const {
    return testing_support::RunBramle(arguments, scratch_->path());
  }

  const std::filesystem::path& Directory() const { return scratch_->path(); }

  // Runs each case in a directory of its own.
  void ExpectRuns(const std::vector<BuildCase>& cases) {
    for (const BuildCase& c : cases) {
      SCOPED_TRACE(c.makefile + "with " + c.arguments);
      scratch_ = std::make_unique<testing_support::ScratchDirectory>();
      Makefile(c.makefile);
      for (const std::string& file : Words(c.files)) {
        const size_t colon = file.rfind(':');
        colon == std::string::npos ? WriteFile(file)
                                   : MakeFile(file.substr(0, colon), std::stoi(file.substr(colon + 1)));
      }
      const auto result = Run(Words(c.arguments));
      EXPECT_EQ(result.exitCode, c.exitCode);
      EXPECT_EQ(result.out, c.out);
      EXPECT_EQ(result.err, c.err);
    }
  }

 private:
  std::unique_ptr<testing_support::ScratchDirectory> scratch_ = std::make_unique<testing_support::ScratchDirectory>();
};

// The framed texts bramle writes to standard error.
template <typename... Arguments>
std::string Fatal(unsigned number, const Arguments&... arguments) {
  return diag::FormatCatalogMessage(diag::msg::kFatalErrorFrame, diag::FormatCatalogMessage(number, arguments...));
}

// The report of a command that failed under -K.
inline std::string CommandError(const std::string& program, int code) {
  return diag::FormatCatalogMessage(diag::msg::kCommandFailedError, program, code);
}

// The warning of a command that could not start.
inline std::string StartFailed() {
  return diag::FormatCatalogMessage(
      diag::msg::kWarningFrame,
      testing_support::Narrow("コマンドの実行に失敗しました。コマンドが実行できるかどうか確認してください\n"));
}

}  // namespace app::test
