#pragma once
// A small 24-bit picture for the painters' tests, written beside the test's output when a
// test fails so a person can look at it.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "draw/raster_target.h"

struct TestCanvas {
  int width;
  int height;
  std::vector<std::uint8_t> bytes;

  TestCanvas(int w, int h, std::uint8_t grey = 0)
      : width(w), height(h), bytes(static_cast<std::size_t>(w) * h * 3, grey) {}

  RasterTarget Target() { return {bytes.data(), width * 3, width, height, false}; }
  // The same rows stored bottom-up with blue first, as a bitmap file keeps them.
  RasterTarget BottomUpBgr() {
    return {bytes.data() + static_cast<std::ptrdiff_t>(width) * 3 * (height - 1), -width * 3, width, height,
            true};
  }
  const std::uint8_t* At(int x, int y) const { return &bytes[(static_cast<std::size_t>(y) * width + x) * 3]; }
  int Red(int x, int y) const { return At(x, y)[0]; }

  // Keeps the picture as a PPM file when the running test has failed.
  void KeepIfFailed(const std::string& name) const {
    if (!::testing::Test::HasFailure()) return;
    std::ofstream out(::testing::TempDir() + "draw_" + name + ".ppm", std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
};
