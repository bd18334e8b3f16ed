#include "platform/line_ends.h"

namespace platform {

// A line end is a line feed already.
std::string FromTextLineEnds(std::string text) { return text; }

}  // namespace platform
