// Logical lines: comments, continuations, escapes, includes and the
// places that errors report.
#include "platform/directory.h"
#include "platform/text.h"
#include "reader_test_support.h"

namespace reader_test {
namespace {

using testing_support::NativePath;

const bool kDoubleByte = platform::IsLeadByte(0x95);

class ReaderLines : public ReaderTest {};

TEST_F(ReaderLines, ABackslashAtTheEndJoinsLinesWithABlank) {
  ASSERT_TRUE(Read("A = 1 \\\n+ 2\nall:\n"));
  EXPECT_EQ(Macro("A"), "1  + 2");
}

TEST_F(ReaderLines, AnEscapedBackslashEndsTheLine) {
  ASSERT_TRUE(Read("P = C:\\dir^\\\nQ = 2\nall:\n"));
  EXPECT_EQ(Macro("P"), "C:\\dir\\");
  EXPECT_EQ(Macro("Q"), "2");
}

TEST_F(ReaderLines, ALoneEscapedBackslashStillContinues) {
  // "^\" needs a character before the caret to count as an escape.
  ASSERT_TRUE(Read("^\\\nA=1\nall:\n"));
  EXPECT_EQ(Macro("^ A"), "1");
}

TEST_F(ReaderLines, ABlankAfterTheBackslashEndsTheLine) {
  ASSERT_TRUE(Read("A = x\\ \nB = y\nall:\n"));
  EXPECT_EQ(Macro("A"), "x\\");
  EXPECT_EQ(Macro("B"), "y");
}

TEST_F(ReaderLines, CommentsEndAtAnUnescapedHash) {
  ASSERT_TRUE(Read("X = a ^# b # comment\n# whole line\nY = #\nall:\n"));
  EXPECT_EQ(Macro("X"), "a ^# b");
  EXPECT_EQ(Macro("Y"), "");
}

TEST_F(ReaderLines, EmptyAndCommentLinesInsideAContinuationAreSkipped) {
  ASSERT_TRUE(Read("A = one \\\n\n# note\nmore\nall:\n"));
  EXPECT_EQ(Macro("A"), "one  more");
}

TEST_F(ReaderLines, AContinuedLastLineIsStillHandled) {
  ASSERT_TRUE(Read("all:\nA = last \\"));
  EXPECT_EQ(Macro("A"), "last");
}

TEST_F(ReaderLines, AnIncludedFileCanContinueIntoItsIncluder) {
  Write("part.mak", "A = from part \\\n");
  ASSERT_TRUE(Read("!INCLUDE \"part.mak\"\nand includer\nall:\n"));
  EXPECT_EQ(Macro("A"), "from part  and includer");
}

TEST_F(ReaderLines, CarriageReturnLineEndsAreRead) {
  ASSERT_TRUE(Read("A = 1 \\\r\n2\r\nall: x\r\n\tcmd\r\n"));
  EXPECT_EQ(Macro("A"), "1  2");
  EXPECT_EQ(Commands("all"), Lines{"cmd"});
}

TEST_F(ReaderLines, BlankOnlyLinesAreIgnored) {
  ASSERT_TRUE(Read("   \n\t\nall:\n"));
  EXPECT_EQ(RootNames(), Lines{"all"});
}

TEST_F(ReaderLines, ATrailByteBackslashDoesNotContinue) {
  // 0x95 0x5C is one character in code page 932.
  ASSERT_TRUE(Read("A = \x95\\\nB = 1\nall:\n"));
  if (kDoubleByte) {
    EXPECT_EQ(Macro("A"), "\x95\\");
    EXPECT_EQ(Macro("B"), "1");
  } else {
    EXPECT_EQ(Macro("A"), "\x95 B = 1");
  }
}

TEST_F(ReaderLines, MacrosAreExpandedWhenALineIsRead) {
  ASSERT_TRUE(Read("A = x\nA = $(A) y\nB = $(C)\nall: $(A)\n"));
  EXPECT_EQ(Macro("A"), "x y");
  EXPECT_EQ(Macro("B"), "");
  EXPECT_EQ(Macro("C"), "");
  EXPECT_EQ(UndefinedNames(), Lines{"C"});
  EXPECT_EQ(Dependents("all"), (Lines{"x", "y"}));
}

TEST_F(ReaderLines, TheWorkingDirectoryBecomesTheMakefilesDirectory) {
  Write(NativePath("sub\\Makefile"), "!INCLUDE \"local.mak\"\nall:\n");
  Write(NativePath("sub\\local.mak"), "FOUND = yes\n");
  ASSERT_TRUE(ReadFile(NativePath("sub\\Makefile")));
  EXPECT_EQ(Macro("FOUND"), "yes");
  EXPECT_TRUE(platform::SamePath(platform::FullPath(platform::WorkingDirectory()),
                                 platform::FullPath((dir.path() / "sub").string())));
}

TEST_F(ReaderLines, AMissingMakefileIsError23WithItsName) {
  EXPECT_FALSE(ReadFile("nothere.mak"));
  EXPECT_EQ(Error().code, 23);
  EXPECT_EQ(Error().argument, (dir.path() / "nothere.mak").string());
  EXPECT_EQ(Error().fileName, "");
  EXPECT_EQ(Error().lineNumber, 0);
}

TEST_F(ReaderLines, AnErrorAfterAnIncludeNamesTheIncluderAndItsLine) {
  Write("inc.mak", "X = 1\nY = 2\nZ = 3\n");
  EXPECT_FALSE(Read("all:\n!INCLUDE \"inc.mak\"\n\nbroken line\n"));
  EXPECT_EQ(Error().code, 22);
  EXPECT_EQ(Error().fileName, "Makefile");
  EXPECT_EQ(Error().lineNumber, 4);
  EXPECT_EQ(Error().lineText, "broken line");
}

TEST_F(ReaderLines, AnErrorInAnIncludedFileNamesThatFile) {
  Write(NativePath("inc\\deep.mak"), "\n\n!ENDIF # stray\n");
  EXPECT_FALSE(Read("all:\n!INCLUDE \"" + NativePath("inc\\deep.mak") + "\"\n"));
  EXPECT_EQ(Error().code, 5);
  EXPECT_EQ(Error().fileName, "deep.mak");
  EXPECT_EQ(Error().lineNumber, 3);
  EXPECT_EQ(Error().lineText, "!ENDIF # stray");
}

TEST_F(ReaderLines, AFileThatIncludesItselfStopsWithItsName) {
  EXPECT_FALSE(Read("all:\n!INCLUDE \"Makefile\"\n"));
  EXPECT_EQ(Error().code, 30);
  EXPECT_EQ(Error().argument, "Makefile");
  EXPECT_EQ(Error().lineNumber, 2);
}

TEST_F(ReaderLines, AnIncludeCycleThroughOtherFilesStops) {
  Write("a.mak", "A = 1\n!INCLUDE \"b.mak\"\n");
  Write("b.mak", "B = 1\n!INCLUDE \"a.mak\"\n");
  EXPECT_FALSE(Read("all:\n!INCLUDE \"a.mak\"\n"));
  EXPECT_EQ(Error().code, 30);
  EXPECT_EQ(Error().argument, "a.mak");
  EXPECT_EQ(Error().fileName, "b.mak");
  EXPECT_EQ(Error().lineNumber, 2);
}

TEST_F(ReaderLines, IncludeChainsHaveADepthLimit) {
  const size_t files = makefile::kMaxIncludeDepth + 10;
  for (size_t i = 0; i < files; ++i) {
    Write("f" + std::to_string(i) + ".mak", "!INCLUDE \"f" + std::to_string(i + 1) + ".mak\"\n");
  }
  EXPECT_FALSE(Read("all:\n!INCLUDE \"f0.mak\"\n"));
  EXPECT_EQ(Error().code, 23);
  EXPECT_EQ(Error().argument, "f" + std::to_string(makefile::kMaxIncludeDepth - 1) + ".mak");
}

TEST_F(ReaderLines, TheSameFileMayBeIncludedAgainAfterItEnded) {
  Write("count.mak", "N = $(N)x\n");
  ASSERT_TRUE(Read("N = \n!INCLUDE \"count.mak\"\n!INCLUDE \"count.mak\"\nall:\n"));
  EXPECT_EQ(Macro("N"), "xx");
}

TEST_F(ReaderLines, ARootThatDependsOnItselfNamesTheCycle) {
  EXPECT_FALSE(Read("all: a\na: all\n"));
  EXPECT_EQ(Error().code, 28);
  EXPECT_EQ(Error().argument, "all -> a -> all");
  EXPECT_EQ(Error().lineNumber, 0);
}

TEST_F(ReaderLines, ASelfReferringMacroStopsTheReading) {
  macros.DefineMacro("LOOP", "x $(LOOP)");
  EXPECT_FALSE(Read("all:\n\n\techo $(LOOP)\n"));
  EXPECT_EQ(Error().code, 29);
  EXPECT_EQ(Error().argument, "LOOP");
  EXPECT_EQ(Error().lineNumber, 3);
  EXPECT_EQ(Error().lineText, "\techo $(LOOP)");
}

TEST_F(ReaderLines, AFailingUndefinedMacroHookIsReportedAtItsLine) {
  failUndefined = true;
  EXPECT_FALSE(Read("all:\nX = $(NOPE)\n"));
  EXPECT_EQ(Error().code, 24);
  EXPECT_EQ(Error().lineNumber, 2);
}

}  // namespace
}  // namespace reader_test
