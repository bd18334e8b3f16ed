// Reading inline files: the raw lines below a "<<" command up to its end line.
#include "reader_test_support.h"

namespace reader_test {
namespace {

class InlineFiles : public ReaderTest {
 protected:
  const engine::CommandLine& Only(const std::string& target) {
    static const engine::CommandLine none;
    const engine::CommandLine* line = Command(target, 0);
    EXPECT_TRUE(line);
    return line ? *line : none;
  }
};

TEST_F(InlineFiles, ALinkResponseFile) {
  ASSERT_TRUE(Read("app.exe:\n\tlink @<<\na.obj\nb.obj\n<<\n"));
  const engine::CommandLine& line = Only("app.exe");
  EXPECT_EQ(line.text, "link @");
  EXPECT_EQ(line.inlineContent, "a.obj\nb.obj\n\n");
  EXPECT_EQ(line.inlineKind, engine::InlineKind::Temporary);
  EXPECT_EQ(line.inlineFileName, "");
}

TEST_F(InlineFiles, KeepUsesTheGivenName) {
  ASSERT_TRUE(Read("all:\n\t@type <<out.txt\ntext\n<<KEEP\n"));
  const engine::CommandLine& line = Only("all");
  EXPECT_EQ(line.text, "type ");
  EXPECT_TRUE(line.Silent());
  EXPECT_EQ(line.inlineFileName, "out.txt");
  EXPECT_EQ(line.inlineKind, engine::InlineKind::Named);
  EXPECT_EQ(line.inlineContent, "text\n\n");
}

TEST_F(InlineFiles, TheNamePartIsTakenAsWritten) {
  ASSERT_TRUE(Read("all:\n\ttype << out.txt << more\nx\nlast line<<NOKEEP\n"));
  const engine::CommandLine& line = Only("all");
  EXPECT_EQ(line.inlineFileName, " out.txt << more");
  EXPECT_EQ(line.inlineContent, "x\nlast line\n");
  EXPECT_EQ(line.inlineKind, engine::InlineKind::Temporary);
}

TEST_F(InlineFiles, ContentLinesAreRawButExpanded) {
  macros.DefineMacro("OBJS", "a.obj b.obj");
  ASSERT_TRUE(Read("all:\n\tlink @<<\n# not a comment\nends in \\\n!IF 0\n$(OBJS)\n^$(OBJS)\n<<\n\techo after\n"));
  EXPECT_EQ(Only("all").inlineContent, "# not a comment\nends in \\\n!IF 0\na.obj b.obj\n^$(OBJS)\n\n");
  EXPECT_EQ(Commands("all"), (Lines{"link @", "echo after"}));
}

TEST_F(InlineFiles, AMacroHoldingTheMarkerEndsTheFile) {
  macros.DefineMacro("END", "<<");
  ASSERT_TRUE(Read("all:\n\tcat <<\none\n$(END)\n"));
  EXPECT_EQ(Only("all").inlineContent, "one\n\n");
}

TEST_F(InlineFiles, EachFileHasOnlyItsOwnLines) {
  ASSERT_TRUE(Read("all:\n\tone <<\nfirst\n<<\n\ttwo <<\nsecond\n<<\n"));
  ASSERT_TRUE(Command("all", 1));
  EXPECT_EQ(Command("all", 0)->inlineContent, "first\n\n");
  EXPECT_EQ(Command("all", 1)->inlineContent, "second\n\n");
}

TEST_F(InlineFiles, EscapesOfTheCommandLineAreRemovedFromTheName) {
  ASSERT_TRUE(Read("all:\n\ttype <<a^#b.txt\n<<KEEP\n"));
  EXPECT_EQ(Only("all").inlineFileName, "a#b.txt");
}

TEST_F(InlineFiles, BadKeepWords) {
  for (const char* end : {"<<keep", "<< KEEP", "<<KEEP ", "<<DELETE"}) {
    EXPECT_FALSE(Read(std::string("all:\n\tcat <<\nx\n") + end + "\n")) << end;
    EXPECT_EQ(Error().code, 20) << end;
    EXPECT_EQ(Error().lineNumber, 4) << end;
  }
}

TEST_F(InlineFiles, TheInputEndingInsideIsError19) {
  EXPECT_FALSE(Read("all:\n\tcat <<\nno end\n"));
  EXPECT_EQ(Error().code, 19);
}

TEST_F(InlineFiles, AMarkerWithoutACommandIsError21) {
  EXPECT_FALSE(Read("all:\n\t<<name\n<<\n"));
  EXPECT_EQ(Error().code, 21);
  EXPECT_EQ(Error().lineNumber, 2);
}

TEST_F(InlineFiles, InsideInferenceRules) {
  ASSERT_TRUE(Read(".c.obj:\n\tcl @<<\n$<\n<<\nall: x.obj\n"));
  targets.ApplyInferenceRules(rules);
  EXPECT_EQ(Only("x.obj").inlineContent, "$<\n\n");
}

}  // namespace
}  // namespace reader_test
