// NMAKE's own forms, read where the dialect has none, and the lines both
// read that -M reads as NMAKE does.
#include <tuple>

#include "reader_test_support.h"

namespace reader_test {
namespace {

using testing_support::Narrow;
using testing_support::NativePath;

class NmakeForms : public ReaderTest {};

TEST_F(NmakeForms, DirectivesAndRuleLines) {
  Write("present.txt", "x");
  Write(NativePath("dir\\present.txt"), "x");
  Write("plain.mak", "P = plain\n");
  Write(NativePath("sub\\outer.mak"), "!INCLUDE inner.mak\n");
  Write(NativePath("sub\\inner.mak"), "I = inner\n");
  Write(NativePath("inc\\defs.mak"), "D = defs\n");
  // In code page 932 the last byte of 表 is a backslash.
  const std::string kanji = Narrow("表") + "\\" + Narrow("表.mak");
  Write(NativePath(kanji), "K = kanji\n");
  ExpectReads({
      // Keywords in any letter case, with blanks or a tab after the '!'.
      {"all:\n!if 1\nA=1\n!Else\nA=2\n!endif\n!\tIfNDef NONE\nB=b\n! else ifdef NONE\n!ENDIF\n", "A=1|B=b"},
      // A bare name in the IFDEF forms; UNDEF forgets it; CMDSWITCHES is read.
      {"X=1\nall:\n!IFDEF X\nA=def\n!ENDIF\n!UNDEF X\n!IFNDEF X\nB=gone\n!ENDIF\n!CMDSWITCHES +S\n",
       "A=def|B=gone|X=<undefined>"},
      {"all:\n!UNDEF\n", "error 34 line 2"},
      // defined() and EXIST() with the path as written, also after '!' and a blank.
      {"X=\nall:\n!IF defined(X) && !defined(Y) && ! DEFINED(Y)\nA=1\n!ENDIF\n", "A=1"},
      {"all:\n!IF ! EXIST(dir\\present.txt) || !exists( present.txt )\nA=no\n!ELSE\nA=yes\n!ENDIF\n", "A=yes"},
      {"all:\n!IF defined(X\n", "error 33 line 2: defined()"},
      // ![command] runs it; [command] is its exit code, also over continued lines.
      {"all:\n![echo made> made.txt]\n!IF EXIST(made.txt) && [exit 3] == 3 \\\n  && [exit 0] == 0\nA=ran\n!ENDIF\n",
       "A=ran"},
      {"all:\n!IF [exit 0\n", "error 33 line 2: [exit 0"},
      // INCLUDE unquoted, of a macro, beside the including file, along INCLUDE.
      {"F=plain.mak\nall:\n!INCLUDE plain.mak\n!include $(F)\n!INCLUDE " + NativePath("sub\\outer.mak") +
           "\nINCLUDE=nowhere;inc\n!INCLUDE <defs.mak>\n!INCLUDE " + kanji + "\n",
       "P=plain|I=inner|D=defs|K=kanji"},
      {"DIR=sub\nall:\n!INCLUDE \"$(DIR)" + NativePath("\\inner.mak") + "\"\n", "I=inner"},
      {"all:\n!INCLUDE absent.mak\n", "error 32 line 2: absent.mak"},
      {"all:\n!INCLUDE \"absent.mak\"\n", "error 9 line 2"},
      // Rule lines.
      // A target that starts with '.' and holds a separator is no rule.
      {"DIR_O=.\n..\\inc\\x.h:\n$(DIR_O)\\x.res: x.rc\n", "roots=..\\inc\\x.h .\\x.res"},
      // A rule whose suffix is not listed is never used; a macro in a suffix;
      // batch-mode rules.
      {"o=.obj\n.y.c:\n\tyacc\n.c$(o):\n\tcc\n{src}.c{obj}.o::\n\tcc $<\n",
       NativePath("rules=\\.obj {}.c -> {}.obj: cc + obj\\.o {src}.c -> {obj}.o: cc $<")},
      // The target of a fragment made to be included expanded to nothing.
      {"$(PROJECT): setup\n\techo x\nall:\n", "roots=all"},
      {": x\n", "error 18 line 1"},
      // Pseudo-targets: .IGNORE makes every later command ignore its failure.
      {".SILENT:\n.PRECIOUS: a\nfirst:\n\tcc\n.IGNORE:\nall:\n\tcc\n", ">first=cc|>all=-cc"},
      // A value that ends in '^' goes on over the lines that read as nothing else.
      {"MSG = ^\nYou must run it.^\nThen set X.\nall: x\n", "MSG=\nYou must run it.\nThen set X.|:all=x"},
  });
}

TEST_F(NmakeForms, LinesReadAsNmakeWithTheSwitch) {
  // Each makefile, as the dialect reads it and as -M reads it.
  const std::tuple<std::string, std::string, std::string> cases[] = {
      // An empty line ends a continued line.
      {"A = a \\\n\nB = b\nall:\n", "A=a  B = b|B=<undefined>", "A=a|B=b"},
      // Substitutions, with blanks, backslashes, escapes and references in them.
      {"DIR=obj\nP=a\\b\nS = a.c b.c\nE = $(S:.c=.obj)\nO = $(S: = $(DIR^)\\)\nQ = $(P:\\=\\\\)\nall:\n",
       "E=", "E=a.obj b.obj|O=a.c obj\\b.c|Q=a\\\\b"},
      // An undefined name stays undefined.
      {"A = $(NONE)\nall:\n!IFDEF NONE\nB=defined\n!ENDIF\n", "B=defined|undefined=NONE",
       "B=<undefined>|undefined=NONE"},
  };
  for (const auto& [makefile, dialect, nmake] : cases) {
    readAsNmake = false;
    EXPECT_EQ(Outcome(makefile, dialect), dialect) << makefile;
    readAsNmake = true;
    EXPECT_EQ(Outcome(makefile, nmake), nmake) << makefile;
  }
}

}  // namespace
}  // namespace reader_test
