// Text conversions shared by the tests.
#pragma once

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "platform/path.h"

namespace testing_support {

// Every CR LF folded to LF (children on Windows write text mode).
inline std::string FoldLineEnds(const std::string& text) {
  std::string folded;
  folded.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    folded.push_back(text[i]);
  }
  return folded;
}

// `text` as a text-mode write leaves it on disk: CR LF line ends on Windows.
inline std::string OnDisk(const std::string& text) {
  if (platform::kPathSeparator != '\\') return text;
  std::string converted;
  converted.reserve(text.size());
  for (char c : text) {
    if (c == '\n') converted.push_back('\r');
    converted.push_back(c);
  }
  return converted;
}

// The words of `text`, split at blanks.
inline std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  return {std::istream_iterator<std::string>(in), {}};
}

// `items` with `separator` between them.
inline std::string Join(const std::vector<std::string>& items, const std::string& separator) {
  std::string joined;
  for (size_t i = 0; i < items.size(); ++i) joined += (i ? separator : "") + items[i];
  return joined;
}

// The pieces of `text` between the occurrences of `separator`.
inline std::vector<std::string> Split(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  for (size_t at = 0, end = 0; end != std::string::npos; at = end + separator.size()) {
    end = text.find(separator, at);
    pieces.push_back(text.substr(at, end - at));
  }
  return pieces;
}

// `piece` written `count` times over.
inline std::string Repeat(const std::string& piece, size_t count) {
  std::string text;
  text.reserve(piece.size() * count);
  for (size_t i = 0; i < count; ++i) text += piece;
  return text;
}

}  // namespace testing_support
