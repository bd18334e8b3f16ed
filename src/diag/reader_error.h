// What the makefile reader records about the first error it meets.
#pragma once

#include <string>

namespace diag {

struct ReaderError {
  std::string lineText;  // the current line as read
  std::string argument;  // fills the message's %s when not empty
  std::string fileName;
  int code = 0;     // reader error code; 1 means an evaluator error
  int subCode = 0;  // the evaluator's status when code is 1
  int lineNumber = 0;
};

}  // namespace diag
