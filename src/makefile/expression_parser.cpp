#include "makefile/expression_parser.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "makefile/eval_status.h"
#include "makefile/expression_tokenizer.h"

namespace makefile {
namespace {

// Levels 1 to 11 are the infix levels, lowest precedence first; level 12
// holds unary operators, parentheses, operands and function calls.
constexpr int kPrimaryLevel = 12;

// The infix level of each operator token, indexed by token code.
constexpr std::array<int, kTokenRemainder + 1> kInfixLevel = {
    1,           // ,
    2,           // ||
    3,           // &&
    4,           // |
    5,           // ^
    6,           // &
    7, 7,        // == !=
    8, 8, 8, 8,  // <= < >= >
    9, 9,        // >> <<
    10, 10,      // + -
    11, 11, 11,  // * / %
};

bool IsOperatorOfLevel(int token, int level) {
  return token >= 0 && token <= kTokenRemainder && kInfixLevel[static_cast<std::size_t>(token)] == level;
}

bool IsUnaryOperator(int token) {
  return token == kTokenPlus || token == kTokenMinus || token == kTokenNot || token == kTokenComplement;
}

bool IsError(int status) { return status > kEvalSuccess; }

// Recursive descent written as a loop over an explicit stack of frames, so
// that deep nesting ("((((..." or "----...") cannot overflow the machine
// stack. Each frame is one active call of a level; `status_` carries a
// finished call's result to the frame below, as a return value would.
class Parser {
 public:
  Parser(std::string_view text, const FunctionRegistry& functions, PostfixList& postfix)
      : tokens_(text), functions_(functions), postfix_(postfix) {}

  int Run();

 private:
  enum class Step : std::uint8_t {
    kStart,
    kAfterOperand,       // infix: an operand has been parsed
    kAfterRightOperand,  // infix: the right operand of `token` has been parsed
    kAfterUnaryOperand,  // primary: the operand of unary `token` has been parsed
    kAfterGroup,         // primary: the list inside '(' has been parsed
    kAfterArguments,     // primary: a function's argument list has been parsed
  };

  struct Frame {
    std::uint8_t level;
    Step step;
    std::uint8_t token;  // the pending operator
  };

  void Call(int level) { frames_.push_back(Frame{static_cast<std::uint8_t>(level), Step::kStart, 0}); }
  void Return(int status) {
    status_ = status;
    frames_.pop_back();
  }

  void StepInfix();
  void StepPrimary();
  void ReadInfixOperator();
  // The ')' that must close a group or an argument list; false (with the
  // token put back) when something else follows.
  bool ReadCloseParen();

  ExpressionTokenizer tokens_;
  const FunctionRegistry& functions_;
  PostfixList& postfix_;
  std::vector<Frame> frames_;
  std::vector<std::string> functionNames_;  // one per open argument list
  int status_ = kTokenEnd;
};

int Parser::Run() {
  Call(1);
  while (!frames_.empty()) {
    if (frames_.back().level == kPrimaryLevel) {
      StepPrimary();
    } else {
      StepInfix();
    }
  }
  return status_;
}

// Infix level: an operand from the next level, then operators of this level
// each followed by a right operand. An error from the next level ends the
// level at once, dropping the pending operator.
void Parser::StepInfix() {
  Frame& frame = frames_.back();
  if (frame.step == Step::kStart) {
    frame.step = Step::kAfterOperand;
    return Call(frame.level + 1);
  }
  if (IsError(status_)) return Return(status_);
  if (frame.step == Step::kAfterRightOperand) {
    if (frame.token == kTokenComma) {
      postfix_.push_back(std::make_unique<ListNode>());
    } else {
      postfix_.push_back(std::make_unique<BinaryNode>(frame.token));
    }
  }
  ReadInfixOperator();
}

void Parser::ReadInfixOperator() {
  Frame& frame = frames_.back();
  const int token = tokens_.Next();
  if (IsOperatorOfLevel(token, frame.level)) {
    frame.token = static_cast<std::uint8_t>(token);
    frame.step = Step::kAfterRightOperand;
    Call(frame.level + 1);
    return;
  }
  if (token == kTokenEnd) return Return(kTokenEnd);
  // Not ours: the level below decides what the token means.
  tokens_.PutBack();
  Return(token);
}

bool Parser::ReadCloseParen() {
  if (tokens_.Next() == kTokenCloseParen) return true;
  tokens_.PutBack();
  return false;
}

// The statuses of a unary operand, a group and an argument list are not
// examined: an error inside them shows only through the token that follows.
void Parser::StepPrimary() {
  Frame& frame = frames_.back();
  switch (frame.step) {
    case Step::kStart: {
      const int token = tokens_.Next();
      if (IsUnaryOperator(token)) {
        frame.token = static_cast<std::uint8_t>(token);
        frame.step = Step::kAfterUnaryOperand;
        return Call(kPrimaryLevel);
      }
      switch (token) {
        case kTokenOpenParen:
          frame.step = Step::kAfterGroup;
          return Call(1);
        case kTokenFunction:
          functionNames_.push_back(tokens_.Value());
          frame.step = Step::kAfterArguments;
          return Call(1);
        case kTokenWord:
        case kTokenString:
          postfix_.push_back(std::make_unique<OperandNode>(tokens_.Value(), false));
          return Return(kEvalSuccess);
        case kTokenEnd:
        case kEvalUnclosedString:
          return Return(token);
        default:
          tokens_.PutBack();
          return Return(kEvalOperandExpected);
      }
    }
    case Step::kAfterUnaryOperand:
      postfix_.push_back(std::make_unique<UnaryNode>(frame.token));
      return Return(kEvalSuccess);
    case Step::kAfterGroup:
      return Return(ReadCloseParen() ? kEvalSuccess : kEvalMissingCloseParen);
    default: {  // Step::kAfterArguments
      const std::string name = std::move(functionNames_.back());
      functionNames_.pop_back();
      if (!ReadCloseParen()) return Return(kEvalMissingCloseParen);
      const auto found = functions_.find(name);
      if (found == functions_.end()) return Return(kEvalUnknownFunction);
      postfix_.push_back(std::make_unique<FunctionNode>(found->second));
      return Return(kEvalSuccess);
    }
  }
}

}  // namespace

int ParseExpression(std::string_view text, const FunctionRegistry& functions, PostfixList& postfix) {
  return Parser(text, functions, postfix).Run();
}

}  // namespace makefile
