#include "makefile/expression_tokenizer.h"

#include <array>

#include "makefile/byte_runs.h"
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

int ExpressionTokenizer::ScanStringLiteral() {
  const std::size_t end = ReadStringLiteral(text_, position_, value_);
  if (end == std::string_view::npos) return kEvalUnclosedString;
  position_ = end;
  return kTokenString;
}

// A backslash directly before a double quote stands for the quote; every
// other backslash is kept. Runs of single-byte characters other than the
// quote are found a word at a time and appended whole.
std::size_t ReadStringLiteral(std::string_view text, std::size_t open, std::string& value) {
  const char* const end = text.data() + text.size();
  const char* from = text.data() + open + 1;
  // Written through a pointer into room for the rest of the text, and cut
  // back to what was written: no append per escaped quote.
  value.resize(static_cast<std::size_t>(end - from));
  char* to = value.data();
  std::size_t closed = std::string_view::npos;
  while (from != end) {
    const char* const at = CopyRun<platform::kHasLeadBytes, '"'>(from, end, to);
    to += at - from;
    if (at == end) break;
    if (*at != '"') {  // a byte above 0x7F, with its trail byte when it leads one
      const std::size_t length = StartsDoubleByte(text, static_cast<std::size_t>(at - text.data())) ? 2 : 1;
      for (std::size_t k = 0; k < length; ++k) *to++ = at[k];
      from = at + length;
    } else if (at > from && at[-1] == '\\') {
      to[-1] = '"';
      from = at + 1;
    } else {
      closed = static_cast<std::size_t>(at + 1 - text.data());
      break;
    }
  }
  value.resize(static_cast<std::size_t>(to - value.data()));
  return closed;
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
