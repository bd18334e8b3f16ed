// Logical lines: comments, continuations, escapes, includes and the
// places that errors report.
#include <random>
#include <set>

#include "platform/text.h"
#include "reader_test_support.h"

namespace reader_test {
namespace {

using testing_support::NativePath;

class ReaderLines : public ReaderTest {};

TEST_F(ReaderLines, LinesAndTheirErrors) {
  // 0x95 0x5C is one character in code page 932: no continuation.
  const std::string trailByte = platform::IsLeadByte(0x95) ? "A=\x95\\|B=1" : "A=\x95 B = 1";
  Write("part.mak", "A = from part \\\n");
  Write("inc.mak", "X = 1\nY = 2\nZ = 3\n");
  Write(NativePath("inc\\deep.mak"), "\n\n!ENDIF # stray\n");
  Write("a.mak", "A = 1\n!INCLUDE \"b.mak\"\n");
  Write("b.mak", "B = 1\n!INCLUDE \"a.mak\"\n");
  Write("count.mak", "N = $(N)x\n");
  const size_t chain = makefile::kMaxIncludeDepth + 10;
  for (size_t i = 0; i < chain; ++i) {
    Write("f" + std::to_string(i) + ".mak", "!INCLUDE \"f" + std::to_string(i + 1) + ".mak\"\n");
  }
  const std::string tooDeep = "f" + std::to_string(makefile::kMaxIncludeDepth - 1) + ".mak";
  macros.DefineMacro("LOOP", "x $(LOOP)");
  ExpectReads({
      // A backslash at the end joins lines with a blank, unless escaped or
      // followed by a blank; "^\" needs a character before the caret.
      {"A = 1 \\\n+ 2\nall:\n", "A=1  + 2"},
      {"P = C:\\dir^\\\nQ = 2\nall:\n", "P=C:\\dir\\|Q=2"},
      {"^\\\nA=1\nall:\n", "^ A=1"},
      {"A = x\\ \nB = y\nall:\n", "A=x\\|B=y"},
      {"A = \x95\\\nB = 1\nall:\n", trailByte},
      {"X = a ^# b # comment\n# whole line\nY = #\nall:\n", "X=a ^# b|Y="},
      // Empty and comment lines inside a continuation are skipped.
      {"A = one \\\n\n# note\nmore\nall:\n", "A=one  more"},
      {"all:\nA = last \\", "A=last"},
      {"!INCLUDE \"part.mak\"\nand includer\nall:\n", "A=from part  and includer"},
      {"A = 1 \\\r\n2\r\nall: x\r\n\tcmd\r\n", "A=1  2|>all=cmd"},
      {"   \n\t\nall:\n", "roots=all"},
      // Macros are expanded when a line is read.
      {"A = x\nA = $(A) y\nB = $(C)\nall: $(A)\n", "A=x y|B=|C=|undefined=C|:all=x y"},
      {"N = \n!INCLUDE \"count.mak\"\n!INCLUDE \"count.mak\"\nall:\n", "N=xx"},
      // Errors name the file and line where they are met.
      {"all:\n!INCLUDE \"inc.mak\"\n\nbroken line\n", "error 22 line 4|file=Makefile|text=broken line"},
      {"all:\n!INCLUDE \"" + NativePath("inc\\deep.mak") + "\"\n", "error 5 line 3|file=deep.mak|text=!ENDIF # stray"},
      {"all:\n!INCLUDE \"Makefile\"\n", "error 30 line 2: Makefile"},
      {"all:\n!INCLUDE \"a.mak\"\n", "error 30 line 2: a.mak|file=b.mak"},
      {"all:\n!INCLUDE \"f0.mak\"\n", "error 23 line 1: " + tooDeep},
      {"all: a\na: all\n", "error 28 line 0: all -> a -> all"},
      {"all:\n\n\techo $(LOOP)\n", "error 29 line 3: LOOP|text=\techo $(LOOP)"},
  });
  failUndefined = true;
  ExpectReads({{"all:\nX = $(NOPE)\n", "error 24 line 2"}});
}

const char* const kPieces[] = {
    "\n", "\r\n", "\n", "\t", " ", "!IF 1", "!IF 0", "!ELSE", "!ENDIF", "!ELSEIF 1", "!ELSE IFDEF $(A)",
    "!IFDEF $(A)", "!IFNDEF X", "!INCLUDE \"inc.mak\"", "!INCLUDE \"Makefile\"", "!INCLUDE <", "!MESSAGE m $(A)",
    "!ERROR e", "!", "$(", ")", "$(A)", "$(B)", "A = ", "B=x$(A)", "^", "\\", "#", ":", ";", "<<", "<<KEEP",
    ".c.obj:", ".SUFFIXES:", ".SUFFIXES: .c", "{", "}", "\"", "all", "x.obj", "$@", "$(@D)", "=", "\x95",
    "\x5c", std::string_view("\0", 1).data(), "..\\", ".\\", "C:\\",
};

std::string RandomMakefile(std::mt19937& random, size_t pieces) {
  std::uniform_int_distribution<size_t> pick(0, std::size(kPieces));
  std::uniform_int_distribution<int> byte(0, 255);
  std::string text;
  for (size_t i = 0; i < pieces; ++i) {
    const size_t choice = pick(random);
    if (choice == std::size(kPieces)) {
      text.push_back(static_cast<char>(byte(random)));
    } else if (kPieces[choice][0] == '\0') {
      text.push_back('\0');
    } else {
      text += kPieces[choice];
    }
  }
  return text;
}

size_t CountLines(const std::string& text) { return std::count(text.begin(), text.end(), '\n') + 1; }

TEST_F(ReaderLines, RandomInputEndsInSuccessOrOneKnownError) {
  const std::set<int> known = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 17, 18, 19, 20, 21, 22, 23, 25, 26, 28, 29, 30, 31, 32, 33, 34, 35};
  std::mt19937 random(20240607);
  std::uniform_int_distribution<size_t> length(1, 200);
  for (int round = 0; round < 400; ++round) {
    const std::string makefile = RandomMakefile(random, length(random));
    const std::string included = RandomMakefile(random, length(random));
    Write("inc.mak", included);
    Write("Makefile", makefile);
    const bool read = Read();
    SCOPED_TRACE(::testing::Message() << "round " << round);
    EXPECT_EQ(read, Error().code == 0);
    if (read) continue;
    EXPECT_TRUE(known.count(Error().code)) << Error().code;
    EXPECT_GE(Error().lineNumber, 0);
    EXPECT_LE(static_cast<size_t>(Error().lineNumber), std::max(CountLines(makefile), CountLines(included)));
  }
}

}  // namespace
}  // namespace reader_test
