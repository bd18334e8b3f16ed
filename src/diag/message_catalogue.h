// The numbered texts every user-facing message comes from.
#pragma once

#include <string>
#include <type_traits>
#include <utility>

#include "diag/message_id.h"

namespace diag {

// The text of `number` in the narrow encoding; empty when there is none.
const std::string& LoadMessage(unsigned number);

// The text as kept in the sources (UTF-8), for tests and tools.
const char* CatalogueTextUtf8(unsigned number);

// printf-style formatting of a trusted format (a catalogue text).
std::string FormatPrintf(const char* format, ...);

namespace detail {
inline const char* PrintfArgument(const std::string& text) { return text.c_str(); }
inline const char* PrintfArgument(const char* text) { return text; }
template <typename Integer, typename = std::enable_if_t<std::is_integral_v<Integer>>>
int PrintfArgument(Integer value) { return static_cast<int>(value); }
}  // namespace detail

// The catalogue text of `number` with its %s and %d placeholders filled in
// order by `arguments` (strings or integers).
template <typename... Arguments>
std::string FormatCatalogMessage(unsigned number, const Arguments&... arguments) {
  return FormatPrintf(LoadMessage(number).c_str(), detail::PrintfArgument(arguments)...);
}

}  // namespace diag
