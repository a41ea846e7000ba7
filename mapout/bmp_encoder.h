#pragma once
// Maps are stored as 24-bit device-independent bitmap files: a BITMAPFILEHEADER, a
// BITMAPINFOHEADER (uncompressed, 96 dpi), then the rows bottom-up, each BGR pixel by
// pixel and padded with zero bytes to a multiple of 4.
#include <cstdint>
#include <string>

#include "base/picture.h"

std::string EncodeBmp24(const Picture& picture);
// The same from pixels 0x00RRGGBB, row by row, without copying them into a Picture first.
std::string EncodeBmp24(const std::uint32_t* pixels, int width, int height);
