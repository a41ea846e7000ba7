#pragma once
// Whether a bitmap file holds all of its picture. Qt reads a bitmap that ends early without
// an error, and the part it never read holds no picture.
#include <cstdint>
#include <cstdlib>

namespace bmp_extent {

inline std::uint32_t LittleEndian(const unsigned char* bytes, int size) {
  std::uint32_t value = 0;
  for (int k = size - 1; k >= 0; --k) value = value << 8 | bytes[k];
  return value;
}

// Walks run-length data (8 or 4 bits a pixel) opcode by opcode, without decoding a pixel,
// until its end-of-bitmap marker or its last row. `next()` gives the data's bytes in turn,
// and a negative number where the file ends. True when the file ends first.
template <class NextByte>
bool RunLengthDataEndsEarly(NextByte& next, int bitsPerPixel, std::uint64_t rows) {
  const auto skip = [&next](std::uint64_t count) {
    for (; count > 0; --count) {
      if (next() < 0) return false;
    }
    return true;
  };
  std::uint64_t row = 0;
  while (row < rows) {
    const int count = next();
    const int code = next();
    if (count < 0 || code < 0) return true;
    if (count > 0 || code == 0) {  // a run of one value, or the end of a row
      row += count == 0 ? 1 : 0;
      continue;
    }
    if (code == 1) return false;  // the end of the bitmap
    if (code == 2) {              // a move right and down
      const int right = next();
      const int down = next();
      if (right < 0 || down < 0) return true;
      row += static_cast<std::uint64_t>(down);
      continue;
    }
    // `code` pixels as they stand, padded to a whole 16-bit word.
    const std::uint64_t bytes = bitsPerPixel == 8 ? code : (code + 1) / 2;
    if (!skip(bytes + (bytes & 1))) return true;
  }
  return false;
}

// `next()` gives the file's bytes from its start, and a negative number where it ends;
// `fileSize` is its size. True when the file ends before the picture its header describes.
// A file that is no Windows bitmap, or that a later header form describes, is not judged.
template <class NextByte>
bool EndsBeforeItsPicture(NextByte&& next, std::uint64_t fileSize) {
  unsigned char header[54];
  for (unsigned char& byte : header) {
    const int value = next();
    if (value < 0) return false;
    byte = static_cast<unsigned char>(value);
  }
  if (header[0] != 'B' || header[1] != 'M' || LittleEndian(header + 14, 4) < 40) return false;
  const std::uint32_t offset = LittleEndian(header + 10, 4);
  const std::uint64_t width =
      static_cast<std::uint64_t>(std::llabs(static_cast<std::int32_t>(LittleEndian(header + 18, 4))));
  const std::uint64_t height =
      static_cast<std::uint64_t>(std::llabs(static_cast<std::int32_t>(LittleEndian(header + 22, 4))));
  const std::uint64_t bits = LittleEndian(header + 28, 2);
  const std::uint32_t compression = LittleEndian(header + 30, 4);
  if (compression == 0 || compression == 3) {
    const std::uint64_t rowBytes = (width * bits + 31) / 32 * 4;
    return fileSize < offset + rowBytes * height;
  }
  const bool runLength8 = compression == 1 && bits == 8;
  const bool runLength4 = compression == 2 && bits == 4;
  if (!runLength8 && !runLength4) return false;
  if (offset > fileSize) return true;
  for (std::uint32_t at = 54; at < offset; ++at) next();
  return RunLengthDataEndsEarly(next, static_cast<int>(bits), height);
}

}  // namespace bmp_extent
