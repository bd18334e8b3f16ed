// Helpers shared by the settings and log tests.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "dist/settings_file.h"
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

inline void ExpectSameValues(const SettingsFile& actual, const SettingsFile& expected) {
  EXPECT_EQ(actual.version, expected.version);
  EXPECT_TRUE(actual.client == expected.client);
  EXPECT_TRUE(actual.server == expected.server);
}

}  // namespace dist::test
