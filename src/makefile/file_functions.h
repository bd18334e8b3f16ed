// The file-existence functions that makefile conditions can call.
#pragma once

#include "makefile/expression_evaluator.h"

namespace makefile {

// Registers EXIST, EXISTS, Exist, Exists, exist and exists, one argument
// each: 1 when a file or directory matches the path (whose last component
// may hold the wildcards '*' and '?'), else 0. With `nmakePaths` a path
// written with NMAKE's '\' is also looked for with the platform's separator.
void RegisterFileFunctions(ExpressionEvaluator& evaluator, bool nmakePaths);

}  // namespace makefile
