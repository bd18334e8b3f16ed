// The nodes of an expression's postfix list: operands, operators and
// function calls. An operator takes its operands' texts and writes its
// result into the text of its first operand, which then stands for it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "makefile/expression_function.h"

namespace makefile {

// Why an evaluation failed.
enum NodeError : int {
  kNodeNoError = 0,
  kNodeNotNumber = 1,
  kNodeDivideByZero = 2,
};

class ExpressionNode {
 public:
  ExpressionNode(int tokenCode, int arity, bool isOperator) : tokenCode_(tokenCode), arity_(arity), isOperator_(isOperator) {}
  virtual ~ExpressionNode() = default;

  // Computes the value from `operands` (first operand first, Arity() of
  // them, or one fresh node for a call without arguments) into the first
  // operand's text. False on failure, with ErrorKind() telling why.
  virtual bool Evaluate(std::span<ExpressionNode* const> operands) = 0;

  int TokenCode() const { return tokenCode_; }
  int Arity() const { return arity_; }
  // Set for operators, functions and ','; such a node is no operand.
  bool IsOperator() const { return isOperator_; }
  int ErrorKind() const { return errorKind_; }

  // An operand's value; an operator's result once it has been evaluated.
  const std::string& Text() const { return text_; }
  std::string& Text() { return text_; }

 protected:
  int errorKind_ = kNodeNoError;

 private:
  std::string text_;
  int tokenCode_;
  int arity_;
  bool isOperator_;
};

using PostfixList = std::vector<std::unique_ptr<ExpressionNode>>;

// A word or string literal, or the holder of a result.
class OperandNode : public ExpressionNode {
 public:
  // `isOperator` marks the result holder of a call without arguments, which
  // may not become another operator's operand.
  OperandNode(std::string value, bool isOperator);
  bool Evaluate(std::span<ExpressionNode* const> operands) override;
};

// Unary '+', '-', '!' and '~'.
class UnaryNode : public ExpressionNode {
 public:
  explicit UnaryNode(int tokenCode) : ExpressionNode(tokenCode, 1, true) {}
  bool Evaluate(std::span<ExpressionNode* const> operands) override;
};

// Every infix operator except ','.
class BinaryNode : public ExpressionNode {
 public:
  explicit BinaryNode(int tokenCode) : ExpressionNode(tokenCode, 2, true) {}
  bool Evaluate(std::span<ExpressionNode* const> operands) override;
};

// ',' computes nothing: both values stay on the stack as separate
// arguments.
class ListNode : public ExpressionNode {
 public:
  ListNode();
  bool Evaluate(std::span<ExpressionNode* const> operands) override;
};

class FunctionNode : public ExpressionNode {
 public:
  explicit FunctionNode(const FunctionRegistration& registration);
  bool Evaluate(std::span<ExpressionNode* const> operands) override;

 private:
  ExpressionCallback callback_;
  void* userData_;
};

}  // namespace makefile
