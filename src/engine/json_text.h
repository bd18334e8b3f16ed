// Text for JSON files, which other programs read as UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// `narrow` (the platform's encoding) as a JSON string: in double quotes,
// converted to UTF-8, with quotes, backslashes and control characters
// escaped.
std::string JsonString(std::string_view narrow);

}  // namespace engine
