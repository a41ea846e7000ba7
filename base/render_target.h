#pragma once
#include <cstdint>

// What a device draws for: a window's client area of 32-bit pixels. The device takes its
// back-buffer size from it when asked for width and height 0, and Present copies a finished
// frame into it.
class RenderTarget {
 public:
  virtual ~RenderTarget() = default;
  virtual int ClientWidth() const = 0;
  virtual int ClientHeight() const = 0;
  // pixels: width * height values 0x00RRGGBB, row by row from the top-left.
  virtual void PresentFrame(const std::uint32_t* pixels, int width, int height) = 0;
};
