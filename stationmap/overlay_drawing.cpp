#include "stationmap/overlay_drawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr DrawColour kGridColour{190, 215, 255, 170};
constexpr DrawColour kRingColour{255, 214, 0, 255};
constexpr DrawColour kSpokeColour{255, 255, 255, 210};
constexpr DrawColour kPathColour{255, 70, 70, 255};
constexpr DrawColour kLabelColour{255, 255, 255, 255};
constexpr DrawColour kTargetLabelColour{255, 150, 150, 255};
constexpr DrawColour kBlack{0, 0, 0, 255};
constexpr std::uint8_t kLineHaloAlpha = 110;
constexpr std::uint8_t kLabelHaloAlpha = 230;
// How far a ring's chords may stray from the circle, in pixels.
constexpr double kRingChordPx = 0.1;

Polyline LineOf(const std::vector<PixelPoint>& points) {
  Polyline line;
  line.points.reserve(points.size());
  for (const PixelPoint& p : points) line.points.push_back({p.x, p.y});
  return line;
}

Polyline Circle(PixelPoint centre, double radius) {
  const double step = radius > kRingChordPx ? 2 * std::acos(1 - kRingChordPx / radius) : std::numbers::pi / 8;
  const int count = std::clamp(static_cast<int>(std::ceil(2 * std::numbers::pi / step)), 16, 1 << 16);
  Polyline circle;
  circle.closed = true;
  circle.points.reserve(count);
  for (int k = 0; k < count; ++k) {
    const double angle = 2 * std::numbers::pi * k / count;
    circle.points.push_back({centre.x + radius * std::cos(angle), centre.y + radius * std::sin(angle)});
  }
  return circle;
}

// Lines `width` units wide over a halo 1.5 units wider.
LineBatch Lines(DrawColour colour, double width, double unit) {
  LineBatch batch;
  batch.style.colour = colour;
  batch.style.width = width * unit;
  batch.style.halo = {(width + 1.5) * unit, kLineHaloAlpha};
  return batch;
}

DotBatch Dot(PixelPoint at, DrawColour colour, double radius, double unit) {
  return {{colour, radius * unit, kBlack, unit}, {{at.x, at.y}}};
}

class LabelPlacer {
 public:
  LabelPlacer(TextShaper& text, double size) : text_(text), size_(size) {
    style_.pixelSize = static_cast<int>(LabelPixels(static_cast<int>(size)));
    style_.weight = TextWeight::Bold;
  }

  // Labels centred on their places, but whole within the picture.
  LabelBatch Batch(DrawColour colour, const std::vector<const MapLabel*>& labels) {
    LabelBatch batch{style_, colour, {style_.pixelSize / 5.0, kLabelHaloAlpha}, {}};
    const double margin = style_.pixelSize / 4.0;
    for (const MapLabel* label : labels) {
      if (label->text.empty()) continue;
      const TextExtent extent = text_.Measure(label->text, style_);
      const double left =
          std::clamp(label->at.x - extent.width / 2, margin, std::max(margin, size_ - margin - extent.width));
      const double top = std::clamp(label->at.y - extent.height / 2, margin,
                                    std::max(margin, size_ - margin - extent.height));
      batch.labels.push_back({label->text, {left, top}, LabelAnchor::TopLeft});
    }
    return batch;
  }

 private:
  TextShaper& text_;
  double size_;
  TextStyle style_;
};

}  // namespace

double LabelPixels(int size) { return std::max(11.0, size / 48.0); }

DrawList OverlayDrawList(const OverlayPlan& plan, TextShaper& text) {
  DrawList list;
  const double unit = std::max(1.0, plan.size / 600.0);
  LineBatch grid = Lines(kGridColour, 0.8, unit);
  for (const auto& line : plan.grid) grid.lines.push_back(LineOf(line));
  LineBatch spokes = Lines(kSpokeColour, 1.0, unit);
  for (const auto& line : plan.spokes) spokes.lines.push_back(LineOf(line));
  LineBatch rings = Lines(kRingColour, 1.2, unit);
  for (const RangeRing& ring : plan.rings) rings.lines.push_back(Circle(plan.centre, ring.radiusPx));
  for (LineBatch* batch : {&grid, &spokes, &rings}) {
    if (!batch->lines.empty()) list.items.push_back(std::move(*batch));
  }
  if (plan.target) {
    LineBatch longPath = Lines(kPathColour, 1.4, unit);
    longPath.style.dash = {4 * longPath.style.width, 2 * longPath.style.width};
    for (const auto& line : plan.target->longPath) longPath.lines.push_back(LineOf(line));
    list.items.push_back(std::move(longPath));
    LineBatch shortPath = Lines(kPathColour, 2.2, unit);
    shortPath.lines.push_back(LineOf(plan.target->shortPath));
    list.items.push_back(std::move(shortPath));
    list.items.push_back(Dot(plan.target->place, kPathColour, 3.5, unit));
  }
  if (!plan.rings.empty() || !plan.spokes.empty() || plan.target) {
    list.items.push_back(Dot(plan.centre, kLabelColour, 3, unit));
  }

  LabelPlacer placer(text, plan.size);
  std::vector<const MapLabel*> ringLabels, spokeLabels;
  for (const RangeRing& ring : plan.rings) ringLabels.push_back(&ring.label);
  for (const MapLabel& label : plan.spokeLabels) spokeLabels.push_back(&label);
  list.items.push_back(placer.Batch(kRingColour, ringLabels));
  list.items.push_back(placer.Batch(kLabelColour, spokeLabels));
  if (plan.target) list.items.push_back(placer.Batch(kTargetLabelColour, {&plan.target->label}));
  return list;
}
