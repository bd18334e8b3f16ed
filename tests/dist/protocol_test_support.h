// A reader of message lines for tests: the makefile evaluator with every
// message name of the table registered, keeping the arguments of the last
// call. `letterTrue` reads texts as a peer that knows only plain form.
#pragma once

#include <string>
#include <vector>

#include "dist/protocol_messages.h"
#include "makefile/expression_evaluator.h"

namespace protocol_test {

class LineReader {
 public:
  LineReader() {
    for (const dist::MessageRow& row : dist::MessageTable()) {
      if (row.kind < dist::kMessageOk || row.kind > dist::kMessageCommandExit) continue;
      const int count = row.kind == dist::kMessageError ? dist::kErrorArguments : row.argumentCount;
      evaluator_.RegisterFunction(Store, row.name, count, this);
    }
  }

  // True when `line` (without CR LF) is one registered call.
  bool Read(const std::string& line) {
    arguments_.clear();
    called_ = false;
    std::string value;
    return evaluator_.Evaluate(line, value) == makefile::kEvalSuccess && called_;
  }
  const std::vector<std::string>& Arguments() const { return arguments_; }

 private:
  static std::int32_t Store(const std::vector<std::string>& arguments, void* self) {
    static_cast<LineReader*>(self)->arguments_ = arguments;
    static_cast<LineReader*>(self)->called_ = true;
    return 0;
  }
  makefile::ExpressionEvaluator evaluator_;
  std::vector<std::string> arguments_;
  bool called_ = false;
};

// Cuts `bytes` into lines the way the transport does: at each CR LF.
inline std::vector<std::string> SplitLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::size_t from = 0;
  for (std::size_t at = bytes.find("\r\n"); at != std::string::npos; at = bytes.find("\r\n", from)) {
    lines.push_back(bytes.substr(from, at - from));
    from = at + 2;
  }
  if (from < bytes.size()) lines.push_back(bytes.substr(from));
  return lines;
}

}  // namespace protocol_test
