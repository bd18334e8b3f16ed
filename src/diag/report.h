// The three ways a failure is framed on standard error.
#pragma once

#include <string>

#include "diag/reader_error.h"

namespace diag {

// Message 22000 around `text`. The caller stops what it was doing.
void FatalError(const std::string& text);
std::string FatalErrorText(const std::string& text);

// Message 22002 around `text`; no line end is added.
void Warning(const std::string& text);
std::string WarningText(const std::string& text);

// A makefile error: 22004 with the error's message, 22005 with the place,
// then 22006.
void ReportSyntaxError(const ReaderError& error);

// The catalogue number that describes a reader error.
unsigned ReaderErrorMessageNumber(const ReaderError& error);

}  // namespace diag
