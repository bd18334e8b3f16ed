// Prints how evaluation time grows with input length for shapes that could
// turn quadratic: long sums, deep groups, deep unary chains, and a long
// token that every level reads again after a deep group.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "makefile/expression_evaluator.h"

namespace {

std::string Repeat(const std::string& piece, std::size_t count) {
  std::string text;
  for (std::size_t i = 0; i < count; ++i) text += piece;
  return text;
}

struct Shape {
  const char* name;
  std::function<std::string(std::size_t)> make;
};

}  // namespace

int main() {
  const Shape shapes[] = {
      {"sum 1+1+...", [](std::size_t n) { return Repeat("1+", n) + "1"; }},
      {"groups ((...))", [](std::size_t n) { return Repeat("(", n) + "1" + Repeat(")", n); }},
      {"unary ---...", [](std::size_t n) { return Repeat("-", n) + "1"; }},
      {"groups + long word", [](std::size_t n) { return Repeat("(", n) + "1 " + std::string(n, 'w'); }},
      {"string literal", [](std::size_t n) { return "\"" + std::string(n, 's') + "\" == x"; }},
  };
  std::printf("%-22s %10s %12s %14s\n", "shape", "length", "time [ms]", "ns per byte");
  for (const Shape& shape : shapes) {
    for (std::size_t n = 10000; n <= 640000; n *= 4) {
      const std::string text = shape.make(n);
      makefile::ExpressionEvaluator evaluator;
      std::string result;
      const auto start = std::chrono::steady_clock::now();
      evaluator.Evaluate(text, result);
      const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      std::printf("%-22s %10zu %12.2f %14.1f\n", shape.name, text.size(), ms, ms * 1e6 / static_cast<double>(text.size()));
    }
  }
  return 0;
}
