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

std::string_view TextLineEndFolder::Fold(std::string_view piece) {
  folded_.assign(heldCr_ ? "\r" : "");
  folded_.append(piece);
  heldCr_ = !folded_.empty() && folded_.back() == '\r';
  if (heldCr_) folded_.pop_back();
  folded_ = FromTextLineEnds(std::move(folded_));
  return folded_;
}

std::string_view TextLineEndFolder::Finish() {
  const bool held = heldCr_;
  heldCr_ = false;
  return held ? "\r" : "";
}

}  // namespace platform
