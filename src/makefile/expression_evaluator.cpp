#include "makefile/expression_evaluator.h"

#include <array>
#include <memory>
#include <vector>

#include "makefile/expression_nodes.h"
#include "makefile/expression_parser.h"

namespace makefile {
namespace {

int FailureStatus(const ExpressionNode& node) {
  switch (node.ErrorKind()) {
    case kNodeNotNumber: return kEvalNotNumber;
    case kNodeDivideByZero: return kEvalDivideByZero;
    default: return kEvalInternalError;
  }
}

// Runs the postfix list with a value stack. Gives the status and, on
// success, the single value left.
int RunPostfix(const PostfixList& postfix, std::string& value) {
  std::vector<ExpressionNode*> stack;
  // Result holders of calls without arguments; marked as operators, so they
  // cannot become another operator's operand.
  std::vector<std::unique_ptr<ExpressionNode>> holders;
  std::array<ExpressionNode*, kMaxFunctionArguments> operands{};
  for (const auto& node : postfix) {
    if (!node->IsOperator()) {
      stack.push_back(node.get());
      continue;
    }
    const auto arity = static_cast<std::size_t>(node->Arity());
    if (stack.size() < arity) return kEvalTooFewOperands;
    const std::size_t first = stack.size() - arity;
    for (std::size_t i = 0; i < arity; ++i) {
      operands[i] = stack[first + i];
      if (operands[i]->IsOperator()) return kEvalOperatorAsOperand;
    }
    stack.resize(first);
    if (arity == 0) {
      holders.push_back(std::make_unique<OperandNode>("0", true));
      operands[0] = holders.back().get();
    }
    if (!node->Evaluate(std::span<ExpressionNode* const>(operands.data(), arity == 0 ? 1 : arity))) {
      return FailureStatus(*node);
    }
    stack.push_back(operands[0]);
  }
  if (stack.size() != 1) return kEvalNotSingleValue;
  value = stack.front()->Text();
  return kEvalSuccess;
}

}  // namespace

int ExpressionEvaluator::RegisterFunction(ExpressionCallback callback, const std::string& name, int argumentCount,
                                          void* userData) {
  if (callback == nullptr || argumentCount < 0 || argumentCount > kMaxFunctionArguments) return 1;
  functions_[name] = FunctionRegistration{argumentCount, callback, userData};
  return 0;
}

int ExpressionEvaluator::Evaluate(const std::string& text, std::string& result) {
  // The text ends at a NUL byte, as a C string would.
  const std::string_view expression(text.c_str());
  if (expression.empty()) return kEvalEmptyText;
  PostfixList postfix;
  const int parsed = ParseExpression(expression, functions_, postfix);
  if (parsed != kTokenEnd) return parsed;
  if (postfix.empty()) return kEvalNothingToEvaluate;
  return RunPostfix(postfix, result);
}

}  // namespace makefile
