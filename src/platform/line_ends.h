// Line ends of text that other programs wrote.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// `text` with the platform's text line ends (CR LF on Windows) made into
// single line feeds, as text read in text mode would be. Writing it back
// through WriteStdout or WriteStderr then gives the same bytes again.
std::string FromTextLineEnds(std::string text);

// FromTextLineEnds for a text that comes in pieces: a CR that ends one
// piece waits for the next, which may begin with its LF.
class TextLineEndFolder {
 public:
  // The piece folded as far as it can be yet; valid until the next call.
  std::string_view Fold(std::string_view piece);
  // The CR still held at the end of the text, if any.
  std::string_view Finish();

 private:
  std::string folded_;
  bool heldCr_ = false;
};

}  // namespace platform
