#pragma once
// Text as a painter needs it: measured before it is placed, so labels can be kept apart, and
// rendered into small coverage masks that agree with the measure.
#include <cstdint>
#include <string_view>
#include <vector>

#include "draw/draw_list.h"

// The ink box of a text: where its glyphs' outlines reach, from the pen's start on the
// baseline (y down, so `top` is negative above the baseline).
struct TextExtent {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// Coverage (0..255) of a text's glyphs and of its halo, `width` x `height`, row by row, the
// first pixel at (`left`, `top`) of the picture.
struct TextMask {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> fill;
  std::vector<std::uint8_t> halo;  // empty without a halo
};

class TextShaper {
 public:
  virtual ~TextShaper() = default;
  virtual TextExtent Measure(std::string_view text, const TextStyle& style) = 0;
  // The text with its ink box's top-left corner at `inkTopLeft` in picture pixels, and its
  // halo stroked `haloWidth` wide along the glyphs' outlines (0: none).
  virtual TextMask Render(std::string_view text, const TextStyle& style, double haloWidth,
                          DrawPoint inkTopLeft) = 0;
};

struct InkBox {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// Where a label's ink lands on the picture, given its measure.
InkBox InkBoxOf(const Label& label, const TextExtent& extent);
