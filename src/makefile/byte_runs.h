// Runs of ordinary bytes searched and copied a block at a time (sixteen
// bytes where the processor has SSE2, else a machine word): the long texts
// of protocol messages hold a special byte only every few dozen bytes, and
// a byte-by-byte loop (or a search call per special byte) costs more than
// the copy itself.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace makefile {
namespace byte_runs {

using Word = std::uintptr_t;
inline constexpr Word kOnes = ~Word{0} / 0xFF;
inline constexpr Word kHighBits = kOnes * 0x80;
#if defined(__SSE2__)
inline constexpr bool kBlocks = true;  // sixteen-byte blocks
#else
inline constexpr bool kBlocks = false;
#endif

// Flags (0x80) the bytes of `word` equal to `c`: at least one when there
// is one, the lowest flag always true (a borrow may flag a byte above it).
template <char C>
constexpr Word HasByte(Word word) {
  const Word x = word ^ (kOnes * static_cast<unsigned char>(C));
  return (x - kOnes) & ~x & kHighBits;
}

}  // namespace byte_runs

// Copies the bytes from `from` up to the first that is one of `Specials`
// (or, with `StopAtHigh`, at or above 0x80) to `to`, unless `to` is null.
// Returns where the run ends: that byte, or `end`. `to` must have room for
// `end - from` bytes: the block that holds the special byte is copied whole,
// and what lies past the run is for the caller to overwrite.
template <bool StopAtHigh, char... Specials>
const char* CopyRun(const char* from, const char* end, char* to) {
  // One byte value searched (or, without SSE2, also copied): the C
  // library's search is vectorised beyond a block. A run copied as well
  // costs two calls that way, more than the block loop below.
  if constexpr (!StopAtHigh && sizeof...(Specials) == 1) {
    if (to == nullptr || !byte_runs::kBlocks) {
      const void* const found = std::memchr(from, Specials..., static_cast<std::size_t>(end - from));
      const char* const at = found != nullptr ? static_cast<const char*>(found) : end;
      if (to != nullptr) std::memcpy(to, from, static_cast<std::size_t>(at - from));
      return at;
    }
  }
#if defined(__SSE2__)
  // Sixteen bytes at a time, searched for every special byte and copied in
  // the same pass.
  constexpr std::ptrdiff_t kBlock = sizeof(__m128i);
  for (; end - from >= kBlock; from += kBlock) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from));
    if (to != nullptr) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(to), block);
      to += kBlock;
    }
    // The high bit of each byte flags it: as it stands for StopAtHigh, set
    // by an equal compare for the special bytes.
    const __m128i none = StopAtHigh ? block : _mm_setzero_si128();
    const __m128i hits = (none | ... | _mm_cmpeq_epi8(block, _mm_set1_epi8(Specials)));
    const auto mask = static_cast<unsigned>(_mm_movemask_epi8(hits));
    if (mask != 0) return from + std::countr_zero(mask);
  }
#else
  using byte_runs::Word;
  constexpr std::size_t kSize = sizeof(Word);
  while (static_cast<std::size_t>(end - from) >= kSize) {
    Word word;
    std::memcpy(&word, from, kSize);
    if (to != nullptr) std::memcpy(to, from, kSize);
    const Word hits = ((StopAtHigh ? word & byte_runs::kHighBits : 0) | ... | byte_runs::HasByte<Specials>(word));
    if (hits != 0) {
      // The lowest flagged byte is a true hit; the first in memory only
      // where the lowest byte comes first.
      if constexpr (std::endian::native == std::endian::little) return from + std::countr_zero(hits) / 8;
      break;
    }
    if (to != nullptr) to += kSize;
    from += kSize;
  }
#endif
  for (; from != end && !(StopAtHigh && static_cast<unsigned char>(*from) >= 0x80) && ((*from != Specials) && ...);
       ++from) {
    if (to != nullptr) *to++ = *from;
  }
  return from;
}

}  // namespace makefile
