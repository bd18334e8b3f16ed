// Cuts a byte stream into pieces of whole lines, each line with its line
// feed, so that nothing downstream meets half a line: not a CR without its
// LF, nor half of a double-byte character (no trail byte is a line feed).
#pragma once

#include <string>

namespace exec {

class LineSplitter {
 public:
  // New bytes are appended here.
  std::string& Buffer() { return buffer_; }

  // Every complete line in the buffer, as one piece (empty when there is
  // none); the bytes after the last line feed stay.
  std::string TakeLines();

  // The text after the last line feed; the splitter is empty afterwards.
  std::string TakeRest();

 private:
  std::string buffer_;
  size_t scanned_ = 0;  // no line feed before this
};

}  // namespace exec
