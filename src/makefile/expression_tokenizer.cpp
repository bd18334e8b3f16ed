#include "makefile/expression_tokenizer.h"

#include <array>

#include "makefile/eval_status.h"
#include "platform/text.h"

namespace makefile {
namespace {

struct OperatorText {
  std::string_view text;
  int code;
};

// First match wins, so each operator comes before its own prefixes.
constexpr std::array<OperatorText, 23> kOperators = {{
    {",", kTokenComma},       {"||", kTokenLogicalOr},   {"&&", kTokenLogicalAnd},     {"|", kTokenBitOr},
    {"^", kTokenBitXor},      {"&", kTokenBitAnd},       {"==", kTokenEqual},          {"!=", kTokenNotEqual},
    {"<=", kTokenLessEqual},  {"<<", kTokenShiftLeft},   {"<", kTokenLess},            {">=", kTokenGreaterEqual},
    {">>", kTokenShiftRight}, {">", kTokenGreater},      {"+", kTokenPlus},            {"-", kTokenMinus},
    {"*", kTokenMultiply},    {"/", kTokenDivide},       {"%", kTokenRemainder},       {"!", kTokenNot},
    {"~", kTokenComplement},  {")", kTokenCloseParen},   {"(", kTokenOpenParen},
}};

// The C locale's classes, independent of the process locale.
bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

bool IsPunctuation(char c) {
  return (c >= '!' && c <= '/') || (c >= ':' && c <= '@') || (c >= '[' && c <= '`') || (c >= '{' && c <= '~');
}

// A lead byte and its trail byte form one character. Trail bytes start at
// 0x40, so a quote or a blank after a lead byte is never taken with it.
bool StartsDoubleByte(std::string_view text, std::size_t i) {
  return platform::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size() &&
         static_cast<unsigned char>(text[i + 1]) >= 0x40;
}

}  // namespace

int ExpressionTokenizer::Next() {
  while (position_ < text_.size() && IsSpace(text_[position_])) ++position_;
  saved_ = position_;
  if (position_ == text_.size()) return kTokenEnd;
  if (position_ != lastStart_) {
    lastStart_ = position_;
    lastCode_ = Scan();
    lastEnd_ = position_;
  }
  position_ = lastEnd_;
  return lastCode_;
}

int ExpressionTokenizer::Scan() {
  const std::string_view rest = text_.substr(position_);
  for (const OperatorText& op : kOperators) {
    if (rest.starts_with(op.text)) {
      position_ += op.text.size();
      return op.code;
    }
  }
  if (rest.front() == '"') return ScanStringLiteral();
  return ScanWord();
}

// A backslash directly before a double quote stands for the quote; every
// other backslash is kept.
int ExpressionTokenizer::ScanStringLiteral() {
  value_.clear();
  if (!platform::kHasLeadBytes) return ScanSingleByteLiteral();
  std::size_t i = position_ + 1;
  while (i < text_.size()) {
    const char c = text_[i];
    if (StartsDoubleByte(text_, i)) {
      value_.append(text_.substr(i, 2));
      i += 2;
    } else if (c == '\\' && i + 1 < text_.size() && text_[i + 1] == '"') {
      value_.push_back('"');
      i += 2;
    } else if (c == '"') {
      position_ = i + 1;
      return kTokenString;
    } else {
      value_.push_back(c);
      ++i;
    }
  }
  return kEvalUnclosedString;
}

// Where every byte is a character, only the double quotes need a look: the
// text between them is copied whole (protocol messages carry long texts).
int ExpressionTokenizer::ScanSingleByteLiteral() {
  for (std::size_t i = position_ + 1; i < text_.size();) {
    const std::size_t quote = text_.find('"', i);
    if (quote == std::string_view::npos) break;
    if (quote > i && text_[quote - 1] == '\\') {
      value_.append(text_.substr(i, quote - 1 - i));
      value_.push_back('"');
    } else {
      value_.append(text_.substr(i, quote - i));
      position_ = quote + 1;
      return kTokenString;
    }
    i = quote + 1;
  }
  return kEvalUnclosedString;
}

// Letters, digits, '.', tabs, control characters and bytes above 0x7F make a
// word; a blank or any other punctuation ends it.
int ExpressionTokenizer::ScanWord() {
  std::size_t i = position_;
  while (i < text_.size()) {
    if (StartsDoubleByte(text_, i)) {
      i += 2;
      continue;
    }
    const char c = text_[i];
    if (c == ' ' || (IsPunctuation(c) && c != '.')) break;
    ++i;
  }
  if (i == position_) return kTokenEnd;
  value_.assign(text_.substr(position_, i - position_));
  position_ = i;
  if (position_ < text_.size() && text_[position_] == '(') {
    ++position_;
    return kTokenFunction;
  }
  return kTokenWord;
}

}  // namespace makefile
