#pragma once
// Text as a painter needs it: measured before it is placed, so labels can be kept apart, and
// given as the outlines of its glyphs, which agree with the measure.
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

// A text's glyphs as closed outlines in picture pixels, flattened to straight edges: filled
// by the non-zero rule they are its ink, stroked along they are its halo.
using TextOutline = std::vector<std::vector<DrawPoint>>;

class TextShaper {
 public:
  virtual ~TextShaper() = default;
  virtual TextExtent Measure(std::string_view text, const TextStyle& style) = 0;
  // The text's outlines with its ink box's top-left corner at `inkTopLeft` in picture pixels.
  virtual TextOutline Outline(std::string_view text, const TextStyle& style, DrawPoint inkTopLeft) = 0;
};

struct InkBox {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
};

// Where a label's ink lands on the picture, given its measure.
InkBox InkBoxOf(const Label& label, const TextExtent& extent);
