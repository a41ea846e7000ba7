#pragma once
// A picture box: an inner area of pixels with a background colour and an optional picture
// shown at its top-left. The window shows one of them; the renderer presents into it and
// the map redraw reads and writes them. Plain C++ so the redraw runs without a window.
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "base/picture.h"
#include "base/render_target.h"

class Surface : public RenderTarget {
 public:
  // background: a colour value &H00BBGGRR.
  Surface(int innerWidth, int innerHeight, std::int32_t background);

  double ScaleWidth() const { return width_; }
  double ScaleHeight() const { return height_; }
  int Width() const { return width_; }
  int Height() const { return height_; }

  // Shows `picture` at the top-left over the background; what lies outside the inner area
  // is not kept. An empty picture leaves the background.
  void SetPicture(Picture picture);
  const std::optional<Picture>& GetPicture() const { return picture_; }
  // What the surface shows now, the size of its inner area.
  Picture Image() const;
  void SetVisible(bool visible) { visible_ = visible; }
  bool Visible() const { return visible_; }
  // Repaints the background and the picture, if one is set.
  void Cls();
  // The colour at (x, y) as &H00BBGGRR, -1 outside the inner area.
  std::int32_t Point(int x, int y) const;
  // Sets one pixel to a colour &H00BBGGRR; positions outside are ignored.
  void PSet(int x, int y, std::int32_t colour);

  // Direct access for code that walks every pixel (0x00RRGGBB, row by row).
  const std::uint32_t* Pixels() const { return EnsurePixels().data(); }
  std::uint32_t* MutablePixels() { return EnsurePixels().data(); }
  // Tells the window that the surface changed; it decides when to repaint.
  void MarkChanged();
  std::uint64_t ChangeCount() const { return changes_; }
  void OnChanged(std::function<void()> listener) { listener_ = std::move(listener); }

  // RenderTarget: the device presents its frames here.
  int ClientWidth() const override { return width_; }
  int ClientHeight() const override { return height_; }
  void PresentFrame(const std::uint32_t* pixels, int width, int height) override;

 private:
  void PaintBackgroundAndPicture();
  // Copies the picture over the pixels, as far as both reach.
  void CopyPicture() const;
  // The pixels, filled with the background and the picture on first use. A surface takes its
  // memory only when something draws on it or reads it, so the snapshot and capture surfaces,
  // and the texture surface until the redraw, cost nothing at start-up.
  std::vector<std::uint32_t>& EnsurePixels() const;

  int width_;
  int height_;
  std::uint32_t backgroundPixel_;
  bool visible_ = false;
  std::optional<Picture> picture_;
  mutable std::vector<std::uint32_t> pixels_;
  std::uint64_t changes_ = 0;
  std::function<void()> listener_;
};
