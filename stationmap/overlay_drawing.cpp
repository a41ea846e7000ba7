#include "stationmap/overlay_drawing.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "stationmap/label_layout.h"

namespace {

constexpr DrawColour kGridColour{190, 215, 255, 170};
constexpr DrawColour kRingColour{255, 214, 0, 255};
constexpr DrawColour kSpokeColour{255, 255, 255, 210};
constexpr DrawColour kPathColour{255, 70, 70, 255};
constexpr DrawColour kLabelColour{255, 255, 255, 255};
constexpr DrawColour kTargetLabelColour{255, 150, 150, 255};
constexpr DrawColour kCountryColour{255, 244, 214, 255};
constexpr DrawColour kPrefixColour{140, 235, 255, 255};
constexpr DrawColour kFieldColour{150, 250, 150, 220};
constexpr DrawColour kFieldLabelColour{170, 255, 170, 255};
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

// Lines `width` fine units wide over a halo one unit wider, in full black: coasts, borders and
// the Maidenhead grid, thin beside the map's own lines but legible on sea, ice and sand.
LineBatch FineLines(DrawColour colour, double width, double fine, std::uint8_t haloAlpha) {
  LineBatch batch;
  batch.style.colour = colour;
  batch.style.width = width * fine;
  batch.style.halo = {(width + 1) * fine, haloAlpha};
  return batch;
}

// Moves the plan's lines into a batch, each freed once copied, so a poster's outlines are
// never held twice.
void MoveLines(PixelLines& lines, LineBatch& batch) {
  batch.lines.reserve(batch.lines.size() + lines.size());
  for (std::vector<PixelPoint>& line : lines) {
    batch.lines.push_back(LineOf(line));
    std::vector<PixelPoint>().swap(line);
  }
  PixelLines().swap(lines);
}

struct LabelKind {
  DrawColour colour;
  TextStyle style;
  bool moveInside;  // the map's own labels are moved inside; the others stay at their places or are left out
};

}  // namespace

double LabelPixels(int size) { return std::max(11.0, size / 48.0); }

DrawList OverlayDrawList(OverlayPlan plan, TextShaper& text) {
  DrawList list;
  const double unit = std::max(1.0, plan.size / 600.0);
  // Outlines and the Maidenhead grid grow more slowly than the rest: a poster keeps them thin,
  // about the half point of a printed map's borders at 300 dots per inch.
  const double fine = std::max(1.0, std::cbrt(plan.size / 600.0));
  LineBatch squares = FineLines(kFieldColour, 0.5, fine, 90);
  MoveLines(plan.squareEdges, squares);
  LineBatch fields = FineLines(kFieldColour, 0.9, fine, 110);
  MoveLines(plan.fieldEdges, fields);
  LineBatch countries = FineLines(kCountryColour, 0.8, fine, 150);
  MoveLines(plan.countries, countries);
  LineBatch grid = Lines(kGridColour, 0.8, unit);
  for (const auto& line : plan.grid) grid.lines.push_back(LineOf(line));
  LineBatch spokes = Lines(kSpokeColour, 1.0, unit);
  for (const auto& line : plan.spokes) spokes.lines.push_back(LineOf(line));
  LineBatch rings = Lines(kRingColour, 1.2, unit);
  for (const RangeRing& ring : plan.rings) rings.lines.push_back(Circle(plan.centre, ring.radiusPx));
  for (LineBatch* batch : {&squares, &fields, &countries, &grid, &spokes, &rings}) {
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
  const bool centreDot = !plan.rings.empty() || !plan.spokes.empty() || plan.target;
  if (centreDot) list.items.push_back(Dot(plan.centre, kLabelColour, 3, unit));

  // The map's own labels first, then the prefixes of the entities with the most operators,
  // then the fields and their squares: each where it touches none placed before.
  const int pixels = static_cast<int>(LabelPixels(static_cast<int>(plan.size)));
  const int small = std::max(10, static_cast<int>(std::lround(pixels * 0.85)));
  const LabelKind own{kLabelColour, {pixels, TextWeight::Bold}, true};
  const LabelKind ringKind{kRingColour, own.style, true}, targetKind{kTargetLabelColour, own.style, true};
  const LabelKind prefixKind{kPrefixColour, {small, TextWeight::Bold}, false};
  const LabelKind fieldKind{kFieldLabelColour, {pixels, TextWeight::Bold}, false};
  const LabelKind squareKind{kFieldLabelColour, {small, TextWeight::Normal}, false};
  LabelLayout layout(text, plan.size, std::max(2.0, pixels / 6.0));
  if (centreDot) layout.Reserve(plan.centre, 4 * unit);
  if (plan.target) layout.Reserve(plan.target->place, 4.5 * unit);
  const auto place = [&](const LabelKind& kind, const std::vector<const MapLabel*>& labels) {
    LabelBatch batch{kind.style, kind.colour, {kind.style.pixelSize / 5.0, kLabelHaloAlpha}, {}};
    for (const MapLabel* label : labels) {
      if (auto placed = layout.Place(label->text, label->at, kind.style, batch.halo.width, kind.moveInside))
        batch.labels.push_back(std::move(*placed));
    }
    if (!batch.labels.empty()) list.items.push_back(std::move(batch));
  };
  const auto all = [](const std::vector<MapLabel>& labels) {
    std::vector<const MapLabel*> pointers;
    for (const MapLabel& label : labels) pointers.push_back(&label);
    return pointers;
  };
  if (plan.target) place(targetKind, {&plan.target->label});
  place(own, all(plan.spokeLabels));
  std::vector<const MapLabel*> ringLabels;
  for (const RangeRing& ring : plan.rings) ringLabels.push_back(&ring.label);
  place(ringKind, ringLabels);
  place(prefixKind, all(plan.prefixes));
  place(fieldKind, all(plan.fieldLabels));
  place(squareKind, all(plan.squareLabels));
  return list;
}
