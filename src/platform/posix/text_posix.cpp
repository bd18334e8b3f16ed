#include "platform/text.h"

namespace platform {

std::string NarrowFromUtf8(std::string_view utf8) { return std::string(utf8); }

// UTF-8 needs no lead-byte test: no byte of a multibyte character is ASCII.
bool IsLeadByte(unsigned char) { return false; }

}  // namespace platform
