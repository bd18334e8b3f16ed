// A local build end to end: what runs, what is echoed, how it fails, the
// messages on standard error and the exit code, with and without -I and -K.
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

using diag::FormatCatalogMessage;
using testing_support::Narrow;
using testing_support::NativePath;

std::string Touched(const char* name) { return FormatCatalogMessage(diag::msg::kTimestampUpdated, name) + "\n"; }
std::string NotFound(const char* name) { return FormatCatalogMessage(diag::msg::kTimestampTargetMissing, name) + "\n"; }

TEST_F(LocalBuild, WhatRunsAndWhatIsEchoed) {
  const std::string echoes = "t:\n\techo shown\n\t@echo hidden\n";
  const std::string twoTargets = "all: a b\na:\n\techo a\nb:\n\techo b\n";
  ExpectRuns({
      {"out.txt: in.txt\n\techo one\n\techo two > out.txt\n", "in.txt:10", "", 0,
       "  echo one\none\n  echo two > out.txt\n", ""},
      // A silent line is not listed either.
      {echoes, "", "-S", 0, "shown\n", ""},
      {echoes, "", "-N", 0, "  echo shown\n", ""},
      {echoes, "", "-N -S", 0, "", ""},
      // -Q answers whether anything is out of date.
      {echoes, "", "-S -Q", 1, "", ""},
      {"t: src\n\techo t\n", "t:10 src:20", "-Q", 0, "", ""},
      // A file dated after the clock (an hour from now) makes its targets
      // out of date on every run: the run says so once.
      {"all: a.obj b.obj\na.obj: future.h\n\techo a\nb.obj: future.h\n\techo b\n", "future.h:-7200 a.obj:10 b.obj:10",
       "-N", 0, "  echo a\n  echo b\n",
       FormatCatalogMessage(diag::msg::kWarningFrame,
                            FormatCatalogMessage(diag::msg::kFileTimeInFuture, "future.h") + "\n")},
      {twoTargets, "", "", 0, "  echo a\na\n  echo b\nb\n", ""},
      // Each target named is built, in the order given; a shared one once.
      {twoTargets, "", "b a B", 0, "  echo b\nb\n  echo a\na\n", ""},
      {"all: one two\none: lib\n\techo one> one\ntwo: lib\n\techo two> two\nlib:\n\techo lib> lib\n", "", "two one", 0,
       "  echo lib> lib\n  echo two> two\n  echo one> one\n", ""},
      // A name no dependency line has: made by its inference rule when the
      // rule's source is there, up to date when its file is there, else an
      // error that names it; never the default target. Nothing is built
      // when one name is unknown.
      {twoTargets, "", "a nothing", 1, "", Fatal(diag::msg::kNoRuleToMake, "nothing")},
      {twoTargets, "notes.txt:10", "notes.txt", 0, FormatCatalogMessage(diag::msg::kGoalUpToDate, "notes.txt") + "\n",
       ""},
      {".SUFFIXES: .c .o\n.c.o:\n\techo cc $<\n" + twoTargets, "foo.c:10", "foo.o", 0, "  echo cc foo.c\ncc foo.c\n",
       ""},
      {".SUFFIXES: .c .o\n.c.o:\n\techo cc $<\n" + twoTargets, "", "foo.o", 1, "",
       Fatal(diag::msg::kNoRuleToMake, "foo.o")},
      // Progress for a front end: counts on standard output, names and
      // command output on standard error.
      {"all: a b\na:\n\techo out-a\nb:\n\t@echo out-b\n", "", "-X", 0, "MaxCount: 2\nCount: 1\nCount: 2\n",
       "a\nout-a\nb\n"},
      // Notices too: a !MESSAGE, an undefined macro's empty line, a goal
      // that is up to date.
      {"!MESSAGE hello\nall: a $(NONE)\na:\n\techo out-a\n", "notes.txt:10", "-X notes.txt all", 0,
       "MaxCount: 1\nCount: 1\n",
       "hello\n\n" + FormatCatalogMessage(diag::msg::kGoalUpToDate, "notes.txt") + "\na\nout-a\n"},
      {"all: bad good\nbad:\n\texit 3\ngood:\n\techo good\n", "", "-X -K", 3, "MaxCount: 2\nCount: 1\nCount: 2\n",
       "bad\n" + FormatCatalogMessage(diag::msg::kExecutionError, "exit", 3) + "good\ngood\n"},
      {"t:\n\techo plain\n\techo <<note.txt\nfirst\n<<KEEP\n", "", "-X2 -N", 0, "MaxCount: 1\nCount: 1\n",
       "t\necho plainecho note.txt >>\nfirst\n\n>>\n"},
      // A silent line shows no output, with or without -X2, where it is
      // echoed with its inline file. A closing "<<" may end a content line.
      {std::string("show:\n\t@") + kShowFile + " <<\nfirst\nlast<<NOKEEP\n", "", "", 0, "", ""},
      {std::string("show:\n\t") + kShowFile + " <<\nfirst\nlast<<\n", "", "-S", 0, "first\nlast\n", ""},
      {std::string("t:\n\t@") + kShowFile + " <<list.txt\nhello\n<<KEEP\n", "", "-X2", 0, "MaxCount: 1\nCount: 1\n",
       std::string("t\n") + kShowFile + " list.txt >>\nhello\n\n>>\n"},
  });
}

// The build options together on one tree: old.out is out of date, new.out
// is up to date, gone.out does not exist (its command is silent).
TEST_F(LocalBuild, OptionsTogether) {
  const std::string tree =
      "all: old.out new.out gone.out\n"
      "old.out: src.in\n\techo old> old.out\n\techo old\n"
      "new.out: src.in\n\techo new> new.out\n\techo new\n"
      "gone.out: src.in\n\t@echo gone> gone.out\n";
  const std::string files = "src.in:20 old.out:30 new.out:10";
  ExpectRuns({
      {tree, files, "", 0, "  echo old> old.out\n  echo old\nold\n", ""},
      {tree, files, "-Q", 1, "  echo old> old.out\n  echo old\n", ""},
      {tree, files, "-A -N", 0, "  echo old> old.out\n  echo old\n  echo new> new.out\n  echo new\n", ""},
      {tree, files, "-A -X -N", 0, "MaxCount: 3\nCount: 1\nCount: 2\nCount: 3\n", "old.out\nnew.out\ngone.out\n"},
      // -N clears only the echo and run flags; touching still replaces the run.
      {tree, files, "-N -T", 0, Touched("old.out") + NotFound("gone.out"), ""},
      {tree, files, "/a /t", 0, Touched("old.out") + Touched("new.out") + NotFound("gone.out"), ""},
      // Progress counts what is out of date; touching writes no Count lines,
      // and its notices leave standard output to the counts.
      {tree, files, "-T -X", 0, "MaxCount: 2\n", Touched("old.out") + NotFound("gone.out")},
      // Touching still stops at a missing file.
      {"all: old.out\nold.out: src.in missing.h\n\techo old> old.out\n", files, "-T", 1, "",
       Fatal(diag::msg::kNeededFileMissing, "missing.h")},
  });
}

TEST_F(LocalBuild, HowABuildFails) {
  const std::string failing = "all: a b\na:\n\texit 3\n\techo after\nb:\n\techo b\n";
  const std::string ignored = "all: a b\na:\n\t-exit 3\n\techo after\nb:\n\texit 4\n\techo b\n";
  const std::string badGood = "all: bad good\nbad:\n\texit 3\n\techo never\ngood:\n\techo good\n";
  const std::string cannotStart = "all: a b\na:\n\tno-such-program arg\n\techo after\nb:\n\techo b\n";
  const std::string missing = NativePath("app: obj\\gone.obj\n\techo link\n");
  const std::string unwritable = NativePath(std::string("all: t other\nt:\n\t") + kShowFile +
                                            " <<no\\such\\dir\\list.txt\ncontent\n<<KEEP\nother:\n\techo other\n");
  // POSIX: the shell that runs the line is killed. Windows: the code of a
  // process stopped by Ctrl+C, which no command can send to itself alone.
  const std::string killer = kWindows ? "exit" : "kill";
  const std::string killed = killer + (kWindows ? " -1073741510" : " -9 $$");
  const int killedCode = kWindows ? -1073741510 : 128 + 9;
  const std::string killedMakefile = "all: bad good\nbad:\n\t" + killed + "\n\techo never\ngood:\n\techo good\n";
  // The batch runner's processor itself goes: killed with its group on
  // POSIX, ended by exit inside a batch file under cmd.exe.
  const std::string endsProcessor = kWindows ? "exit 3" : "kill -9 0";
  const int endsProcessorCode = kWindows ? 3 : 128 + 9;
  const std::string rm = kWindows ? "del" : "rm";
  const std::string nested = "\"" + testing_support::BramleExecutable() + "\" inner";
  ExpectRuns({
      {failing, "", "", 1, "  exit 3\n", Fatal(diag::msg::kCommandReturned, "exit 3", 3)},
      {"t:\n\t@exit 3\n", "", "", 1, "", Fatal(diag::msg::kCommandReturned, "exit 3", 3)},
      {"t:\n\techo batch\n\texit 6\n", "", "-L", 1, "  echo batch\nbatch\n  exit 6\n",
       Fatal(diag::msg::kCommandReturned, "exit 6", 6)},
      {ignored, "", "a", 0, "  exit 3\n  echo after\nafter\n", ""},
      {ignored, "", "-I", 0, "  exit 3\n  echo after\nafter\n  exit 4\n  echo b\nb\n", ""},
      {badGood, "", "-K", 3, "  exit 3\n  echo good\ngood\n", CommandError("exit", 3)},
      // -I takes precedence over -K in either order.
      {badGood, "", "-K -I", 0, "  exit 3\n  echo never\nnever\n  echo good\ngood\n", ""},
      // mid lists the failed target; its file exists, so the walk goes on
      // past it; the first failing code is the run's.
      {"all: bad1 mid other bad2\nbad1:\n\texit 3\n\techo never\nmid: bad1\n\techo mid\nother:\n\techo other\n"
       "bad2:\n\texit 4\n",
       "mid:10", "-K", 3, "  exit 3\n  echo other\nother\n  exit 4\n",
       CommandError("exit", 3) + CommandError("exit", 4)},
      // A missing file blocks only what needs it; the exit code stays the
      // failing command's.
      {"all: bad use other\nbad:\n\texit 5\nuse: miss.h\n\techo use\nother:\n\techo other\n", "", "-K", 5,
       "  exit 5\n  echo other\nother\n",
       CommandError("exit", 5) + FormatCatalogMessage(diag::msg::kNeededFileMissingWarning, "miss.h") + "\n"},
      {missing, "", "-K", 1, "", FormatCatalogMessage(diag::msg::kNeededFileMissingWarning, "gone.obj") + "\n"},
      {"all: gen use after\ngen:\n\t" + rm + " data.txt\nuse: data.txt\n\techo use\nafter:\n\techo after\n",
       "data.txt:10", "", 1, "  " + rm + " data.txt\n", Fatal(diag::msg::kNeededFileMissing, "data.txt")},
      // A command that cannot start fails with code 2.
      {cannotStart, "", "", 1, "  no-such-program arg\n",
       StartFailed() + Fatal(diag::msg::kCommandReturned, "no-such-program arg", 2)},
      {cannotStart, "", "-I", 0, "  no-such-program arg\n  echo after\nafter\n  echo b\nb\n", StartFailed()},
      {cannotStart, "", "-K", 2, "  no-such-program arg\n  echo b\nb\n",
       StartFailed() + CommandError("no-such-program", 2)},
      // The program's name in the message has no directory or extension.
      {NativePath("t:\n\t\"tools\\no such.exe\" arg\n"), "", "-K", 2, NativePath("  \"tools\\no such.exe\" arg\n"),
       StartFailed() + CommandError("no such", 2)},
      {unwritable, "", "-K", 1, "  echo other\nother\n",
       FormatCatalogMessage(diag::msg::kWarningFrame, FormatCatalogMessage(diag::msg::kInlineFileNotCreated,
                                                                           NativePath("no\\such\\dir\\list.txt"))) +
           CommandError(kShowFile, 1)},
      {killedMakefile, "", "", 1, "  " + killed + "\n", Fatal(diag::msg::kCommandReturned, killed, killedCode)},
      {killedMakefile, "", "-K", killedCode, "  " + killed + "\n  echo good\ngood\n", CommandError(killer, killedCode)},
      {"all: bad good\nbad:\n\t" + endsProcessor + "\ngood:\n\techo good\n", "", "-L -K", endsProcessorCode,
       "  " + endsProcessor + "\n  echo good\ngood\n", CommandError(kWindows ? "exit" : "kill", endsProcessorCode)},
      // A nested run passes its output and its failure up.
      {"all:\n\t" + nested + "\n\techo never\ninner:\n\techo inner ran\n\texit 4\n", "", "", 1,
       "  " + nested + "\n  echo inner ran\ninner ran\n  exit 4\n",
       Fatal(diag::msg::kCommandReturned, "exit 4", 4) + Fatal(diag::msg::kCommandReturned, nested, 1)},
      // Errors of the makefile or of the model end the run before any command.
      {"all: a\na: b\n\techo a\nb: a\n\techo b\n", "", "", 1, "", Fatal(diag::msg::kDependencyCycle, "a -> b -> a")},
      {"X = 1\n", "", "", 1, "", Fatal(diag::msg::kNoDependencyLine)},
  });
}

// The time-stamp view comes before the commands, or before the touch that
// replaces them: a touch sets the time of a target that exists and makes
// none.
TEST_F(LocalBuild, TimestampViewAndTouch) {
  Makefile("t.obj: a.c a.h\n\techo compile\n");
  MakeFile("a.c", 20);
  MakeFile("a.h", 20);
  const std::string time = engine::FormatFileTime(platform::PathStatus((Directory() / "a.c").string()).modified);
  const std::string view =
      "+-------------View TimeStamp----------------\n"
      "| [Target] t.obj :\n"
      "|   File is not exist.\n"
      "| [Depend:1] a.c :\n"
      "|   Timestamp is " + time + " \n"
      "| [Depend:2] a.h :\n"
      "|   Timestamp is " + time + " \n"
      "+-------------------------------------------\n";
  const auto result = Run({"-D"});
  EXPECT_EQ(result.exitCode, 0);
  EXPECT_EQ(result.out, view + "  echo compile\ncompile\n");
  const auto notFound = Run({"-T", "-D"});
  EXPECT_EQ(notFound.out, view + NotFound("t.obj"));
  EXPECT_FALSE(Exists("t.obj"));
  // The view shows the time from before the touch.
  MakeFile("t.obj", 30);
  const std::string old = engine::FormatFileTime(platform::PathStatus((Directory() / "t.obj").string()).modified);
  std::string viewBeforeTouch = view;
  viewBeforeTouch.replace(view.find("File is not exist."), 18, "Timestamp is " + old + " ");
  const auto touched = Run({"-T", "-D"});
  EXPECT_EQ(touched.exitCode, 0);
  EXPECT_EQ(touched.out, viewBeforeTouch + Touched("t.obj"));
  EXPECT_GT(std::filesystem::last_write_time(Directory() / "t.obj"), testing_support::ReferenceTime());
  EXPECT_EQ(Read("t.obj"), "x\n");
}

TEST_F(LocalBuild, ModelDumpBeforeTheBuild) {
  Makefile("CC = cl\nall: a\n\techo $(CC) $@ $(UNDEFINED)\n");
  const auto result = Run({"-P", "-N"});
  EXPECT_EQ(result.exitCode, 1);
  // The undefined name is announced by one empty line, then the model.
  EXPECT_EQ(result.out.substr(0, 2), "\n+");
  // The report's layout is the engine's; here: the macros, and commands as read.
  for (const char* part : {"| CC = cl\n", "|| Target file: all\n", "||  echo cl $@ \n"}) {
    EXPECT_NE(result.out.find(part), std::string::npos) << part;
  }
  // The build follows the dump, with no reader report; a is a file nothing makes.
  EXPECT_EQ(result.err, Fatal(diag::msg::kNeededFileMissing, "a"));
}

TEST_F(LocalBuild, InlineFiles) {
  // A named file is written even without running; a temporary one gets a
  // fresh name each run.
  Makefile(std::string("show:\n\t") + kShowFile + " <<list.txt\n$(WORD) one\ntwo\n<<KEEP\n");
  const auto listed = Run({"-N", "WORD=first"});
  EXPECT_EQ(listed.exitCode, 0);
  EXPECT_EQ(listed.out, std::string("  ") + kShowFile + " list.txt\n");
  EXPECT_EQ(Read("list.txt"), testing_support::OnDisk("first one\ntwo\n\n"));
  EXPECT_EQ(Run({"-S", "WORD=again"}).out, "again one\ntwo\n\n");

  // The name ends at the first blank; the rest stays on the command line.
  Makefile(std::string("show:\n\t") + kShowFile + " << > rest.txt\nhello\n<<\n\t" + kShowFile +
           " <<tmp.in > kept.txt\nkept\n<<KEEP\n");
  EXPECT_EQ(Run({"-S"}).exitCode, 0);
  EXPECT_EQ(Read("rest.txt"), testing_support::OnDisk("hello\n\n"));
  EXPECT_EQ(Read("tmp.in"), testing_support::OnDisk("kept\n\n"));
  EXPECT_EQ(Read("kept.txt"), testing_support::OnDisk("kept\n\n"));
}

TEST_F(LocalBuild, ProcessorThatCannotStart) {
  // The batch runner cannot work without it; the direct runner fails only
  // the lines that need it (a built-in command), a program starts itself.
  const std::string processor = NativePath("\\no\\such\\processor");
  const char* const plainProgram = kWindows ? "hostname" : "true";
  Makefile("made.txt:\n\techo x > made.txt\n");
  const auto batch = testing_support::RunBramleWithVariable("ComSpec", processor, {"-L"}, Directory());
  EXPECT_EQ(batch.exitCode, 1);
  EXPECT_EQ(batch.out, "");
  EXPECT_EQ(batch.err, Fatal(diag::msg::kCommandProcessorMissing));
  EXPECT_FALSE(Exists("made.txt"));

  Makefile(std::string("t:\n\t-echo needs the processor\n\t") + plainProgram + "\n");
  const auto direct = testing_support::RunBramleWithVariable("ComSpec", processor, {}, Directory());
  EXPECT_EQ(direct.exitCode, 0);
  EXPECT_EQ(direct.out.rfind(std::string("  echo needs the processor\n  ") + plainProgram + "\n", 0), 0u);
  EXPECT_EQ(direct.err, StartFailed());
}

// $@ $* $** $? $< and their D B F R forms, in both bracket styles, as real
// commands see them: a target in a subdirectory, dependents in others.
TEST_F(LocalBuild, SpecialMacroForms) {
  // sub\\t.obj is older than sub\\b.c only; inc\\c.h has its very time.
  MakeFile("sub\\t.obj", 10);
  MakeFile("inc\\c.h", 10);
  MakeFile("a.c", 20);
  MakeFile("sub\\b.c", 5);
  Makefile(NativePath("sub\\t.obj: inc\\c.h a.c sub\\b.c\n"
                      "\techo $@ $(@D) $(@B) $(@F) $(@R) ${@D} ${@B} ${@F} ${@R}\n"
                      "\techo $* $(*D) $(*B) $(*F) $(*R) ${*D} ${*R}\n"
                      "\techo $** $(**D) $(**B) $(**F) $(**R) ${**F}\n"
                      "\techo $? $(?D) $(?B) $(?F) $(?R) ${?R}\n"
                      "\techo $< $(<D) $(<B) $(<F) $(<R) ${<D}\n"
                      "\techo $(@D} ${@F) $(@d) $$@ ^^$@\n"));
  const auto result = Run({"-N"});
  ASSERT_EQ(result.exitCode, 0) << result.err;
  auto quotedFullPath = [this](const std::string& name) {
    return "\"" + platform::FullPath((Directory() / NativePath(name)).string()) + "\"";
  };
  const std::string target = quotedFullPath("sub\\t.obj");
  const std::string directory = quotedFullPath("sub");
  const std::string withoutExtension = quotedFullPath("sub\\t");
  EXPECT_EQ(result.out,
            "  echo " + target + " " + directory + " \"t\" \"t.obj\" " + withoutExtension + " " + directory +
                " \"t\" \"t.obj\" " + withoutExtension + "\n" +
                NativePath("  echo .\\sub\\t .\\sub t t .\\sub\\t .\\sub .\\sub\\t\n"
                           // a.c has no directory: an empty name in the list
                           "  echo inc\\c.h a.c sub\\b.c inc  sub c a b c.h a.c b.c inc\\c a sub\\b c.h a.c b.c\n"
                           "  echo sub\\b.c sub b b.c sub\\b sub\\b\n"
                           "  echo .\\inc\\c.h .\\inc c c.h .\\inc\\c .\\inc\n") +
                "  echo " + directory + " \"t.obj\" " + target + " " + target + " ^$@\n");
}

}  // namespace
}  // namespace app::test
