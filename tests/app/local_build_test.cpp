#include <gtest/gtest.h>

#include <string>

#include "diag/message_catalogue.h"
#include "engine/model_report.h"
#include "local_build_fixture.h"
#include "platform/directory.h"
#include "platform/file_status.h"
#include "support/bramle_process.h"

namespace app::test {
namespace {

using testing_support::Narrow;
using testing_support::NativePath;

TEST_F(LocalBuild, OutOfDateTargetRunsItsCommandsInOrder) {
  Makefile("out.txt: in.txt\n\techo one\n\techo two > out.txt\n");
  MakeFile("in.txt", 10);
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "  echo one\none\n  echo two > out.txt\n");
  EXPECT_EQ(result.err, "");
  EXPECT_TRUE(Exists("out.txt"));
}

TEST_F(LocalBuild, UpToDateWhenTimesAreEqualOutOfDateWhenOneSecondNewer) {
  Makefile("out.txt: in.txt\n\techo rebuilt\n");
  MakeFile("in.txt", 10);
  MakeFile("out.txt", 10);
  EXPECT_EQ(Run().out, "");
  SetAge("in.txt", 9);
  EXPECT_EQ(Run().out, "  echo rebuilt\nrebuilt\n");
}

TEST_F(LocalBuild, EchoOptions) {
  Makefile("t:\n\techo shown\n\t@echo hidden\n");
  EXPECT_EQ(Run({"-S"}).out, "shown\n");
  // A silent line is not listed either.
  EXPECT_EQ(Run({"-N"}).out, "  echo shown\n");
  // -N clears -S; the other order keeps it.
  EXPECT_EQ(Run({"-S", "-N"}).out, "  echo shown\n");
  EXPECT_EQ(Run({"-N", "-S"}).out, "");
  EXPECT_EQ(Run({"-Q"}).out, "  echo shown\n");
  EXPECT_EQ(Run({"-S", "-Q"}).out, "");
}

TEST_F(LocalBuild, FailingCommandStopsTheBuild) {
  Makefile("all: a b\na:\n\texit 3\n\techo after\nb:\n\techo b\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "  exit 3\n");
  EXPECT_EQ(result.err, Fatal(22504, "exit 3", 3));
}

TEST_F(LocalBuild, IgnoredFailuresGoOn) {
  Makefile("all: a b\na:\n\t-exit 3\n\techo after\nb:\n\texit 4\n\techo b\n");
  const auto withPrefix = Run({"a"});
  EXPECT_EQ(withPrefix.exitCode, 0);
  EXPECT_EQ(withPrefix.out, "  exit 3\n  echo after\nafter\n");
  const auto withOption = Run({"-I"});
  EXPECT_EQ(withOption.exitCode, 0);
  EXPECT_EQ(withOption.out, "  exit 3\n  echo after\nafter\n  exit 4\n  echo b\nb\n");
  EXPECT_EQ(withOption.err, "");
}

TEST_F(LocalBuild, KeepGoingBuildsWhatDoesNotDependOnTheFailure) {
  Makefile("all: bad good\nbad:\n\texit 3\n\techo never\ngood:\n\techo good\n");
  const auto result = Run({"-K"});
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.out, "  exit 3\n  echo good\ngood\n");
  EXPECT_EQ(result.err, diag::FormatCatalogMessage(22003, "exit", 3));
}

TEST_F(LocalBuild, KeepGoingEndsAtAMissingFileAboveTheFailure) {
  Makefile("all: top other\ntop: bad\n\techo top\nbad:\n\texit 5\nother:\n\techo other\n");
  const auto result = Run({"-K"});
  EXPECT_EQ(result.exitCode, 5);
  EXPECT_EQ(result.out, "  exit 5\n");
  EXPECT_EQ(result.err, diag::FormatCatalogMessage(22003, "exit", 5) + Fatal(30008, "top"));
}

TEST_F(LocalBuild, ProgramNameOfTheErrorHasNoDirectoryOrExtension) {
  Makefile(NativePath("t:\n\t\"tools\\no such.exe\" arg\n"));
  const auto result = Run({"-K"});
  EXPECT_EQ(result.exitCode, 2);
  EXPECT_NE(result.err.find(diag::FormatCatalogMessage(22003, "no such", 2)), std::string::npos);
  EXPECT_NE(result.err.find(diag::FormatCatalogMessage(22002, Narrow("コマンドの実行に失敗しました。"
                                                                     "コマンドが実行できるかどうか確認してください\n"))),
            std::string::npos);
}

TEST_F(LocalBuild, MissingDependentNamesTheFile) {
  Makefile(NativePath("app: obj\\gone.obj\n\techo link\n"));
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, Fatal(30008, "gone.obj"));

  const auto keepGoing = Run({"-K"});
  EXPECT_EQ(keepGoing.exitCode, 1);
  EXPECT_EQ(keepGoing.err, diag::FormatCatalogMessage(23602, "gone.obj") + "\n" + Fatal(30008, "gone.obj"));
}

TEST_F(LocalBuild, TouchSetsTimesInsteadOfRunning) {
  Makefile("all: old.obj new.obj\nold.obj: a.c\n\techo compile > old.obj\nnew.obj: a.c\n\techo compile\n");
  MakeFile("a.c", 10);
  MakeFile("old.obj", 20);
  const auto result = Run({"-T"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, diag::FormatCatalogMessage(22500, "old.obj") + "\n" +
                            diag::FormatCatalogMessage(22501, "new.obj") + "\n");
  EXPECT_TRUE(IsNewerThanReference("old.obj"));
  EXPECT_EQ(Read("old.obj"), "x\n");
  EXPECT_FALSE(Exists("new.obj"));
}

TEST_F(LocalBuild, TouchOnAnUpToDateTreePrintsNothing) {
  Makefile("t.obj: a.c\n\techo compile\n");
  MakeFile("a.c", 20);
  MakeFile("t.obj", 10);
  const auto result = Run({"-T"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
}

TEST_F(LocalBuild, BuildAllIgnoresTimes) {
  Makefile("t.obj: a.c\n\techo compile\n");
  MakeFile("a.c", 20);
  MakeFile("t.obj", 10);
  EXPECT_EQ(Run({"-A"}).out, "  echo compile\ncompile\n");
}

TEST_F(LocalBuild, TimestampViewBeforeTheCommands) {
  Makefile("t.obj: a.c\n\techo compile\n");
  MakeFile("a.c", 20);
  const auto result = Run({"-D"});
  EXPECT_EQ(result.exitCode, 0);
  const std::string time = engine::FormatFileTime(platform::PathStatus((Directory() / "a.c").string()).modified);
  EXPECT_EQ(result.out,
            "+-------------View TimeStamp----------------\n"
            "| [Target] t.obj :\n"
            "|   File is not exist.\n"
            "| [Depend:1] a.c :\n"
            "|   Timestamp is " + time + " \n"
            "+-------------------------------------------\n"
            "  echo compile\n"
            "compile\n");
}

TEST_F(LocalBuild, TimestampViewListsDependentsAsLoaded) {
  Makefile("t.obj: a.c a.h\n\techo compile\n");
  MakeFile("a.c", 20);
  MakeFile("a.h", 20);
  const auto result = Run({"-D"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_NE(result.out.find("| [Depend:2] a.h :\n|   Timestamp is "), std::string::npos);
  EXPECT_NE(result.out.find("+-------------------------------------------\n  echo compile\ncompile\n"),
            std::string::npos);
}

TEST_F(LocalBuild, ProgressOutputForAFrontEnd) {
  Makefile("all: a b\na:\n\techo out-a\nb:\n\t@echo out-b\n");
  const auto result = Run({"-X"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "MaxCount: 2\nCount: 1\nCount: 2\n");
  EXPECT_EQ(result.err, "a\nout-a\nb\n");
}

TEST_F(LocalBuild, ProgressOutputReportsFailuresOnStandardError) {
  Makefile("all: bad good\nbad:\n\texit 3\ngood:\n\techo good\n");
  const auto result = Run({"-X", "-K"});
  EXPECT_EQ(result.exitCode, 3);
  EXPECT_EQ(result.out, "MaxCount: 2\nCount: 1\nCount: 2\n");
  EXPECT_EQ(result.err, "bad\n" + diag::FormatCatalogMessage(30010, "exit", 3) + "good\ngood\n");
}

TEST_F(LocalBuild, ProgressOutputWithInlineFilesEchoesThem) {
  Makefile("t:\n\techo plain\n\techo <<note.txt\nfirst\n<<KEEP\n");
  const auto result = Run({"-X2", "-N"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "MaxCount: 1\nCount: 1\n");
  EXPECT_EQ(result.err, "t\necho plainecho note.txt >>\nfirst\n\n>>\n");
}

TEST_F(LocalBuild, ModelDumpBeforeTheBuild) {
  Makefile("CC = cl\nall: a\n\techo $(CC) $@\n");
  const auto result = Run({"-P", "-N"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_NE(result.out.find("| CC = cl\n"), std::string::npos);
  const std::string targets =
      "+---------View Depend-------------------\n"
      "|+---------------------------------------\n"
      "|| Target file: all\n"
      "|| Depend file:\n"
      "||  a\n"
      "|| Commadns:\n"
      "||  echo cl $@\n";
  EXPECT_NE(result.out.find(targets), std::string::npos);
  // The build follows the dump; a is a file nothing makes.
  EXPECT_EQ(result.err, Fatal(30008, "a"));
}

TEST_F(LocalBuild, SpecialMacrosInCommands) {
  Makefile(NativePath("sub\\t.obj: a.c sub\\b.c c.h\n"
                      "\tcc $(@F) $(@B) $* $(*F) $**\n"
                      "\tcc [$?] [$<] [$(<F)] $$@ ^^$@ $x\n"));
  MakeFile("a.c", 20);
  MakeFile("sub\\b.c", 5);
  MakeFile("c.h", 10);
  MakeFile("sub\\t.obj", 10);
  const auto result = Run({"-N"});
  EXPECT_EQ(result.exitCode, 0);
  // $$@ stands for $@: the full path, the target exists.
  const std::string fullPath = platform::FullPath((Directory() / NativePath("sub\\t.obj")).string());
  EXPECT_EQ(result.out, NativePath("  cc \"t.obj\" \"t\" .\\sub\\t t a.c sub\\b.c c.h\n") +
                            NativePath("  cc [sub\\b.c] [a.c] [a.c] \"") + fullPath + "\" ^$@ $x\n");
}

TEST_F(LocalBuild, TargetBaseInDependents) {
  Makefile(NativePath("obj\\foo.obj: $*.c $(*F).h\n\techo $**\n"));
  MakeFile("obj\\foo.c", 10);
  MakeFile("foo.h", 10);
  const auto result = Run({"-N"});
  EXPECT_EQ(result.out, NativePath("  echo obj\\foo.c foo.h\n"));
}

TEST_F(LocalBuild, InferenceRuleGivesCommandsAndSource) {
  Makefile(".SUFFIXES: .txt .out\n.txt.out:\n\techo from $<\nall: a.out\n");
  MakeFile("a.txt", 10);
  const auto result = Run({"-N"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "  echo from a.txt\n");
}

TEST_F(LocalBuild, NamedInlineFileIsWrittenEvenWithoutRunning) {
  Makefile(std::string("show:\n\t") + kShowFile + " <<list.txt\n$(WORD) one\ntwo\n<<KEEP\n");
  const auto listed = Run({"-N", "WORD=first"});
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out, std::string("  ") + kShowFile + " list.txt\n");
  EXPECT_EQ(Read("list.txt"), NativeLines("first one\ntwo\n\n"));
  const auto shown = Run({"-S", "WORD=again"});
  EXPECT_EQ(shown.out, "again one\ntwo\n\n");
}

TEST_F(LocalBuild, TemporaryInlineFileGetsAFreshName) {
  Makefile(std::string("show:\n\t@") + kShowFile + " <<\nfirst\nlast<<NOKEEP\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");  // a silent line shows no output either
  Makefile(std::string("show:\n\t") + kShowFile + " <<\nfirst\nlast<<\n");
  const auto shown = Run({"-S"});
  EXPECT_EQ(shown.out, "first\nlast\n");
}

TEST_F(LocalBuild, SharedUpToDateDependentIsNotRebuilt) {
  Makefile("all: one two\none: lib\n\techo one\ntwo: lib\n\techo two\nlib: lib.c\n\techo lib\n");
  MakeFile("lib.c", 30);
  MakeFile("lib", 20);
  MakeFile("one", 10);
  MakeFile("two", 10);
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "");
}

TEST_F(LocalBuild, GroupingTargetEndsWithSuccess) {
  Makefile("all: a b\na:\n\techo a\nb:\n\techo b\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, "  echo a\na\n  echo b\nb\n");
}

TEST_F(LocalBuild, TargetOnTheCommandLine) {
  Makefile("all: a b\na:\n\techo a\nb:\n\techo b\n");
  EXPECT_EQ(Run({"B"}).out, "  echo b\nb\n");
  // A name no target has builds the default target.
  EXPECT_EQ(Run({"nothing"}).out, "  echo a\na\n  echo b\nb\n");
}

TEST_F(LocalBuild, DependencyCycleIsNamed) {
  Makefile("all: a\na: b\n\techo a\nb: a\n\techo b\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err, diag::FormatCatalogMessage(22000, diag::FormatCatalogMessage(20028, "a -> b -> a")));
}

TEST_F(LocalBuild, MakefileWithoutDependencyLines) {
  Makefile("X = 1\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.err, Fatal(22508));
}

TEST_F(LocalBuild, MakefileInAnotherDirectoryBuildsThere) {
  MakeFile("sub\\build.mak", 0, "out.txt: in.txt\n\techo made > out.txt\n");
  MakeFile("sub\\in.txt", 10);
  const auto result = Run({"-F", NativePath("sub\\build.mak")});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_TRUE(Exists("sub\\out.txt"));
  EXPECT_FALSE(Exists("out.txt"));
}

TEST_F(LocalBuild, MakefileErrorsEndTheRunBeforeAnyCommand) {
  Makefile("first:\n\techo never\ntarget without colon\n");
  const auto result = Run();
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "");
  EXPECT_EQ(result.err.rfind(diag::FormatCatalogMessage(22004, diag::LoadMessage(20022)), 0), 0u);

  const auto missing = Run({"-F", "nothing.mak"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err.rfind(diag::FormatCatalogMessage(22004, diag::FormatCatalogMessage(20023, "nothing.mak")), 0),
            0u);
}

TEST_F(LocalBuild, BatchRunnerRunsCommandsToo) {
  Makefile("t:\n\techo batch\n\texit 6\n");
  const auto result = Run({"-L"});
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_EQ(result.out, "  echo batch\nbatch\n  exit 6\n");
  EXPECT_EQ(result.err, Fatal(22504, "exit 6", 6));
}

}  // namespace
}  // namespace app::test
