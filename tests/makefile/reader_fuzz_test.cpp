// Random makefiles: the reader either reads them or stops with one known
// error code at a real place. Bounded in count and size, fixed seed.
#include <random>
#include <set>

#include "reader_test_support.h"

namespace reader_test {
namespace {

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

class ReaderFuzz : public ReaderTest {};

TEST_F(ReaderFuzz, RandomInputEndsInSuccessOrOneKnownError) {
  const std::set<int> known = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12, 13, 14, 17, 18, 19, 20, 21, 22, 23, 25, 26, 28, 29, 30, 31};
  std::mt19937 random(20240607);
  std::uniform_int_distribution<size_t> length(1, 200);
  for (int round = 0; round < 400; ++round) {
    const std::string makefile = RandomMakefile(random, length(random));
    const std::string included = RandomMakefile(random, length(random));
    Write("inc.mak", included);
    macros = makefile::MacroTable();
    const bool read = Read(makefile);
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
