#include "exec/line_splitter.h"

#include <algorithm>
#include <cstring>

namespace exec {
namespace {

// How far the search for the last line feed steps back byte by byte before
// it jumps forward from line feed to line feed instead.
constexpr size_t kStepBackLimit = 256;

const char* Find(const char* from, const char* to) {
  return static_cast<const char*>(std::memchr(from, '\n', static_cast<size_t>(to - from)));
}

}  // namespace

std::string LineSplitter::TakeLines() {
  const char* data = buffer_.data();
  const size_t size = buffer_.size();
  const char* found = Find(data + scanned_, data + size);
  if (!found) {
    scanned_ = size;
    return std::string();
  }
  // Just past the last line feed: short lines end near the end, where a
  // step back finds it; long lines are few to jump over.
  const size_t first = static_cast<size_t>(found - data);
  const size_t floor = std::max(first, size > kStepBackLimit ? size - kStepBackLimit : 0);
  size_t end = size;
  while (end > floor && data[end - 1] != '\n') --end;
  if (end == floor) {
    for (const char* next = found; next; next = Find(next + 1, data + floor)) end = static_cast<size_t>(next - data) + 1;
  }
  // The lines keep the buffer; the rest, the shorter part, moves.
  std::string rest(buffer_, end);
  buffer_.resize(end);
  std::string lines;
  lines.swap(buffer_);
  buffer_ = std::move(rest);
  scanned_ = buffer_.size();
  return lines;
}

std::string LineSplitter::TakeRest() {
  std::string rest;
  rest.swap(buffer_);
  scanned_ = 0;
  return rest;
}

}  // namespace exec
