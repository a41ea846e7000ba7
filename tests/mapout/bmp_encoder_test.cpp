#include "mapout/bmp_encoder.h"

#include <gtest/gtest.h>

#include <string>

#include "bmp_reader.h"
#include "mapout_fakes.h"

namespace {

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

// The two headers of a 3 x 2 picture, written out by hand from the BITMAPFILEHEADER and
// BITMAPINFOHEADER layouts: rows of 9 bytes pad to 12, so the pixels take 24 bytes.
TEST(EncodeBmp24, WritesTheHeadersOfAnUncompressed24BitBitmap) {
  const Picture picture{3, 2, std::vector<std::uint32_t>(6, 0)};
  const std::string bmp = EncodeBmp24(picture);
  ASSERT_EQ(bmp.size(), 54u + 24u);
  const std::string expected =
      Bytes({'B',  'M',  78, 0, 0,    0,    0, 0, 0, 0, 54, 0, 0, 0,         // file header
             40,   0,    0,  0, 3,    0,    0, 0, 2, 0, 0,  0, 1, 0, 24, 0,  // size, w, h, planes, bits
             0,    0,    0,  0, 24,   0,    0, 0,                            // BI_RGB, image bytes
             0xC4, 0x0E, 0,  0, 0xC4, 0x0E, 0, 0,                            // 3780 px/m each way
             0,    0,    0,  0, 0,    0,    0, 0});
  EXPECT_EQ(bmp.substr(0, 54), expected);
}

TEST(EncodeBmp24, StoresRowsBottomUpInBlueGreenRedOrderWithPadding) {
  const Picture picture{3,
                        2,
                        {Rgb(1, 2, 3), Rgb(4, 5, 6), Rgb(7, 8, 9),  //
                         Rgb(10, 11, 12), Rgb(13, 14, 15), Rgb(16, 17, 18)}};
  const std::string bmp = EncodeBmp24(picture);
  EXPECT_EQ(bmp.substr(54), Bytes({12, 11, 10, 15, 14, 13, 18, 17, 16, 0, 0, 0,  // bottom row first
                                   3,  2,  1,  6,  5,  4,  9,  8,  7,  0, 0, 0}));
}

TEST(EncodeBmp24, RoundTripsEveryPixelThroughAnIndependentReader) {
  // Widths 1..5 cover every amount of row padding.
  for (int width = 1; width <= 5; ++width) {
    Picture picture{width, 3, {}};
    for (int k = 0; k < width * 3; ++k) picture.pixels.push_back(Rgb(k * 37 % 256, 255 - k, k * 91 % 256));
    const auto decoded = DecodeBmp(EncodeBmp24(picture));
    ASSERT_TRUE(decoded) << width;
    EXPECT_EQ(decoded->width, width);
    EXPECT_EQ(decoded->height, 3);
    EXPECT_EQ(decoded->pixels, picture.pixels) << width;
  }
}

TEST(EncodeBmp24, DropsTheTopByteOfAPixel) {
  const Picture picture{1, 1, {0xFF102030U}};
  const auto decoded = DecodeBmp(EncodeBmp24(picture));
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->pixels[0], 0x102030U);
}

}  // namespace
