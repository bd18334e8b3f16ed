// Target names are matched without regard to case when a target is looked
// up, and exactly when a dependent is linked.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace engine {

// `name` with its single-byte letters in lower case; the bytes of
// double-byte characters are left alone.
std::string FoldCase(std::string_view name);

// FoldCase(a) == FoldCase(b), without making either.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// A hash of FoldCase(name), without making it.
size_t HashIgnoringCase(std::string_view name);

// For hash tables keyed by names without regard to case.
struct NameHashIgnoringCase {
  size_t operator()(std::string_view name) const { return HashIgnoringCase(name); }
};
struct NameEqualIgnoringCase {
  bool operator()(std::string_view a, std::string_view b) const { return EqualsIgnoringCase(a, b); }
};

}  // namespace engine
