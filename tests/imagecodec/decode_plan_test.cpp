// The scale and rows a picture is decoded at, and a picture far larger than the map needs
// decoded within a small memory.
#include "imagecodec/decode_plan.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <vector>

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

#include "imagecodec/earth_picture_reader.h"
#include "imagecodec/map_encoding.h"
#include "render/scratch_folder.h"

namespace {

// Map pixels per turn round the Earth for a map `size` pixels across `2 * radiusKm`.
double PixelsPerTurn(int size, double radiusKm) { return 40030.0 / (2 * radiusKm / size); }

TEST(DecodePlan, ScalesDownOnlyWhenThePictureHoldsFarMoreThanTheMapShows) {
  const struct {
    const char* name;
    int width, height;
    PictureNeed need;
    int denominator, firstRow, rowCount;
  } rows[] = {
      // The shipped picture is always decoded as stored, however small the map.
      {"shipped, 16 px, whole Earth", 2048, 1024, {0, 0, PixelsPerTurn(16, 20038)}, 1, 0, 1024},
      {"shipped, band", 2048, 1024, {100, 500, PixelsPerTurn(557, 3340)}, 1, 100, 500},
      {"21600, 557 px, whole Earth", 21600, 10800, {0, 0, PixelsPerTurn(557, 20038)}, 8, 0, 1350},
      // Around 3340 px per turn: a half keeps 10800 pixels, two for each map pixel.
      {"21600, 557 px, 3340 km", 21600, 10800, {1001, 4000, PixelsPerTurn(557, 3340)}, 2, 500, 2001},
      {"21600, 4096 px, 3340 km", 21600, 10800, {1000, 4000, PixelsPerTurn(4096, 3340)}, 1, 1000, 4000},
      {"21600, full detail asked", 21600, 10800, {0, 0, 0}, 1, 0, 10800},
      // Sides that an eighth does not divide evenly.
      {"21604 x 10802", 21604, 10802, {0, 0, 10}, 2, 0, 5401},
      {"band past the last row", 21600, 10800, {10000, 5000, PixelsPerTurn(557, 20038)}, 8, 1250, 100},
  };
  for (const auto& row : rows) {
    const DecodePlan plan = PlanDecode(row.width, row.height, row.need, 8);
    EXPECT_EQ(plan.scaleDenominator, row.denominator) << row.name;
    EXPECT_EQ(plan.width, row.width / row.denominator) << row.name;
    EXPECT_EQ(plan.fullHeight, row.height / row.denominator) << row.name;
    EXPECT_EQ(plan.firstRow, row.firstRow) << row.name;
    EXPECT_EQ(plan.rowCount, row.rowCount) << row.name;
  }
  EXPECT_EQ(PlanDecode(21600, 10800, {0, 0, 10}, 1).scaleDenominator, 1) << "a decoder that cannot scale";
  EXPECT_EQ(PlanDecode(86400, 43200, {0, 0, PixelsPerTurn(557, 20038)}, 64).width, 1350)
      << "a PNG of 500 m pixels";
  EXPECT_GT(PlanDecode(65500, 32750, {}, 8).Pixels(), kMaxDecodedPixels);
}

// A JPEG of `width` x `height` written row by row: red rises from left to right, green from
// top to bottom.
void WriteGradientJpeg(const std::string& path, int width, int height) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  jpeg_compress_struct info{};
  jpeg_error_mgr errors{};
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 75, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<JSAMPLE> row(3 * static_cast<std::size_t>(width));
  for (int x = 0; x < width; ++x) {
    row[3 * x] = static_cast<JSAMPLE>(x * 256 / width);
    row[3 * x + 2] = 128;
  }
  while (info.next_scanline < info.image_height) {
    for (int x = 0; x < width; ++x) row[3 * x + 1] = static_cast<JSAMPLE>(info.next_scanline * 256 / height);
    JSAMPROW pointer = row.data();
    jpeg_write_scanlines(&info, &pointer, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::fclose(file);
}

TEST(DecodePlan, A21600PixelPictureForASmallWholeEarthMapNeedsLittleMemory) {
  ScratchFolder folder;
  const std::string path = folder.PathOf("large.jpg");
  WriteGradientJpeg(path, 21600, 10800);
  // In a child, whose peak memory is its own.
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    EarthPictureReader reader;
    DecodedPicture picture;
    if (!reader.Open(path) || !reader.Decode({0, 0, PixelsPerTurn(557, 20038)}, picture)) _exit(2);
    if (picture.width != 2700 || picture.rowCount != 1350) _exit(3);
    // The gradient where it should be: red by column, green by row.
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{1350, 675}, std::pair{2699, 1349}}) {
      const std::uint32_t pixel = picture.pixels[static_cast<std::size_t>(y) * 2700 + x];
      const int red = static_cast<int>(pixel >> 16 & 0xFF), green = static_cast<int>(pixel >> 8 & 0xFF);
      if (std::abs(red - (8 * x + 4) * 256 / 21600) > 3 || std::abs(green - (8 * y + 4) * 256 / 10800) > 3)
        _exit(4);
    }
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory of the decoding child: %ld MB\n", usage.ru_maxrss / 1024);
    std::fflush(stdout);
    _exit(usage.ru_maxrss < 150 * 1024 ? 0 : 5);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "2: refused, 3: wrong size, 4: wrong pixels, 5: too much memory";
}

TEST(DecodePlan, APngFarLargerThanTheMapIsAveragedDownInSquares) {
  const int width = 8192, height = 4096;
  const auto colour = [](int x, int y) { return std::array<int, 3>{x & 0xFF, y & 0xFF, (x * 3 + y) & 0xFF}; };
  std::vector<std::uint8_t> rows(3 * static_cast<std::size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const auto [r, g, b] = colour(x, y);
      std::uint8_t* pixel = &rows[3 * (static_cast<std::size_t>(y) * width + x)];
      pixel[0] = static_cast<std::uint8_t>(r);
      pixel[1] = static_cast<std::uint8_t>(g);
      pixel[2] = static_cast<std::uint8_t>(b);
    }
  }
  ScratchFolder folder;
  std::string png;
  EncodeProblem problem;
  ASSERT_TRUE(EncodePng({rows.data(), 3 * width, width, height, false}, {}, png, problem));
  rows = {};
  EarthPictureReader reader;
  DecodedPicture picture;
  // 400 map pixels a turn: an eighth keeps 1024 pixels a row, two and more for each.
  ASSERT_TRUE(reader.Open(folder.Write("large.png", png)) && reader.Decode({1000, 2400, 400}, picture));
  ASSERT_EQ(picture.scaleDenominator, 8);
  EXPECT_EQ(picture.width, 1024);
  EXPECT_EQ(picture.firstRow, 125);
  ASSERT_EQ(picture.rowCount, 300);
  for (const auto& [x, y] : {std::pair{0, 0}, std::pair{517, 31}, std::pair{1023, 299}}) {
    std::array<int, 3> sum{};
    for (int dy = 0; dy < 8; ++dy) {
      for (int dx = 0; dx < 8; ++dx) {
        const auto c = colour(8 * x + dx, 8 * (125 + y) + dy);
        for (int k = 0; k < 3; ++k) sum[k] += c[k];
      }
    }
    const std::uint32_t expected = 0xFF000000u | static_cast<std::uint32_t>((sum[0] + 32) / 64) << 16 |
                                   static_cast<std::uint32_t>((sum[1] + 32) / 64) << 8 |
                                   static_cast<std::uint32_t>((sum[2] + 32) / 64);
    EXPECT_EQ(picture.pixels[static_cast<std::size_t>(y) * 1024 + x], expected) << x << ", " << y;
  }
}

}  // namespace
