#include "distributed/peer_allow_list.h"

#include <cstdint>
#include <optional>

#include "engine/name_compare.h"

namespace distributed {
namespace {

constexpr std::string_view kSeparators = ",; \t";

// Four decimal parts of 0 to 255, nothing else.
std::optional<std::uint32_t> ParseAddress(std::string_view text) {
  std::uint32_t address = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (text.empty() || text.front() != '.') return std::nullopt;
      text.remove_prefix(1);
    }
    size_t digits = 0;
    std::uint32_t value = 0;
    while (digits < text.size() && digits < 4 && text[digits] >= '0' && text[digits] <= '9') {
      value = value * 10 + static_cast<std::uint32_t>(text[digits] - '0');
      ++digits;
    }
    if (digits == 0 || digits > 3 || value > 255) return std::nullopt;
    text.remove_prefix(digits);
    address = (address << 8) | value;
  }
  if (!text.empty()) return std::nullopt;
  return address;
}

std::optional<int> ParsePrefixLength(std::string_view text) {
  if (text.empty() || text.size() > 2) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (value > 32) return std::nullopt;
  return value;
}

// Whether one entry matches; `address` is absent when the peer's address
// text is not an address.
bool EntryMatches(std::string_view entry, std::optional<std::uint32_t> address, std::string_view name) {
  if (const size_t slash = entry.find('/'); slash != std::string_view::npos) {
    const auto network = ParseAddress(entry.substr(0, slash));
    const auto length = ParsePrefixLength(entry.substr(slash + 1));
    if (network && length) {
      const std::uint32_t mask = *length == 0 ? 0 : ~std::uint32_t{0} << (32 - *length);
      return address && (*address & mask) == (*network & mask);
    }
  }
  if (const size_t dash = entry.find('-'); dash != std::string_view::npos) {
    const auto low = ParseAddress(entry.substr(0, dash));
    const auto high = ParseAddress(entry.substr(dash + 1));
    if (low && high) return address && *low <= *address && *address <= *high;
  }
  if (const auto single = ParseAddress(entry)) return address && *single == *address;
  return !name.empty() && engine::EqualsIgnoringCase(entry, name);
}

}  // namespace

bool IsPeerAllowed(std::string_view list, std::string_view dottedAddress, std::string_view name) {
  const std::optional<std::uint32_t> address = ParseAddress(dottedAddress);
  bool anyEntry = false;
  size_t position = 0;
  while (position < list.size()) {
    const size_t start = list.find_first_not_of(kSeparators, position);
    if (start == std::string_view::npos) break;
    size_t end = list.find_first_of(kSeparators, start);
    if (end == std::string_view::npos) end = list.size();
    anyEntry = true;
    if (EntryMatches(list.substr(start, end - start), address, name)) return true;
    position = end;
  }
  return !anyEntry;
}

}  // namespace distributed
