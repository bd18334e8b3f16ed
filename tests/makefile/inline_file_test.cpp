// Reading inline files: the raw lines below a "<<" command up to its end line.
#include "reader_test_support.h"

namespace reader_test {
namespace {

class InlineFiles : public ReaderTest {};

TEST_F(InlineFiles, ContentNameAndKind) {
  macros.DefineMacro("OBJS", "a.obj b.obj");
  macros.DefineMacro("END", "<<");
  ExpectReads({
      {"app.exe:\n\tlink @<<\na.obj\nb.obj\n<<\n", ">app.exe=link @ <<T[]{a.obj\nb.obj\n\n}"},
      {"all:\n\t@type <<out.txt\ntext\n<<KEEP\n", ">all=@type  <<N[out.txt]{text\n\n}"},
      // The name part is taken as written; escapes are removed from it.
      {"all:\n\ttype << out.txt << more\nx\nlast line<<NOKEEP\n", ">all=type  <<T[ out.txt << more]{x\nlast line\n}"},
      {"all:\n\ttype <<a^#b.txt\n<<KEEP\n", ">all=type  <<N[a#b.txt]{\n}"},
      // Content lines are raw but expanded; a macro holding the marker ends
      // the file; each file has only its own lines.
      {"all:\n\tlink @<<\n# not a comment\nends in \\\n!IF 0\n$(OBJS)\n^$(OBJS)\n<<\n\techo after\n",
       ">all=link @ <<T[]{# not a comment\nends in \\\n!IF 0\na.obj b.obj\n^$(OBJS)\n\n};echo after"},
      {"all:\n\tcat <<\none\n$(END)\n", ">all=cat  <<T[]{one\n\n}"},
      {"all:\n\tone <<\nfirst\n<<\n\ttwo <<\nsecond\n<<\n", ">all=one  <<T[]{first\n\n};two  <<T[]{second\n\n}"},
      {"all:\n\tcat <<\nx\n<<keep\n", "error 20 line 4"},
      {"all:\n\tcat <<\nx\n<< KEEP\n", "error 20 line 4"},
      {"all:\n\tcat <<\nx\n<<KEEP \n", "error 20 line 4"},
      {"all:\n\tcat <<\nx\n<<DELETE\n", "error 20 line 4"},
      {"all:\n\tcat <<\nno end\n", "error 19 line 0"},
      {"all:\n\t<<name\n<<\n", "error 21 line 2"},
  });
}

TEST_F(InlineFiles, InsideInferenceRules) {
  ASSERT_TRUE(Read(".c.obj:\n\tcl @<<\n$<\n<<\nall: x.obj\n"));
  targets.ApplyInferenceRules(rules);
  EXPECT_EQ(DescribeCommands(*targets.FindTarget("x.obj")), "cl @ <<T[]{$<\n\n}");
}

}  // namespace
}  // namespace reader_test
