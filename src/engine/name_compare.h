// Target names are matched without regard to case when a target is looked
// up, and exactly when a dependent is linked.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// `name` with its single-byte letters in lower case; the bytes of
// double-byte characters are left alone.
std::string FoldCase(std::string_view name);

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace engine
