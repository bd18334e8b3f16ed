// Small helpers shared by the expression evaluator tests.
#pragma once

#include <ostream>
#include <string>

#include "makefile/expression_evaluator.h"

namespace expression_test {

struct Outcome {
  int status = -1;
  std::string value;

  bool operator==(const Outcome&) const = default;
  friend std::ostream& operator<<(std::ostream& out, const Outcome& outcome) {
    return out << "{status " << outcome.status << ", value \"" << outcome.value << "\"}";
  }
};

// What a failed evaluation leaves in the result: the text it found there.
inline const std::string kLeftAlone = "left alone";

inline Outcome Eval(makefile::ExpressionEvaluator& evaluator, const std::string& text) {
  Outcome outcome{-1, kLeftAlone};
  outcome.status = evaluator.Evaluate(text, outcome.value);
  return outcome;
}

// Evaluates with a fresh evaluator that has no functions.
inline Outcome Eval(const std::string& text) {
  makefile::ExpressionEvaluator evaluator;
  return Eval(evaluator, text);
}

inline Outcome Value(const std::string& value) { return Outcome{makefile::kEvalSuccess, value}; }
inline Outcome Failure(int status) { return Outcome{status, kLeftAlone}; }

}  // namespace expression_test
