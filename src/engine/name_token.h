// Reading one file name from a list of names.
#pragma once

#include <string>
#include <string_view>

namespace engine {

// Reads the next name from the front of `text` and drops what it consumed.
// Leading white space is skipped. A name in double quotes runs to the
// closing quote (backslash-quote stands for a quote; "" is an empty name);
// any other name runs to the next blank or tab. A quote that is never closed
// starts an ordinary name. An empty result also means the text is used up.
std::string ReadNameToken(std::string_view& text);

}  // namespace engine
