// Helpers shared by the settings and log tests.
#pragma once

#include <string>

#include "platform/path.h"

namespace dist::test {

inline constexpr bool kWindows = platform::kPathSeparator == '\\';

// `text` as a text-mode write leaves it on disk: CR LF line ends on Windows.
inline std::string OnDisk(const std::string& text) {
  if (!kWindows) return text;
  std::string disk;
  for (char c : text) {
    if (c == '\n') disk += '\r';
    disk += c;
  }
  return disk;
}

}  // namespace dist::test
