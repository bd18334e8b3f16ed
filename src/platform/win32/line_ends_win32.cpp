#include "platform/line_ends.h"

namespace platform {

std::string FromTextLineEnds(std::string text) {
  size_t kept = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    text[kept++] = text[i];
  }
  text.resize(kept);
  return text;
}

}  // namespace platform
