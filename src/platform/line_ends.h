// Line ends of text that other programs wrote.
#pragma once

#include <string>

namespace platform {

// `text` with the platform's text line ends (CR LF on Windows) made into
// single line feeds, as text read in text mode would be. Writing it back
// through WriteStdout or WriteStderr then gives the same bytes again.
std::string FromTextLineEnds(std::string text);

}  // namespace platform
