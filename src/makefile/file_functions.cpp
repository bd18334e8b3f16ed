#include "makefile/file_functions.h"

#include "makefile/nmake_operands.h"
#include "platform/file_search.h"

namespace makefile {
namespace {

std::int32_t FileExists(const std::vector<std::string>& arguments, void*) {
  return platform::AnyFileMatches(arguments.front()) ? 1 : 0;
}

std::int32_t NmakeFileExists(const std::vector<std::string>& arguments, void*) {
  return NmakePathExists(arguments.front()) ? 1 : 0;
}

}  // namespace

void RegisterFileFunctions(ExpressionEvaluator& evaluator, bool nmakePaths) {
  for (const char* name : {"EXIST", "EXISTS", "Exist", "Exists", "exist", "exists"}) {
    evaluator.RegisterFunction(nmakePaths ? NmakeFileExists : FileExists, name, 1, nullptr);
  }
}

}  // namespace makefile
