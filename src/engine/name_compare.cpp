#include "engine/name_compare.h"

#include <cstdint>

#include "platform/text.h"

namespace engine {
namespace {

// Walks a name byte by byte as FoldCase sees it: a lead byte and the byte
// after it stay as they are, other upper-case letters become lower case.
class FoldedBytes {
 public:
  explicit FoldedBytes(std::string_view name) : name_(name) {}

  unsigned char At(size_t index) {
    const unsigned char c = static_cast<unsigned char>(name_[index]);
    if (trail_) {
      trail_ = false;
      return c;
    }
    if (platform::IsLeadByte(c)) {
      trail_ = true;
      return c;
    }
    return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c - 'A' + 'a') : c;
  }

 private:
  std::string_view name_;
  bool trail_ = false;
};

}  // namespace

std::string FoldCase(std::string_view name) {
  std::string folded(name);
  FoldedBytes bytes(name);
  for (size_t i = 0; i < folded.size(); ++i) folded[i] = static_cast<char>(bytes.At(i));
  return folded;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  FoldedBytes left(a);
  FoldedBytes right(b);
  for (size_t i = 0; i < a.size(); ++i) {
    if (left.At(i) != right.At(i)) return false;
  }
  return true;
}

size_t HashIgnoringCase(std::string_view name) {
  // FNV-1a: cheap for short names, and spreads them well.
  std::uint64_t hash = 14695981039346656037ull;
  FoldedBytes bytes(name);
  for (size_t i = 0; i < name.size(); ++i) {
    hash ^= bytes.At(i);
    hash *= 1099511628211ull;
  }
  return static_cast<size_t>(hash ^ (hash >> 32));
}

}  // namespace engine
