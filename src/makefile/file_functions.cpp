#include "makefile/file_functions.h"

#include "platform/file_search.h"

namespace makefile {
namespace {

std::int32_t FileExists(const std::vector<std::string>& arguments, void*) {
  return platform::AnyFileMatches(arguments.front()) ? 1 : 0;
}

}  // namespace

void RegisterFileFunctions(ExpressionEvaluator& evaluator) {
  for (const char* name : {"EXIST", "EXISTS", "Exist", "Exists", "exist", "exists"}) {
    evaluator.RegisterFunction(FileExists, name, 1, nullptr);
  }
}

}  // namespace makefile
