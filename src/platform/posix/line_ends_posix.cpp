#include "platform/line_ends.h"

namespace platform {

// A line end is a line feed already.
std::string FromTextLineEnds(std::string text) { return text; }

std::string_view TextLineEndFolder::Fold(std::string_view piece) { return piece; }

std::string_view TextLineEndFolder::Finish() { return {}; }

}  // namespace platform
