#include "platform/text.h"

namespace platform {

std::string NarrowFromUtf8(std::string_view utf8) { return std::string(utf8); }

}  // namespace platform
