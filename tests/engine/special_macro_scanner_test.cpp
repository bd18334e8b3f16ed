#include "engine/special_macro_scanner.h"

#include <gtest/gtest.h>

#include <string>

#include "support/bramle_process.h"

namespace engine {
namespace {

struct Expected {
  size_t start;
  size_t length;
  SpecialMacroKind kind;
  MacroModifier modifier;
};

void ExpectToken(const std::string& text, Expected expected) {
  SCOPED_TRACE(text);
  const SpecialMacroToken token = ScanSpecialMacro(text);
  EXPECT_EQ(token.kind, expected.kind);
  if (expected.kind == SpecialMacroKind::EndOfScan) return;
  EXPECT_EQ(token.start, expected.start);
  EXPECT_EQ(token.length, expected.length);
  EXPECT_EQ(token.modifier, expected.modifier);
}

TEST(ScanSpecialMacro, PlainTokens) {
  ExpectToken("cc $@", {3, 2, SpecialMacroKind::Target, MacroModifier::None});
  ExpectToken("$*.c", {0, 2, SpecialMacroKind::TargetBase, MacroModifier::None});
  ExpectToken("link $** x", {5, 3, SpecialMacroKind::AllDependents, MacroModifier::None});
  ExpectToken("$?", {0, 2, SpecialMacroKind::NewerDependents, MacroModifier::None});
  ExpectToken("cc $<", {3, 2, SpecialMacroKind::FirstDependent, MacroModifier::None});
}

TEST(ScanSpecialMacro, BracketedFormsAndModifiers) {
  ExpectToken("$(@D)", {0, 5, SpecialMacroKind::Target, MacroModifier::Directory});
  ExpectToken("x ${*B}", {2, 5, SpecialMacroKind::TargetBase, MacroModifier::BaseName});
  ExpectToken("$(**F)", {0, 6, SpecialMacroKind::AllDependents, MacroModifier::FileName});
  ExpectToken("$(?R)", {0, 5, SpecialMacroKind::NewerDependents, MacroModifier::Root});
  ExpectToken("$(<F}", {0, 5, SpecialMacroKind::FirstDependent, MacroModifier::FileName});
  // Either closer closes either opener.
  ExpectToken("$(@D}", {0, 5, SpecialMacroKind::Target, MacroModifier::Directory});
  ExpectToken("${@D)", {0, 5, SpecialMacroKind::Target, MacroModifier::Directory});
  // Modifiers are upper case only; anything else in that place means none.
  ExpectToken("$(@d)", {0, 5, SpecialMacroKind::Target, MacroModifier::None});
  ExpectToken("$(@x)", {0, 5, SpecialMacroKind::Target, MacroModifier::None});
}

TEST(ScanSpecialMacro, UnclosedBracketIsNotSpecial) {
  // The ')' takes the modifier place and nothing closes after it.
  ExpectToken("$(@) x", {0, 4, SpecialMacroKind::NotSpecial, MacroModifier::None});
  ExpectToken("$(**) x", {0, 5, SpecialMacroKind::NotSpecial, MacroModifier::None});
  ExpectToken("$(@", {0, 3, SpecialMacroKind::NotSpecial, MacroModifier::None});
}

TEST(ScanSpecialMacro, OrdinaryMacroReferenceIsSteppedOver) {
  const std::string text = "$(CC) $@";
  const SpecialMacroToken first = ScanSpecialMacro(text);
  ASSERT_EQ(first.kind, SpecialMacroKind::NotSpecial);
  EXPECT_EQ(first.start, 0u);
  const std::string rest = text.substr(first.start + first.length);
  const SpecialMacroToken second = ScanSpecialMacro(rest);
  EXPECT_EQ(second.kind, SpecialMacroKind::Target);
  EXPECT_EQ(rest.substr(second.start, second.length), "$@");
}

TEST(ScanSpecialMacro, EscapesAndDoubledDollar) {
  ExpectToken("^$@", {0, 0, SpecialMacroKind::EndOfScan, MacroModifier::None});
  ExpectToken("^$@ $*", {4, 2, SpecialMacroKind::TargetBase, MacroModifier::None});
  ExpectToken("$$@", {0, 3, SpecialMacroKind::Target, MacroModifier::None});
  ExpectToken("a $$(@F)", {2, 6, SpecialMacroKind::Target, MacroModifier::FileName});
}

TEST(ScanSpecialMacro, TrailByteIsNotAnEscape) {
  // In code page 932 the second byte of this character is '^'.
  const std::string character = testing_support::Narrow("タ");
  ExpectToken(character + "$@", {character.size(), 2, SpecialMacroKind::Target, MacroModifier::None});
}

TEST(ScanSpecialMacro, EndOfScan) {
  ExpectToken("", {0, 0, SpecialMacroKind::EndOfScan, MacroModifier::None});
  ExpectToken("$", {0, 0, SpecialMacroKind::EndOfScan, MacroModifier::None});
  ExpectToken("no tokens", {0, 0, SpecialMacroKind::EndOfScan, MacroModifier::None});
  // An unknown character after '$' ends the scan, even with tokens later.
  ExpectToken("echo $x $@", {0, 0, SpecialMacroKind::EndOfScan, MacroModifier::None});
  ExpectToken("cost 5$", {0, 0, SpecialMacroKind::EndOfScan, MacroModifier::None});
}

}  // namespace
}  // namespace engine
