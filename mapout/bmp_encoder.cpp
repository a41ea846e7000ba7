#include "mapout/bmp_encoder.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kHeadersSize = 14 + 40;
constexpr std::int32_t kPixelsPerMetre = 3780;  // 96 dpi

void PutU16(std::string& out, std::uint32_t value) {
  out.push_back(static_cast<char>(value & 0xFF));
  out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void PutU32(std::string& out, std::uint32_t value) {
  PutU16(out, value & 0xFFFF);
  PutU16(out, value >> 16);
}

}  // namespace

std::string EncodeBmp24(const Picture& picture) {
  return EncodeBmp24(picture.pixels.data(), picture.Empty() ? 0 : picture.width,
                     picture.Empty() ? 0 : picture.height);
}

std::string EncodeBmp24(const std::uint32_t* pixels, int pictureWidth, int pictureHeight) {
  const bool empty = pictureWidth <= 0 || pictureHeight <= 0;
  const std::uint32_t width = empty ? 0 : static_cast<std::uint32_t>(pictureWidth);
  const std::uint32_t height = empty ? 0 : static_cast<std::uint32_t>(pictureHeight);
  const std::uint32_t rowBytes = (width * 3 + 3) & ~3U;
  const std::uint32_t imageBytes = rowBytes * height;

  std::string out;
  out += "BM";
  PutU32(out, kHeadersSize + imageBytes);
  PutU32(out, 0);  // two reserved words
  PutU32(out, kHeadersSize);
  PutU32(out, 40);
  PutU32(out, width);
  PutU32(out, height);  // positive: rows bottom-up
  PutU16(out, 1);       // planes
  PutU16(out, 24);      // bits per pixel
  PutU32(out, 0);       // BI_RGB
  PutU32(out, imageBytes);
  PutU32(out, kPixelsPerMetre);
  PutU32(out, kPixelsPerMetre);
  PutU32(out, 0);  // colours used
  PutU32(out, 0);  // important colours

  out.resize(kHeadersSize + imageBytes, '\0');  // the padding stays zero
  char* rowStart = out.data() + kHeadersSize;
  for (std::uint32_t row = height; row-- > 0; rowStart += rowBytes) {
    const std::uint32_t* pixel = pixels + static_cast<std::size_t>(row) * width;
    char* byte = rowStart;
    for (std::uint32_t x = 0; x < width; ++x) {
      *byte++ = static_cast<char>(pixel[x] & 0xFF);
      *byte++ = static_cast<char>((pixel[x] >> 8) & 0xFF);
      *byte++ = static_cast<char>((pixel[x] >> 16) & 0xFF);
    }
  }
  return out;
}
