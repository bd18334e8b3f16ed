// Cuts a byte stream into lines, each with its line feed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace exec {

class LineSplitter {
 public:
  void Feed(std::string_view bytes);

  // True when at least one complete line is waiting.
  bool HasLine();

  // Appends up to `limit` complete lines, line feeds included, to `lines`.
  void TakeLines(size_t limit, std::vector<std::string>& lines);

  // The text after the last line feed; the splitter is empty afterwards.
  std::string TakeRest();

 private:
  std::string buffer_;
  size_t start_ = 0;    // first byte not yet taken
  size_t scanned_ = 0;  // no line feed at or after start_ and before this
};

}  // namespace exec
