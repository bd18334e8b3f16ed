// Finding the processor, its batch files, the children's environment, the
// processor clock.
#include "exec/command_processor.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <tuple>
#include <vector>

#include "exec/batch_file.h"
#include "exec/environment_list.h"
#include "exec/processor_info.h"
#include "platform/path.h"
#include "platform/scratch_files.h"
#include "runner_test_support.h"
#include "support/bramle_process.h"

namespace {

using Candidates = std::vector<std::string>;

TEST(ProcessorCandidatesTest, FoldersInOrderPerFamily) {
  EXPECT_EQ(exec::ProcessorCandidates("C:\\WINNT", 1),
            (Candidates{"C:\\WINNT\\cmd.exe", "C:\\WINNT\\SYSTEM\\cmd.exe", "C:\\WINNT\\SYSTEM32\\cmd.exe",
                        "C:\\WINNT\\COMMAND\\cmd.exe"}));
  // A drive root loses its backslash.
  EXPECT_EQ(exec::ProcessorCandidates("C:\\", 1).front(), "C:\\cmd.exe");
  EXPECT_EQ(exec::ProcessorCandidates("C:\\WINDOWS", 0).front(), "C:\\WINDOWS\\COMMAND.COM");
  EXPECT_EQ(exec::ProcessorCandidates("C:\\WINDOWS", 0).back(), "C:\\WINDOWS\\COMMAND\\COMMAND.COM");
  // Other platforms and short directories give none.
  EXPECT_TRUE(exec::ProcessorCandidates("C:\\WINNT", 2).empty());
  EXPECT_TRUE(exec::ProcessorCandidates("C:\\WINNT", -1).empty());
  EXPECT_TRUE(exec::ProcessorCandidates("C", 1).empty());
}

// On Windows the processor is found only under the platform's kind.
TEST(FindCommandProcessorTest, WithoutComSpecThePlatformsProcessorIsFound) {
  testing_support::ScopedVariable comSpec("ComSpec", std::nullopt);
  std::string path;
  ASSERT_EQ(exec::FindCommandProcessor(path), 0);
  EXPECT_TRUE(platform::IsPlainFile(path)) << path;
  if (exec_test::IsPosixShell()) {
    EXPECT_EQ(path, "/bin/sh");
  }
}

using Entries = std::vector<std::string>;

TEST(EnvironmentListTest, SetAddsReplacesAndRemoves) {
  const std::pair<std::vector<std::string>, Entries> cases[] = {
      {{"A=1", "B=2", "A=3"}, {"A=3", "B=2"}},
      {{"A=1", "B=2", "A="}, {"B=2"}},
      {{"B=2", "C=x=y z"}, {"B=2", "C=x=y z"}},
      // A quoted assignment takes the text between the quotes.
      {{"\"D=a b\" ignored"}, {"D=a b"}},
      // Text without a name and '=' changes nothing.
      {{"A=1", "", "A", "=1", "\"\""}, {"A=1"}},
      // Names compare as the platform compares them.
      {{"Name=1", "NAME=2"}, exec_test::IsPosixShell() ? Entries{"Name=1", "NAME=2"} : Entries{"NAME=2"}},
  };
  for (const auto& [texts, entries] : cases) {
    exec::EnvironmentList list;
    for (const std::string& text : texts) EXPECT_EQ(exec::RunSetCommand(text, list), 0) << text;
    EXPECT_EQ(list.Entries(), entries);
  }
}

// Two samples agree when they differ by less than one; the first pair to
// agree, in the order of the measurement, gives their mean.
TEST(ProcessorClock, TheFirstSamplesThatAgree) {
  // The samples, the clock they give and how many were taken.
  const std::tuple<std::vector<double>, double, int> cases[] = {
      {{1999.6, 1999.2, 5, 5}, 1999.4, 2},
      // The third sample agrees with the first before the second.
      {{500.5, 600.5, 500.1, 9}, 500.3, 3},
      {{500.5, 600.5, 600.1, 9}, 600.3, 3},
      // The fourth agrees with the earliest.
      {{100.5, 200.5, 300.5, 200.1}, 200.3, 4},
      {{100.5, 200.5, 300.5, 300.1}, 300.3, 4},
      // No agreement: the two middle samples.
      {{500.2, 498.7, 503.9, 501.1}, 500.65, 4},
  };
  for (const auto& [samples, clock, taken] : cases) {
    const std::vector<double>& measured = samples;
    size_t next = 0;
    EXPECT_DOUBLE_EQ(exec::ProcessorInfo::AgreeOnSamples([&] { return measured.at(next++); }), clock);
    EXPECT_EQ(next, static_cast<size_t>(taken));
  }
}

TEST(ProcessorClock, MeasurementNeverFails) {
  EXPECT_GE(exec::ProcessorInfo().ClockMhz(), 0);  // false for NaN too
}

class WriteBatchTest : public testing::Test {
 protected:
  std::string Directory() const { return scratch_.path().string(); }
  std::string Base(int number) const { return Directory() + platform::kPathSeparator + "mk" + std::to_string(number); }
  testing_support::ScratchDirectory scratch_;
};

// The command text is written unchanged, between the lines that keep its
// status and remove the (empty) marker; nothing changes where the directory
// cannot be written.
TEST_F(WriteBatchTest, EachDialectWritesItsLinesAndAnEmptyMarker) {
  for (const bool cmd : {true, false}) {
    std::string command = cmd ? "cl /c a.c" : "echo {marker} {batch} %ERRORLEVEL% 'q'";
    std::string base;
    ASSERT_TRUE(exec::WriteBatch(command, base, cmd ? exec::CmdDialect() : exec::ShellDialect(), Directory()));
    EXPECT_EQ(command, base + (cmd ? ".bat" : ".sh"));
    const std::string name = std::filesystem::path(base).filename().string();
    EXPECT_EQ(name.rfind("mk", 0), 0u);
    EXPECT_EQ(scratch_.Read(name + (cmd ? ".bat" : ".sh")),
              cmd ? "@ECHO OFF\r\ncl /c a.c\r\nSET BACKVAR=%ERRORLEVEL%\r\nerase " + base + ".m\r\nSET ERRORLEVEL=%BACKVAR%"
                  : "echo {marker} {batch} %ERRORLEVEL% 'q'\nBACKVAR=$?\nrm -f '" + base + ".m'\nreturn $BACKVAR");
    EXPECT_TRUE(std::filesystem::exists(base + ".m"));
    EXPECT_EQ(std::filesystem::file_size(base + ".m"), 0u);
  }
  std::string command = "cl /c a.c";
  std::string base = "before";
  EXPECT_FALSE(exec::WriteBatch(command, base, exec::CmdDialect(), Directory() + platform::kPathSeparator + "missing"));
  EXPECT_EQ(command, "cl /c a.c");
  EXPECT_EQ(base, "before");
}

// Names are never shared; whatever number comes next, the batch name or
// the marker name of the next few is taken already and skipped.
TEST_F(WriteBatchTest, NamesAreNeverSharedAndExistingFilesOfEitherKindAreSkipped) {
  std::set<std::string> bases;
  std::string probeBase;
  for (int i = 0; i < 20; ++i) {
    std::string probe = "x";
    ASSERT_TRUE(exec::WriteBatch(probe, probeBase, exec::CmdDialect(), Directory()));
    EXPECT_TRUE(bases.insert(probeBase).second) << probeBase;
  }
  const int next = std::stoi(std::filesystem::path(probeBase).filename().string().substr(2)) + 1;
  scratch_.Write("mk" + std::to_string(next) + ".bat", "someone else's");
  scratch_.Write("mk" + std::to_string(next + 1) + ".m", "");
  std::string command = "y";
  std::string base;
  ASSERT_TRUE(exec::WriteBatch(command, base, exec::CmdDialect(), Directory()));
  EXPECT_EQ(base, Base(next + 2));
  EXPECT_EQ(scratch_.Read("mk" + std::to_string(next) + ".bat"), "someone else's");
  EXPECT_FALSE(std::filesystem::exists(Base(next + 1) + ".bat"));
}

TEST(BatchTextTest, CmdQuotesOnlyWhenNeededShellAlwaysAndTemplatesAreFilled) {
  EXPECT_EQ(exec::QuotePath("C:\\tmp\\mk3.m", exec::CmdDialect()), "C:\\tmp\\mk3.m");
  EXPECT_EQ(exec::QuotePath("C:\\Documents and Settings\\mk3.m", exec::CmdDialect()),
            "\"C:\\Documents and Settings\\mk3.m\"");
  EXPECT_EQ(exec::QuotePath("C:\\a&b\\mk3.m", exec::CmdDialect()), "\"C:\\a&b\\mk3.m\"");
  EXPECT_EQ(exec::QuotePath("/tmp/it's/mk3.m", exec::ShellDialect()), "'/tmp/it'\\''s/mk3.m'");
  // A template's holes are filled once each.
  EXPECT_EQ(exec::FillTemplate("CALL {sync} B& CALL {batch} & {token}{token} {other}", "b.bat", "m", "s.bat", "T"),
            "CALL s.bat B& CALL b.bat & TT {other}");
}

}  // namespace
