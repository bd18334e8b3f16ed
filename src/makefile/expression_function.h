// Functions that an expression can call, as the caller registers them.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace makefile {

// A registered function. `arguments` holds the argument texts in order; the
// value returned becomes the call's result as decimal text.
using ExpressionCallback = std::int32_t (*)(const std::vector<std::string>& arguments, void* userData);

inline constexpr int kMaxFunctionArguments = 20;

struct FunctionRegistration {
  int argumentCount = 0;
  ExpressionCallback callback = nullptr;
  void* userData = nullptr;
};

// Function names are exact and case-sensitive.
using FunctionRegistry = std::map<std::string, FunctionRegistration, std::less<>>;

}  // namespace makefile
