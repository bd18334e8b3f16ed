// A picture written as a PNG file without an image library: RGB, 8 bits per
// channel, the pixel data stored uncompressed inside the zlib stream. Only
// the Win32 windows need it; Qt writes its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

// `rgb` holds height rows of width pixels, three bytes each, top row first.
std::string EncodePng(int width, int height, const std::vector<std::uint8_t>& rgb);

}  // namespace ui
