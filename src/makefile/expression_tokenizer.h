// Splits expression text into tokens: operators, words, string literals and
// function names (a word directly followed by '(').
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace makefile {

class ExpressionTokenizer {
 public:
  explicit ExpressionTokenizer(std::string_view text) : text_(text) {}

  // Reads the next token and gives its code (kTokenComma to kTokenEnd), or
  // kEvalUnclosedString, in which case nothing is consumed. Text that starts
  // with punctuation no operator uses ends the expression (kTokenEnd).
  int Next();

  // The word, function name or literal value of the token Next() gave.
  const std::string& Value() const { return value_; }

  // Puts the last token back. Reading it again costs nothing, so a token
  // that travels back through every grammar level stays cheap.
  void PutBack() { position_ = saved_; }

 private:
  int Scan();
  int ScanStringLiteral();
  int ScanSingleByteLiteral();
  int ScanWord();

  std::string_view text_;
  std::size_t position_ = 0;  // start of the text not yet read
  std::size_t saved_ = 0;     // start of the last token
  // The last token scanned: where it started and ended, and its code.
  std::size_t lastStart_ = std::string_view::npos;
  std::size_t lastEnd_ = 0;
  int lastCode_ = 0;
  std::string value_;
};

}  // namespace makefile
