#pragma once
// A reader for uncompressed 24- and 32-bit BMP files written for the tests, so that what
// the encoder writes is checked by code that shares nothing with it.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "base/picture.h"

inline std::uint32_t ReadLe(const std::string& b, std::size_t at, int bytes) {
  std::uint32_t value = 0;
  for (int k = bytes - 1; k >= 0; --k) value = value << 8 | static_cast<std::uint8_t>(b[at + k]);
  return value;
}

inline std::optional<Picture> DecodeBmp(const std::string& b) {
  if (b.size() < 54 || b.compare(0, 2, "BM") != 0) return std::nullopt;
  const std::uint32_t offset = ReadLe(b, 10, 4);
  const auto width = static_cast<std::int32_t>(ReadLe(b, 18, 4));
  const auto rawHeight = static_cast<std::int32_t>(ReadLe(b, 22, 4));
  const auto bits = static_cast<int>(ReadLe(b, 28, 2));
  const std::uint32_t compression = ReadLe(b, 30, 4);
  if (width < 0 || (bits != 24 && bits != 32) || (compression != 0 && compression != 3)) return std::nullopt;
  const int height = std::abs(rawHeight);
  const std::size_t rowBytes = (static_cast<std::size_t>(width) * (bits / 8) + 3) / 4 * 4;
  if (offset + rowBytes * height > b.size()) return std::nullopt;
  Picture picture{width, height, std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height)};
  for (int y = 0; y < height; ++y) {
    const std::size_t row = offset + rowBytes * static_cast<std::size_t>(rawHeight > 0 ? height - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const std::size_t p = row + static_cast<std::size_t>(x) * (bits / 8);
      picture.pixels[static_cast<std::size_t>(y) * width + x] =
          static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[p + 2])) << 16 |
          static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[p + 1])) << 8 |
          static_cast<std::uint8_t>(b[p]);
    }
  }
  return picture;
}

inline std::optional<Picture> ReadBmpFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return DecodeBmp(std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}
