// Runs of ordinary bytes searched and copied a machine word at a time: the
// long texts of protocol messages hold a special byte only every few dozen
// bytes, and a byte-by-byte loop (or a search call per special byte) costs
// more than the copy itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace makefile {
namespace byte_runs {

using Word = std::uintptr_t;
inline constexpr Word kOnes = ~Word{0} / 0xFF;
inline constexpr Word kHighBits = kOnes * 0x80;

// Non-zero when some byte of `word` equals `c` (exact for the question
// "any", which is all that is asked).
template <char C>
constexpr Word HasByte(Word word) {
  const Word x = word ^ (kOnes * static_cast<unsigned char>(C));
  return (x - kOnes) & ~x & kHighBits;
}

}  // namespace byte_runs

// Copies the bytes from `from` up to the first that is one of `Specials`
// (or, with `StopAtHigh`, at or above 0x80) to `to`, unless `to` is null.
// Returns where the run ends: that byte, or `end`.
template <bool StopAtHigh, char... Specials>
const char* CopyRun(const char* from, const char* end, char* to) {
  using byte_runs::Word;
  constexpr std::size_t kSize = sizeof(Word);
  while (static_cast<std::size_t>(end - from) >= kSize) {
    Word word;
    std::memcpy(&word, from, kSize);
    if (((StopAtHigh ? word & byte_runs::kHighBits : 0) | ... | byte_runs::HasByte<Specials>(word)) != 0) break;
    if (to != nullptr) {
      std::memcpy(to, from, kSize);
      to += kSize;
    }
    from += kSize;
  }
  for (; from != end && !(StopAtHigh && static_cast<unsigned char>(*from) >= 0x80) && ((*from != Specials) && ...);
       ++from) {
    if (to != nullptr) *to++ = *from;
  }
  return from;
}

}  // namespace makefile
