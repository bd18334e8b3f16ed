// Dependency lines, command blocks and their inline files, .SUFFIXES lines
// and inference rules.
#include "makefile/rule_line_syntax.h"
#include "platform/path.h"
#include "reader_test_support.h"

namespace reader_test {
namespace {

using makefile::InferenceRuleLine;
using makefile::ParseInferenceRuleLine;
using makefile::RuleLineKind;
using testing_support::NativePath;

// Plain rules and lines that are no rule are held by the reader tables below.
TEST(InferenceRuleSyntax, SuffixesDirectoriesAndOtherLines) {
  // Each line and "{from directory}from{to directory}to" of its rule, or
  // nothing for a malformed one.
  const std::pair<std::string, std::string> cases[] = {
      {"{src}.c{obj}.obj: ignored", "{src}.c{obj}.obj"},
      {"{src}.c.obj :", "{src}.c{}.obj"},
      {".c :", "{}.c{}"},
      {".c^:x.obj:", "{}.c:x{}.obj"},
      {".c{obj.obj:", ""},
  };
  for (const auto& [line, parts] : cases) {
    InferenceRuleLine rule;
    EXPECT_EQ(ParseInferenceRuleLine(line, rule), parts.empty() ? RuleLineKind::kMalformed : RuleLineKind::kRule)
        << line;
    if (parts.empty()) continue;
    EXPECT_EQ("{" + rule.fromDirectory + "}" + rule.fromSuffix + "{" + rule.toDirectory + "}" + rule.toSuffix, parts);
  }
}

class RuleLines : public ReaderTest {};

TEST_F(RuleLines, SuffixesRulesBlocksAndInlineFiles) {
  macros.DefineMacro("DEBUG", "1");
  macros.DefineMacro("OBJS", "a.obj b.obj");
  macros.DefineMacro("END", "<<");
  ExpectReads({
      {"all:\n", "suffixes=.ctx/1 .abs/2 .o/3 .out/4 .c/5 .cpp/6 .cxx/7 .asm/8 .src/9 .s/10 .h/11 .hpp/12"},
      // An empty .SUFFIXES line clears suffixes and rules; a suffix listed
      // twice has two entries.
      {".c.obj:\n\tcl $<\n.SUFFIXES:\n.SUFFIXES: .c .obj\n.SUFFIXES: .c\nall:\n", "suffixes=.c/1 .obj/2 .c/3|rules="},
      {".SUFFIXES: .obj\n{src}.c{out}.obj:\n\t@cl /c $<\n\n\t-echo done\nall: x.obj\n",
       "rules=" + NativePath("out\\.obj") + " {src}.c -> {out}.obj: @cl /c $<;-echo done"},
      {".c:\n\tcl $<\nall: tool\n", "rules=" + NativePath("\\ ") + " {}.c -> {} : cl $<"},
      {".c.obj:\n\tcl @<<\n$<\n<<\nall: x.obj\n",
       "rules=" + NativePath("\\.obj") + " {}.c -> {}.obj: cl @ <<T[]{$<\n\n}"},
      // Dependency lines and command blocks.
      // Paths starting with a dot are targets; a drive colon is part of one.
      {NativePath(".\\out\\a.obj: a.c\n..\\lib\\b.obj: b.c\n.abc\\x.obj: y\n"),
       "roots=" + NativePath(".\\out\\a.obj ..\\lib\\b.obj .abc\\x.obj")},
      {"C:\\work\\a.obj: a.c\nD:\\x.obj:\n", "roots=C:\\work\\a.obj D:\\x.obj|:C:\\work\\a.obj=a.c"},
      {"a.obj b.obj: common.h\n\tcl $*.c\n", "roots=a.obj b.obj|>a.obj=cl $*.c|>b.obj=cl $*.c"},
      {"\"my file.obj\" \"\" plain: x.c\n", "roots=my file.obj plain"},
      {"all: a b ; echo done\n\techo more\n", ":all=a b|>all=; echo done;echo more"},
      {"x.obj:\n\t@-copy a b\n  - @ copy^;c d\n\t@\n\t# comment only\n\t!echo x\n\t@\t\r\v\f-e\n",
       ">x.obj=@-copy a b;@-copy;c d;@;;!echo x;@-e"},
      {"a^:b: c^#d e^$(X)\n", "roots=a:b|:a:b=c#d e$(X)"},
      {"all:\n!IF $(DEBUG)\n\techo debug\n!ELSE\n\techo release\n!ENDIF\n\techo always\n",
       ">all=echo debug;echo always"},
      {"all: a\n\tone\nALL: b\n\ttwo\n", ">all=one;two|:all=a b"},
      {"a:: b\n", ":a=: b"},  // a double colon is not special
      // An unindented line ends the block.
      {"all:\nX = 1\n\tcommand without colon\n", "error 22 line 3|>all=|X=1"},
      {"all:\ntarget\n", "error 22 line 2"},
      {": a\n", "error 18 line 1"},
      {"C:\\only\n", "error 22 line 1"},
      // Targets are entered even when the block fails.
      {"all: x\n\techo one\n!ENDIF\n", "error 5 line 3|>all=echo one"},
      {"all:\n.SUFFIXES .c\n", "error 12 line 2"},
      {"all:\n.c.obj\n", "error 13 line 2"},
      {"all:\n{src.c.obj:\n\tcl\n", "error 13 line 2"},
      {"all:\n.c.obj:\nnext:\n", "error 14 line 3"},
      // Inline files: content, name and kind.
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

}  // namespace
}  // namespace reader_test
