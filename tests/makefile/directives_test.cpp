// Conditionals, INCLUDE, MESSAGE and ERROR as a makefile uses them.
#include "makefile/directives.h"

#include "reader_test_support.h"
#include "support/text_helpers.h"

namespace reader_test {
namespace {

using testing_support::NativePath;
using testing_support::Repeat;

class Directives : public ReaderTest {};

TEST_F(Directives, ConditionalsIncludeMessageAndError) {
  const std::string deep = Repeat("!IF 1\n", 10000) + "A=deep\n" + Repeat("!ENDIF\n", 10000);
  Write("present.txt", "x");
  Write("open.mak", "!IF 0\nA=skipped\n!ELSE\n");
  Write("close.mak", "!ENDIF\n");
  Write("quoted.mak", "Q = quoted\n");
  Write(NativePath("inc\\defs.mak"), "D = defs\n");
  Write(NativePath("incjoined.mak"), "J = joined\n");
  macros.DefineMacro("INCLUDE", NativePath("inc\\"));
  macros.DefineMacro("WORD", "value");
  ExpectReads({
      {"all:\n!IF 1\nA=1\n!ELSE\nA=2\n!ENDIF\n!IF 0\nB=1\n!ELSE\nB=2\n!ENDIF\n", "A=1|B=2"},
      {"X=2\n!IF $(X) == 1\nA=one\n!ELSE IF $(X) == 2\nA=two\n!ELSEIF $(X) == "
       "2\nA=again\n!ELSE\nA=other\n!ENDIF\nall:\n",
       "A=two"},
      {"all:\n!IF 0\n!IF 1\nA=inner\n!ELSE\nA=else\n!ENDIF\nA=outer\n!ELSE\nB=yes\n!ENDIF\n", "A=<undefined>|B=yes"},
      // A second ELSE flips again; ELSE with extra text is a plain ELSE.
      {"all:\n!IF 1\n!ELSE\nA=first\n!ELSE\nA=second\n!ENDIF\n", "A=second"},
      {"all:\n!IF 0\n!ELSE  IF 0\nA=taken\n!ENDIF\n", "A=taken"},
      // An ELSEIF after an active part, and everything after it, stays inactive.
      {"all:\n!IF 1\n!ELSEIF 1\nA=no\n!ELSE\nA=no\n!ENDIF\n", "A=<undefined>"},
      {"all:\n!IF 0\n!ELSE\n!ELSEIF 1\nB=no\n!ELSE\nB=no\n!ENDIF\n", "B=<undefined>"},
      // Conditionals nested in a waiting or a finished part never open.
      {"all:\n!IF 0\n!IFDEF $(X)\nC=no\n!ELSE\nC=no\n!ENDIF\n!ELSEIF 1\n!IFNDEF $(X)\n!ELSE\nD=no\n!ENDIF\nE=yes\n"
       "!ENDIF\n",
       "C=<undefined>|D=<undefined>|E=yes"},
      // ENDIF gives back the enclosing state.
      {"all:\n!IF 0\n!IF 1\n!ENDIF\nF=no\n!ENDIF\nG=yes\n", "F=<undefined>|G=yes"},
      {"EMPTY=\nall:\n!IFDEF $(EMPTY)\nA=defined\n!ENDIF\n!IFNDEF $(NOPE)\nB=undefined\n!ENDIF\n"
       "!IF 0\n!ELSEIFDEF $(EMPTY)\nC=c\n!ENDIF\n!IF 0\n!ELSE IFNDEF $(EMPTY)\nD=d\n!ENDIF\n",
       "A=defined|B=undefined|C=c|D=<undefined>"},
      // A reference to an undefined name defines it.
      {"all:\nX = $(CFG)\n!IFDEF $(CFG)\nA=now defined\n!ENDIF\n", "A=now defined"},
      {"all:\n!IFDEF $()\n", "error 31 line 2: NAME|text=!IFDEF $()"},
      // Results are read as decimal numbers; a single '=' tests the left side.
      {"all:\n!IF 0x10\nA=hex\n!ENDIF\n!IF 0x10 == 16\nB=equal\n!ENDIF\n!IFFY\nC=fy\n!ENDIF\n",
       "A=<undefined>|B=equal|C=<undefined>"},
      {"X=0\nall:\n!IF $(X) = 0\nA=taken\n!ENDIF\n", "A=<undefined>"},
      {"all:\n!IF EXIST(present.txt)\nA=yes\n!ENDIF\n!IF exists(\"absent.txt\")\nB=yes\n!ENDIF\n",
       "A=yes|B=<undefined>"},
      {"all:\n!IF EXIST(\"*.txt\")\nC=yes\n!ENDIF\n", "C=yes"},
      {"all:\n!IF (1\n", "error 1.44 line 2"},
      {"all:\n!IF 1 2\n", "error 1.41 line 2"},  // a left-over token: a missing operator
      // Conditions and directives in skipped parts are not examined.
      {"all:\n!IF 0\n!IF (((\n!ENDIF\n!ELSEIF 1\nA=1\n!ELSEIF (((\n!ENDIF\n", "A=1"},
      {"all:\n!IF 0\n!BOGUS\n!INCLUDE \"missing.mak\"\n!ERROR stop\n!MESSAGE hidden\n!ENDIF\n", "messages="},
      {"all:\n!ELSE\n", "error 2 line 2"},
      {"all:\n!ELSEIF 1\n", "error 3 line 2"},
      {"all:\n!ELSE IFDEF $(A)\n", "error 4 line 2"},
      {"all:\n!ELSEIFNDEF $(A)\n", "error 4 line 2"},
      {"all:\n!ENDIF\n", "error 5 line 2"},
      {"all:\n!IF 1\nA=1\n", "A=1"},  // open at the end: no error
      {"all:\n!BOGUS thing\n", "error 10 line 2: !BOGUS"},
      {"all:\n!\n", "error 10 line 2: !"},
      {" !IF 1\nall:\n", "error 22 line 1"},  // a blank before the bang: an ordinary line
      {"all:\n" + deep, "A=deep"},
      // INCLUDE, MESSAGE and ERROR.
      // The ENDIF of close.mak closes the includer's IF: its ELSE has no IF.
      {"all:\n!INCLUDE \"open.mak\"\nB=read\n!ENDIF\n!IF 1\n!INCLUDE \"close.mak\"\n!ELSE\n",
       "error 2 line 7|file=Makefile|A=<undefined>|B=read"},
      {"all:\n!INCLUDE \"quoted.mak\" trailing text\n!INCLUDE <defs.mak>\n", "Q=quoted|D=defs"},
      // The INCLUDE macro is put in front without a separator.
      {"INCLUDE=inc\nall:\n!INCLUDE <joined.mak>\n", "J=joined"},
      {"all:\n!INCLUDE\n", "error 6 line 2"},
      {"all:\n!INCLUDE \"open.mak\n", "error 7 line 2"},
      {"all:\n!INCLUDE <open.mak\n", "error 8 line 2"},
      {"all:\n!INCLUDE \"missing.mak\"\n", "error 9 line 2"},
      {"all:\n!INCLUDE \"inc\"\n", "error 9 line 2"},  // a directory
      {"all:\n!INCLUDE \"\"\n", "error 9 line 2"},
      {"all:\n!MESSAGE  text $(WORD) ^$(WORD)\n!MESSAGE\n", "messages=text value value;"},
      {"CFG=arm\nall:\n!ERROR Build $(CFG) is not supported\nA=after\n",
       "error 26 line 3: Build arm is not supported|A=<undefined>"},
  });
}

TEST(DirectiveStates, AStateOutsideTheTableIsAnInternalError) {
  engine::TargetModel targets;
  engine::RuleTable rules;
  makefile::MacroTable macros;
  makefile::MakefileReader reader(&targets, &rules, &macros);
  reader.conditionals().push_back(7);
  EXPECT_EQ(makefile::HandleDirective(reader, "ELSE", 0), makefile::kDirectiveFailed);
  EXPECT_EQ(reader.error().code, 24);
  EXPECT_EQ(reader.conditionals(), std::vector<int>{makefile::kConditionUnknown});
}

}  // namespace
}  // namespace reader_test
