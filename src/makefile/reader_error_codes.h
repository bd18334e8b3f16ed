// The reader's error codes. The message of code c is catalogue entry
// 20000 + c; code 1 carries the evaluator's status as its sub-code and shows
// entry 20064 + sub-code.
#pragma once

namespace makefile {

enum ReaderErrorCode : int {
  kErrorExpression = 1,  // sub-code: the evaluator's status
  kErrorElseWithoutIf = 2,
  kErrorElseIfWithoutIf = 3,
  kErrorElseIfdefWithoutIfdef = 4,
  kErrorEndifWithoutIf = 5,
  kErrorIncludeNotQuoted = 6,
  kErrorIncludeNoClosingQuote = 7,
  kErrorIncludeNoClosingBracket = 8,
  kErrorIncludeNotFound = 9,
  kErrorUnknownDirective = 10,
  kErrorSuffixesNoColon = 12,
  kErrorRuleNoColon = 13,
  kErrorRuleWithoutCommands = 14,
  kErrorRuleRefused = 16,
  kErrorSuffixNotListed = 17,
  kErrorEmptyTarget = 18,
  kErrorInlineNotClosed = 19,
  kErrorInlineKeepWord = 20,
  kErrorInlineWithoutCommand = 21,
  kErrorSyntax = 22,
  kErrorCannotOpen = 23,
  kErrorInternal = 24,
  kErrorOutOfMemory = 25,
  kErrorUser = 26,
  kErrorRootCycle = 27,          // kept for the code's number; cycles report 28
  kErrorDependencyCycle = 28,    // argument: the cycle, "a -> b -> a"
  kErrorMacroRefersToItself = 29,  // argument: the macro's name
  kErrorIncludesItself = 30,     // argument: the file's name
  kErrorIfdefNeedsReference = 31,  // argument: the name as written
  kErrorIncludeFileNotFound = 32,  // argument: the path of an NMAKE-style !INCLUDE
  kErrorOperandNotClosed = 33,     // argument: the call or "[command" left open
  kErrorUndefWithoutName = 34,
  kErrorUtf16 = 35,                // argument: the file's name
};

}  // namespace makefile
