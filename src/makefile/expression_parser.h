// Turns expression text into its postfix node list.
#pragma once

#include <string_view>

#include "makefile/expression_function.h"
#include "makefile/expression_nodes.h"

namespace makefile {

// Parses `text` by the twelve precedence levels, appending nodes to
// `postfix`. Gives kTokenEnd when the whole text was read, the code of a
// token that no level takes (a left-over token), or an error status above
// kEvalSuccess. Nesting depth is bounded only by memory.
int ParseExpression(std::string_view text, const FunctionRegistry& functions, PostfixList& postfix);

}  // namespace makefile
