#pragma once
// One layout for all the labels of a station map: each is measured with its own style and
// placed in the order it is offered, the most important first, where its box (its ink with
// its halo, and a gap) touches no box placed before and lies wholly inside the picture; a
// label that cannot is left out. So no two labels ever overlap, whatever their kind.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "draw/draw_list.h"
#include "draw/text_shaper.h"
#include "stationmap/overlay_plan.h"

// A text's ink box estimated quickly, to within kQuickMeasureSlackPx of its measure: labels
// it shows to be left out are never measured. Empty: every label is measured.
using QuickMeasure = std::function<TextExtent(std::string_view text, const TextStyle& style)>;
inline constexpr double kQuickMeasureSlackPx = 1.5;

class LabelLayout {
 public:
  // `gap`: the least room, in pixels, between two labels' halos.
  LabelLayout(TextShaper& text, double pictureSize, double gap, QuickMeasure quick = {});

  // The label with its ink centred on `at`, or nothing when it is left out. With
  // `moveInside`, a label reaching over the picture's edge is moved inside (by no less than
  // a quarter of its text's size) rather than left out.
  std::optional<Label> Place(const std::string& text, PixelPoint at, const TextStyle& style, double haloWidth,
                             bool moveInside);
  // Keeps labels off a mark: the square of `radius` around `at`.
  void Reserve(PixelPoint at, double radius);

 private:
  struct Box {
    double left, top, right, bottom;
  };
  bool Touches(const Box& box) const;
  // The box a label of this extent would keep, and whether it lies inside the picture.
  std::optional<Box> KeptBox(const TextExtent& extent, PixelPoint at, const TextStyle& style,
                             double haloWidth, bool moveInside, double slack) const;
  void Add(const Box& box);
  template <typename Visit>
  void ForEachCell(const Box& box, const Visit& visit) const;

  TextShaper& text_;
  QuickMeasure quick_;
  double size_;
  double gap_;
  double cell_;
  int cells_;
  std::vector<Box> boxes_;
  std::vector<std::vector<int>> grid_;  // per cell, the boxes reaching into it
};
