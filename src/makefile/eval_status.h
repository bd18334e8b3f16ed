// Results of the expression evaluator. Token codes (0 to 26) and evaluation
// statuses (36 to 48) share one range: a parse that stops at a token no
// grammar level takes reports that token's code.
#pragma once

namespace makefile {

enum EvalStatus : int {
  // Token codes, in the order the tokenizer tries the operator texts.
  kTokenComma = 0,
  kTokenLogicalOr = 1,
  kTokenLogicalAnd = 2,
  kTokenBitOr = 3,
  kTokenBitXor = 4,
  kTokenBitAnd = 5,
  kTokenEqual = 6,
  kTokenNotEqual = 7,
  kTokenLessEqual = 8,
  kTokenLess = 9,
  kTokenGreaterEqual = 10,
  kTokenGreater = 11,
  kTokenShiftRight = 12,
  kTokenShiftLeft = 13,
  kTokenPlus = 14,
  kTokenMinus = 15,
  kTokenMultiply = 16,
  kTokenDivide = 17,
  kTokenRemainder = 18,
  kTokenNot = 19,
  kTokenComplement = 20,
  kTokenCloseParen = 21,
  kTokenOpenParen = 22,
  kTokenWord = 23,
  kTokenString = 24,
  kTokenFunction = 25,
  kTokenEnd = 26,

  kEvalSuccess = 36,
  kEvalNotNumber = 37,            // an operator that needs numbers got a text
  kEvalDivideByZero = 38,         // '/' or '%' by zero
  kEvalInternalError = 39,        // an evaluation failed otherwise (a callback threw)
  kEvalOperatorAsOperand = 40,    // an operand position held a call without arguments
  kEvalNotSingleValue = 41,       // the evaluation left no value or several
  kEvalEmptyText = 42,            // the expression text is empty
  kEvalNothingToEvaluate = 43,    // the text held nothing to evaluate
  kEvalMissingCloseParen = 44,    // ')' missing after '(' list or arguments
  kEvalUnknownFunction = 45,      // the function name is not registered
  kEvalOperandExpected = 46,      // an operator, ')' or ',' where an operand belongs
  kEvalUnclosedString = 47,       // a string literal without its closing quote
  kEvalTooFewOperands = 48,       // an operator or function lacks operands
};

// True for the statuses that end an evaluation successfully.
inline bool EvalSucceeded(int status) { return status == kEvalSuccess; }

// The status a report should describe. A parse that stopped at a left-over
// token (a token code) is a complete expression followed by more text with
// no operator between: it is described like kEvalNotSingleValue, whose
// message names a missing operator.
inline int ReportedEvalStatus(int status) { return status <= kTokenEnd ? kEvalNotSingleValue : status; }

}  // namespace makefile
