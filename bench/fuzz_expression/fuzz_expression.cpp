// libFuzzer entry: every input must give a defined status, with the
// sanitizers watching for out-of-bounds reads and undefined behaviour.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "makefile/expression_evaluator.h"
#include "makefile/file_functions.h"

namespace {

std::int32_t Length(const std::vector<std::string>& arguments, void*) {
  return arguments.empty() ? 0 : static_cast<std::int32_t>(arguments.front().size());
}

makefile::ExpressionEvaluator MakeEvaluator() {
  makefile::ExpressionEvaluator made;
  makefile::RegisterFileFunctions(made, false);
  made.RegisterFunction(Length, "Z", 0, nullptr);
  made.RegisterFunction(Length, "F", 1, nullptr);
  made.RegisterFunction(Length, "G", 2, nullptr);
  made.RegisterFunction(Length, "H", makefile::kMaxFunctionArguments, nullptr);
  return made;
}

makefile::ExpressionEvaluator& Evaluator() {
  static makefile::ExpressionEvaluator evaluator = MakeEvaluator();
  return evaluator;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::string result;
  const int status = Evaluator().Evaluate(text, result);
  const bool defined = (status >= makefile::kTokenComma && status <= makefile::kTokenEnd) ||
                       (status >= makefile::kEvalSuccess && status <= makefile::kEvalTooFewOperands);
  if (!defined) std::abort();
  // Nothing of one evaluation leaks into the next: a fresh evaluator agrees.
  std::string freshResult;
  if (MakeEvaluator().Evaluate(text, freshResult) != status || freshResult != result) std::abort();
  return 0;
}
