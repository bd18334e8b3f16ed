// Input a careful user still meets: files that vanish or appear while the
// build runs, directories where files are expected, names with blanks or
// double-byte characters, and commands that read their input or write a
// great deal.
#include <gtest/gtest.h>

#include <string>

#include "local_build_fixture.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

using testing_support::Narrow;
using testing_support::NativePath;

TEST_F(LocalBuild, FilesAndDirectoriesAsTheWalkFindsThem) {
  const std::string directories =
      "out: a.c\n\techo building\nusesdata: data\n\techo never\nusesglob: *.x\n\techo never\n";
  const std::string withDirectories = "a.c:20 out\\keep:0 data\\keep:0 d.x\\keep:0";
  // Code page 932 under Wine: the second byte of 表 and of ソ is the backslash.
  // Such names go to the C library as they stand: their time is not set.
  const std::string continued = Narrow("one: 表\n\techo one $**\ntwo: ソ\\\n 表\n\techo two $**\n");
  const std::string doubleByteFiles = Narrow("表 ソ");
  const std::string program = NativePath(Narrow("\"ソ\\表.exe\" arg"));
  const std::string cannotStart = "all: bad good\nbad:\n\t" + program + "\ngood:\n\techo good\n";
  const std::string remove = kWindows ? "del" : "rm";
  ExpectRuns({
      // new.h appears before user needs it; out appears newer than in, so
      // it is up to date by the time the walk reaches it.
      {"all: maker user gen out\nmaker:\n\techo x> new.h\nuser: new.h\n\techo user\ngen:\n\techo made> out\n"
       "out: in\n\techo rebuilt\n",
       "in:10", "", 0, "  echo x> new.h\n  echo user\nuser\n  echo made> out\n", ""},
      // A target deleted before the walk reaches it is rebuilt.
      {"all: gen out\ngen:\n\t" + remove + " out\nout: in\n\techo rebuilt\n", "in:20 out:10", "", 0,
       "  " + remove + " out\n  echo rebuilt\nrebuilt\n", ""},
      // A target that is a directory is always built; a directory is no
      // dependent file.
      {directories, withDirectories, "", 0, "  echo building\nbuilding\n", ""},
      {directories, withDirectories, "usesdata", 1, "", Fatal(diag::msg::kNeededFileMissing, "data")},
      {directories, withDirectories, "usesglob", 1, "", Fatal(diag::msg::kNeededFileMissing, "*.x")},
      // A line ending in 表 is no continuation; a backslash of its own is.
      {continued, doubleByteFiles, "-N one", 0, Narrow("  echo one 表\n"), ""},
      {continued, doubleByteFiles, "-N two", 0, Narrow("  echo two ソ 表\n"), ""},
      {cannotStart, "", "-K", 2, "  " + program + "\n  echo good\ngood\n",
       StartFailed() + CommandError(Narrow("表"), 2)},
  });
}

TEST_F(LocalBuild, NamesWithBlanksInDoubleQuotes) {
  Makefile(std::string("\"my out.txt\": \"in put.c\" other.c\n\t") + kShowFile +
           " $** > $@\n\techo [$(@F)] [$(**F)] [$<]\n"
           "\"needs it\": \"no such.h\"\n\techo never\n");
  MakeFile("in put.c", 20, "a\n");
  MakeFile("other.c", 20, "b\n");
  const auto listed = Run({"-N"});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  // The target does not exist yet: $@ is its name as written.
  EXPECT_EQ(listed.out, std::string("  ") + kShowFile + " \"in put.c\" other.c > \"my out.txt\"\n" +
                            "  echo [\"my out.txt\"] [\"in put.c\" other.c] [in put.c]\n");

  const auto built = Run({"-X"});
  EXPECT_EQ(built.exitCode, 0) << built.err;
  EXPECT_EQ(built.out, "MaxCount: 1\nCount: 1\n");
  EXPECT_EQ(built.err.rfind("my out.txt\n", 0), 0u) << built.err;
  EXPECT_EQ(Read("my out.txt"), "a\nb\n");
  EXPECT_EQ(Run().out, "");  // up to date now

  const auto missing = Run({"needs it"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err, Fatal(diag::msg::kNeededFileMissing, "no such.h"));
}

// In code page 932 the second byte of 表, ソ and 予 is the backslash; none
// splits a path or ends a name.
TEST_F(LocalBuild, DoubleByteNames) {
  WriteFile(Narrow("ソ表"));
  WriteFile(Narrow("ソ\\予.h"));
  WriteFile(Narrow("表\\keep"));  // the directory of a target
  Makefile(NativePath(Narrow(
      "all: 表.obj ソ\\表.txt bad\n"
      "表.obj: ソ表\n\techo $(<F)> $(@F)\n"
      "ソ\\表.txt: ソ表\n\techo $(<F)> $@\n"
      "bad: ソ\\表.h\n\techo never\n"
      "表\\ソ.obj: ソ\\予.h ソ表\n"
      "\techo $* $(*D) $(*F) $< $(<D) $(<R) $(@F) $(@B) $(**B) $(**F)\n"
      "\techo $(<F)> $(@R).txt\n")));
  const auto built = Run({"-X"});
  EXPECT_EQ(built.exitCode, 1);
  // The count knows nothing of the missing file yet.
  EXPECT_EQ(built.out, "MaxCount: 3\nCount: 1\nCount: 2\n");
  // Progress names and the missing file are the part after the last separator.
  EXPECT_EQ(built.err, Narrow("表.obj\n表.txt\n") + Fatal(diag::msg::kNeededFileMissing, Narrow("表.h")));
  EXPECT_EQ(Read(Narrow("表.obj")), testing_support::OnDisk(Narrow("ソ表\n")));
  EXPECT_EQ(Read(Narrow("ソ\\表.txt")), testing_support::OnDisk(Narrow("ソ表\n")));

  const std::string special = NativePath(Narrow("表\\ソ.obj"));
  const auto listed = Run({"-N", special});
  EXPECT_EQ(listed.exitCode, 0) << listed.err;
  EXPECT_EQ(listed.out,
            NativePath(Narrow("  echo .\\表\\ソ .\\表 ソ .\\ソ\\予.h .\\ソ .\\ソ\\予 \"ソ.obj\" \"ソ\" 予 ソ表 予.h ソ表\n"
                              "  echo 予.h> \"表\\ソ\".txt\n")));
  EXPECT_EQ(Run({"-S", special}).exitCode, 0);
  EXPECT_EQ(Read(Narrow("表\\ソ.txt")), testing_support::OnDisk(Narrow("予.h\n")));

  // A makefile in another directory builds there.
  WriteFile(Narrow("ソ\\表\\build.mak"), "out.txt: in.txt\n\techo made> out.txt\n");
  WriteFile(Narrow("ソ\\表\\in.txt"));
  const auto elsewhere = Run({"-S", "-F", NativePath(Narrow("ソ\\表\\build.mak"))});
  EXPECT_EQ(elsewhere.exitCode, 0) << elsewhere.err;
  EXPECT_EQ(Read(Narrow("ソ\\表\\out.txt")), testing_support::OnDisk("made\n"));
  EXPECT_FALSE(Exists("out.txt"));
}

TEST_F(LocalBuild, InlineFileNamesWithBlanks) {
  // A quoted name is the file's name without the quotes; a temporary name
  // in a directory with a blank is quoted for the command. Special macros
  // expand in the content.
  Makefile(std::string("t:\n\t") + kShowFile + " <<\"my list.txt\"\nfirst\n<<KEEP\n\t" + kShowFile +
           " <<\nsecond $@\n<<\n");
  WriteFile("my temp\\keep");
  const std::string temporary = (Directory() / "my temp").string();
  const auto result = testing_support::RunBramleWithVariable(kWindows ? "TMP" : "TMPDIR", temporary, {}, Directory());
  EXPECT_EQ(result.exitCode, 0) << result.err;
  const std::string named = std::string("  ") + kShowFile + " \"my list.txt\"\nfirst\n\n";
  const std::string made = std::string("  ") + kShowFile + " \"" + temporary + platform::kPathSeparator + "min";
  EXPECT_EQ(result.out.rfind(named + made, 0), 0u) << result.out;
  const std::string end = ".inl\"\nsecond \"t\"\n\n";
  ASSERT_GE(result.out.size(), end.size());
  EXPECT_EQ(result.out.substr(result.out.size() - end.size()), end) << result.out;
  EXPECT_EQ(Read("my list.txt"), testing_support::OnDisk("first\n\n"));
}

// Each runner: a last line without a line end is passed on when its
// command ends, before the next echo; an empty command runs nothing and
// succeeds. (Input at its end and long output are the runners' own table.)
TEST_F(LocalBuild, PartialLastLinesAndEmptyCommands) {
  const std::string partial = kWindows ? "<nul set /p=abc" : "printf abc";
  const std::string makefile =
      "all: partial empty\npartial:\n\t" + partial + "\n\techo next\nempty:\n\t# nothing but a comment\n";
  const std::string expected = "  " + partial + "\nabc  echo next\nnext\n  \n";
  ExpectRuns({{makefile, "", "", 0, expected, ""}, {makefile, "", "-L", 0, expected, ""}});
}

}  // namespace
}  // namespace app::test
