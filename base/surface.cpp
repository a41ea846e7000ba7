#include "base/surface.h"

#include <algorithm>
#include <cstring>
#include <utility>

Surface::Surface(int innerWidth, int innerHeight, std::int32_t background)
    : width_(std::max(0, innerWidth)),
      height_(std::max(0, innerHeight)),
      backgroundPixel_(PixelFromColour(background)) {}

std::vector<std::uint32_t>& Surface::EnsurePixels() const {
  if (pixels_.empty()) {
    pixels_.assign(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), backgroundPixel_);
    if (picture_) CopyPicture();
  }
  return pixels_;
}

void Surface::CopyPicture() const {
  const int rows = std::min(picture_->height, height_);
  const int columns = std::min(picture_->width, width_);
  for (int y = 0; y < rows; ++y) {
    std::memcpy(&pixels_[static_cast<std::size_t>(y) * width_],
                &picture_->pixels[static_cast<std::size_t>(y) * picture_->width],
                static_cast<std::size_t>(columns) * sizeof(std::uint32_t));
  }
}

void Surface::SetPicture(Picture picture) {
  if (picture.Empty()) {
    picture_.reset();
  } else {
    picture_ = std::move(picture);
  }
  // Pixels not taken yet are painted when first used.
  if (pixels_.empty()) {
    MarkChanged();
    return;
  }
  PaintBackgroundAndPicture();
}

Picture Surface::Image() const { return Picture{width_, height_, EnsurePixels()}; }

void Surface::Cls() { PaintBackgroundAndPicture(); }

std::int32_t Surface::Point(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  return ColourFromPixel(EnsurePixels()[static_cast<std::size_t>(y) * width_ + x]);
}

void Surface::PSet(int x, int y, std::int32_t colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  EnsurePixels()[static_cast<std::size_t>(y) * width_ + x] = PixelFromColour(colour);
}

void Surface::MarkChanged() {
  ++changes_;
  if (listener_) listener_();
}

void Surface::PresentFrame(const std::uint32_t* pixels, int width, int height) {
  const int rows = std::min(height, height_);
  const int columns = std::min(width, width_);
  EnsurePixels();
  for (int y = 0; y < rows; ++y) {
    std::memcpy(&pixels_[static_cast<std::size_t>(y) * width_], pixels + static_cast<std::size_t>(y) * width,
                static_cast<std::size_t>(columns) * sizeof(std::uint32_t));
  }
  MarkChanged();
}

void Surface::PaintBackgroundAndPicture() {
  std::vector<std::uint32_t>& pixels = EnsurePixels();
  std::fill(pixels.begin(), pixels.end(), backgroundPixel_);
  if (picture_) CopyPicture();
  MarkChanged();
}
