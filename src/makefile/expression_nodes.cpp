#include "makefile/expression_nodes.h"

#include "makefile/eval_status.h"
#include "makefile/expression_value.h"

namespace makefile {
namespace {

// Two's-complement arithmetic: overflow wraps instead of being undefined.
std::int32_t Wrap(std::uint32_t bits) { return static_cast<std::int32_t>(bits); }

}  // namespace

OperandNode::OperandNode(std::string value, bool isOperator) : ExpressionNode(kTokenWord, 0, isOperator) {
  Text() = std::move(value);
}

bool OperandNode::Evaluate(std::span<ExpressionNode* const>) { return true; }

bool UnaryNode::Evaluate(std::span<ExpressionNode* const> operands) {
  std::string& target = operands[0]->Text();
  std::int32_t a = 0;
  if (!ReadNumber(target, a)) {
    errorKind_ = kNodeNotNumber;
    return false;
  }
  const auto bits = static_cast<std::uint32_t>(a);
  switch (TokenCode()) {
    case kTokenMinus: a = Wrap(0u - bits); break;
    case kTokenComplement: a = Wrap(~bits); break;
    case kTokenNot: a = a == 0 ? 1 : 0; break;
    default: break;  // unary '+' keeps the value
  }
  target = NumberText(a);
  return true;
}

bool BinaryNode::Evaluate(std::span<ExpressionNode* const> operands) {
  std::string& left = operands[0]->Text();
  const std::string& right = operands[1]->Text();
  // A text that is not a number reads as 0 where any operand will do.
  std::int32_t a = 0;
  std::int32_t b = 0;
  const bool leftIsNumber = ReadNumber(left, a);
  const bool numbers = ReadNumber(right, b) && leftIsNumber;
  std::int32_t result = 0;
  switch (TokenCode()) {
    case kTokenLogicalOr: result = a != 0 || b != 0; break;
    case kTokenLogicalAnd: result = a != 0 && b != 0; break;
    case kTokenEqual: result = numbers ? a == b : left == right; break;
    case kTokenNotEqual: result = numbers ? a != b : left != right; break;
    default: {
      if (!numbers) {
        errorKind_ = kNodeNotNumber;
        return false;
      }
      const auto x = static_cast<std::uint32_t>(a);
      const auto y = static_cast<std::uint32_t>(b);
      switch (TokenCode()) {
        case kTokenBitOr: result = Wrap(x | y); break;
        case kTokenBitXor: result = Wrap(x ^ y); break;
        case kTokenBitAnd: result = Wrap(x & y); break;
        case kTokenLess: result = a < b; break;
        case kTokenLessEqual: result = a <= b; break;
        case kTokenGreater: result = a > b; break;
        case kTokenGreaterEqual: result = a >= b; break;
        case kTokenShiftLeft: result = Wrap(x << (y & 31)); break;
        case kTokenShiftRight: result = a >> (y & 31); break;  // arithmetic: keeps the sign
        case kTokenPlus: result = Wrap(x + y); break;
        case kTokenMinus: result = Wrap(x - y); break;
        case kTokenMultiply: result = Wrap(x * y); break;
        case kTokenDivide:
        case kTokenRemainder:
          if (b == 0) {
            errorKind_ = kNodeDivideByZero;
            return false;
          }
          // The one quotient that does not fit wraps like every other
          // overflow: -2147483648 / -1 is -2147483648, remainder 0.
          if (b == -1) {
            result = TokenCode() == kTokenDivide ? Wrap(0u - x) : 0;
          } else {
            result = TokenCode() == kTokenDivide ? a / b : a % b;
          }
          break;
        default: return false;
      }
    }
  }
  left = NumberText(result);
  return true;
}

ListNode::ListNode() : ExpressionNode(kTokenComma, 1, true) {}

bool ListNode::Evaluate(std::span<ExpressionNode* const>) { return true; }

FunctionNode::FunctionNode(const FunctionRegistration& registration)
    : ExpressionNode(kTokenFunction, registration.argumentCount, true),
      callback_(registration.callback),
      userData_(registration.userData) {}

bool FunctionNode::Evaluate(std::span<ExpressionNode* const> operands) {
  std::vector<std::string> arguments;
  arguments.reserve(static_cast<std::size_t>(Arity()));
  // The operands are used up: each is read once, and the first then holds
  // the result.
  for (int i = 0; i < Arity(); ++i) arguments.push_back(std::move(operands[static_cast<std::size_t>(i)]->Text()));
  // A callback that throws fails this evaluation (an internal error); the
  // exception goes no further.
  try {
    operands[0]->Text() = NumberText(callback_(arguments, userData_));
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace makefile
