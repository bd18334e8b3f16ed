#include "exec/line_splitter.h"

#include <cstring>

namespace exec {

void LineSplitter::Feed(std::string_view bytes) {
  // Taken bytes are dropped once they are the larger part, which keeps the
  // copying linear in the bytes fed.
  if (start_ > 0 && start_ >= buffer_.size() / 2) {
    buffer_.erase(0, start_);
    scanned_ -= start_;
    start_ = 0;
  }
  buffer_.append(bytes);
}

bool LineSplitter::HasLine() {
  if (scanned_ < start_) scanned_ = start_;
  const void* found = std::memchr(buffer_.data() + scanned_, '\n', buffer_.size() - scanned_);
  if (!found) {
    scanned_ = buffer_.size();
    return false;
  }
  scanned_ = static_cast<size_t>(static_cast<const char*>(found) - buffer_.data());
  return true;
}

void LineSplitter::TakeLines(size_t limit, std::vector<std::string>& lines) {
  for (size_t taken = 0; taken < limit && HasLine(); ++taken) {
    const size_t end = scanned_ + 1;
    lines.emplace_back(buffer_, start_, end - start_);
    start_ = end;
    scanned_ = end;
  }
}

std::string LineSplitter::TakeRest() {
  std::string rest = buffer_.substr(start_);
  buffer_.clear();
  start_ = 0;
  scanned_ = 0;
  return rest;
}

}  // namespace exec
