#include "ui/png_image.h"

#include <gtest/gtest.h>

namespace ui {
namespace {

TEST(PngImage, OneRedPixelIsAValidFile) {
  const std::string png = EncodePng(1, 1, {0xFF, 0x00, 0x00});
  // The bytes a PNG decoder must accept: signature, IHDR, one stored block
  // (filter byte then the pixel) with its Adler-32, the chunks' CRCs.
  const std::string expected(
      "\x89PNG\r\n\x1a\n"
      "\x00\x00\x00\x0dIHDR\x00\x00\x00\x01\x00\x00\x00\x01\x08\x02\x00\x00\x00\x90\x77\x53\xde"
      "\x00\x00\x00\x0fIDAT\x78\x01\x01\x04\x00\xfb\xff\x00\xff\x00\x00\x03\x01\x01\x00\x8d\x1d\xe5\x82"
      "\x00\x00\x00\x00IEND\xae\x42\x60\x82",
      8 + 25 + 27 + 12);
  EXPECT_EQ(png, expected);
}

TEST(PngImage, LargePicturesSpanSeveralStoredBlocks) {
  const int width = 200, height = 200;  // 120,200 bytes of rows
  const std::string png = EncodePng(width, height, std::vector<std::uint8_t>(width * height * 3, 0x80));
  const size_t raw = (width * 3 + 1) * height;
  const size_t blocks = (raw + 65534) / 65535;
  EXPECT_EQ(png.size(), 8 + 25 + (12 + 2 + raw + 5 * blocks + 4) + 12);
}

}  // namespace
}  // namespace ui
