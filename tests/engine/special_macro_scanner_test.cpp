#include "engine/special_macro_scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "support/bramle_process.h"

namespace engine {
namespace {

using Kind = SpecialMacroKind;
using Modifier = MacroModifier;

TEST(ScanSpecialMacro, Tokens) {
  // In code page 932 the second byte of this character is '^'.
  const std::string trail = testing_support::Narrow("タ");
  const struct {
    std::string text;
    size_t start;
    size_t length;
    Kind kind;
    Modifier modifier;
  } cases[] = {
      {"cc $@", 3, 2, Kind::Target, Modifier::None},
      {"$*.c", 0, 2, Kind::TargetBase, Modifier::None},
      {"link $** x", 5, 3, Kind::AllDependents, Modifier::None},
      {"$?", 0, 2, Kind::NewerDependents, Modifier::None},
      {"cc $<", 3, 2, Kind::FirstDependent, Modifier::None},
      {"$(@D)", 0, 5, Kind::Target, Modifier::Directory},
      {"x ${*B}", 2, 5, Kind::TargetBase, Modifier::BaseName},
      {"$(**F)", 0, 6, Kind::AllDependents, Modifier::FileName},
      {"$(?R)", 0, 5, Kind::NewerDependents, Modifier::Root},
      {"$(<F}", 0, 5, Kind::FirstDependent, Modifier::FileName},
      // Either closer closes either opener.
      {"$(@D}", 0, 5, Kind::Target, Modifier::Directory},
      {"${@D)", 0, 5, Kind::Target, Modifier::Directory},
      // Modifiers are upper case only; anything else in that place means none.
      {"$(@d)", 0, 5, Kind::Target, Modifier::None},
      {"$(@x)", 0, 5, Kind::Target, Modifier::None},
      // Unclosed: the ')' takes the modifier place and nothing closes after it.
      {"$(@) x", 0, 4, Kind::NotSpecial, Modifier::None},
      {"$(**) x", 0, 5, Kind::NotSpecial, Modifier::None},
      {"$(@", 0, 3, Kind::NotSpecial, Modifier::None},
      {"$(CC) $@", 0, 2, Kind::NotSpecial, Modifier::None},  // an ordinary reference is stepped over
      // Escapes, doubled dollars, and a trail byte that is no escape.
      {"^$@", 0, 0, Kind::EndOfScan, Modifier::None},
      {"^$@ $*", 4, 2, Kind::TargetBase, Modifier::None},
      {"$$@", 0, 3, Kind::Target, Modifier::None},
      {"a $$(@F)", 2, 6, Kind::Target, Modifier::FileName},
      {trail + "$@", trail.size(), 2, Kind::Target, Modifier::None},
      // An unknown character after '$' ends the scan, even with tokens later.
      {"", 0, 0, Kind::EndOfScan, Modifier::None},
      {"$", 0, 0, Kind::EndOfScan, Modifier::None},
      {"no tokens", 0, 0, Kind::EndOfScan, Modifier::None},
      {"echo $x $@", 0, 0, Kind::EndOfScan, Modifier::None},
      {"cost 5$", 0, 0, Kind::EndOfScan, Modifier::None},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const SpecialMacroToken token = ScanSpecialMacro(c.text);
    EXPECT_EQ(token.kind, c.kind);
    if (c.kind == Kind::EndOfScan) continue;
    EXPECT_EQ(token.start, c.start);
    EXPECT_EQ(token.length, c.length);
    EXPECT_EQ(token.modifier, c.modifier);
  }
  // The scan goes on after the stepped-over "$(".
  const SpecialMacroToken next = ScanSpecialMacro("CC) $@");
  EXPECT_EQ(next.kind, Kind::Target);
  EXPECT_EQ(next.start, 4u);
}

}  // namespace
}  // namespace engine
