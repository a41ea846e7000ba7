#pragma once
// Run-length bitmaps (8 or 4 bits a pixel) made by hand, for the readers' tests.
#include <algorithm>
#include <cstdint>
#include <string>

inline std::string LittleEndianBytes(std::uint32_t value, int bytes) {
  std::string out;
  for (int k = 0; k < bytes; ++k) out += static_cast<char>((value >> (8 * k)) & 0xFF);
  return out;
}

// A grey `width` x `height` bitmap: every row starts with five pixels as they stand, then
// runs of up to 100 pixels of grey level `(row + run) % levels`, ends with its end-of-row
// marker, and the data ends with the end-of-bitmap marker.
inline std::string RunLengthBmp(int bits, int width, int height) {
  const int levels = 1 << bits;
  const auto level = [&](int k) { return static_cast<char>(bits == 8 ? k % levels : (k % levels) * 0x11); };
  std::string data;
  for (int y = 0; y < height; ++y) {
    data += std::string("\0\5", 2);
    const std::string literal = bits == 8 ? std::string(5, level(y)) + '\0' : std::string(3, level(y)) + '\0';
    data += literal;
    for (int x = 5; x < width; x += 100) {
      data += static_cast<char>(std::min(100, width - x));
      data += level(y + x / 100);
    }
    data += std::string("\0\0", 2);
  }
  data += std::string("\0\1", 2);
  const std::uint32_t offset = 54 + 4 * levels;
  std::string file = "BM" + LittleEndianBytes(offset + data.size(), 4) + LittleEndianBytes(0, 4) +
                     LittleEndianBytes(offset, 4) + LittleEndianBytes(40, 4) + LittleEndianBytes(width, 4) +
                     LittleEndianBytes(height, 4) + LittleEndianBytes(1, 2) + LittleEndianBytes(bits, 2) +
                     LittleEndianBytes(bits == 8 ? 1 : 2, 4) + LittleEndianBytes(data.size(), 4) +
                     LittleEndianBytes(2835, 4) + LittleEndianBytes(2835, 4) + LittleEndianBytes(levels, 4) +
                     LittleEndianBytes(0, 4);
  for (int k = 0; k < levels; ++k) {
    const char grey = static_cast<char>(k * 255 / (levels - 1));
    file += std::string(3, grey) + '\0';
  }
  return file + data;
}
