// The preprocessing directives: conditionals, INCLUDE, MESSAGE and ERROR.
#pragma once

#include <string_view>

namespace makefile {

class MakefileReader;

// Conditional states.
inline constexpr int kConditionActive = 0;
inline constexpr int kConditionWaiting = 1;     // a later ELSE part may become active
inline constexpr int kConditionDone = 2;        // no later part becomes active
inline constexpr int kConditionUnknown = 3;     // the condition could not be evaluated
inline constexpr int kDirectiveFailed = -1;

// Handles a directive line without its '!' in the conditional state
// `state` (the state of the innermost open conditional, 0 outside any).
// Gives the new state, or kDirectiveFailed with the error recorded.
int HandleDirective(MakefileReader& reader, std::string_view text, int state);

}  // namespace makefile
