// Evaluates one-line expressions in a C-like syntax. Every value is a text;
// a text that reads completely as an integer is a number where an operator
// needs one. The caller registers functions with a fixed argument count.
//
// The makefile language evaluates `!IF` conditions with it; the network
// protocol parses its messages with it, registering the message names as
// functions. Both rely on the exact accept/reject rules, so the grammar is
// kept as it is, oddities included.
#pragma once

#include <string>

#include "makefile/eval_status.h"
#include "makefile/expression_function.h"

namespace makefile {

class ExpressionEvaluator {
 public:
  // Enters or replaces the function `name` (exact, case-sensitive). Gives 0;
  // gives 1 and registers nothing when `argumentCount` is outside 0 to
  // kMaxFunctionArguments or `callback` is null.
  int RegisterFunction(ExpressionCallback callback, const std::string& name, int argumentCount, void* userData);

  // Evaluates `text` and gives an EvalStatus (or the code of a left-over
  // token). On kEvalSuccess `result` holds the value; otherwise it is left
  // as it was. Text after a NUL byte is not read.
  int Evaluate(const std::string& text, std::string& result);

 private:
  FunctionRegistry functions_;
};

}  // namespace makefile
