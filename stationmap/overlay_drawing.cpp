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
constexpr DrawColour kStationColour{255, 110, 110, 255};
// Opaque: a PDF writer turns translucent lines into outlines of their own, thousands of them for a log.
constexpr DrawColour kStationPathColour{215, 90, 90, 255};
constexpr DrawColour kStationLabelColour{255, 205, 205, 255};
constexpr DrawColour kBeamFill{255, 214, 0, 56};
constexpr DrawColour kBeamColour{255, 214, 0, 230};
constexpr DrawColour kRiseColour{255, 170, 60, 235};
constexpr DrawColour kSetColour{175, 150, 255, 235};
constexpr DrawColour kTitleBoxColour{0, 0, 0, 175};
// The title block's first line is this much larger than the rest; lines are this far apart.
constexpr double kTitleScale = 1.5;
constexpr double kTitleLineSpacing = 1.4;
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
  std::uint8_t haloAlpha = kLabelHaloAlpha;
};

}  // namespace

// The size the map's own lines and labels are made for: the picture's up to a screen's map;
// a poster is read from further off, but not in proportion, so beyond that they grow with the
// square root of its size and their cost with the lines' length rather than the picture's area.
double LegibleSize(double size) {
  constexpr double kScreenMapPx = 1200;
  return size <= kScreenMapPx ? size : kScreenMapPx * std::sqrt(size / kScreenMapPx);
}

double LabelPixels(int size) { return std::max(11.0, LegibleSize(size) / 48.0); }

DrawList OverlayDrawList(OverlayPlan plan, TextShaper& text, TitlePlace titlePlace,
                         const QuickMeasure& quick) {
  DrawList list;
  const double unit = std::max(1.0, LegibleSize(plan.size) / 600.0);
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
  // A log's paths under the map's own lines. Thousands of them meet at the centre: thin as the
  // outlines, without a halo that would only darken the map there, and at a cost that grows
  // with their length alone.
  LineBatch paths = FineLines(kStationPathColour, 0.8, fine, 0);
  paths.style.halo = {};
  MoveLines(plan.stationPaths, paths);
  for (LineBatch* batch : {&squares, &fields, &countries, &paths, &grid, &spokes, &rings}) {
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
  if (plan.beam) {
    list.items.push_back(FillBatch{kBeamFill, {LineOf(plan.beam->outline).points}});
    LineBatch edge = Lines(kBeamColour, 1.0, unit);
    edge.lines.push_back(LineOf(plan.beam->outline));
    edge.lines.back().closed = true;
    list.items.push_back(std::move(edge));
  }
  LineBatch rise = Lines(kRiseColour, 1.0, unit), set = Lines(kSetColour, 1.0, unit);
  set.style.dash = {5 * set.style.width, 2.5 * set.style.width};
  set.style.halo.width = 0;  // a dashed halo would dash the lines it crosses
  for (const FanLine& line : plan.fan) (line.rise ? rise : set).lines.push_back(LineOf(line.line));
  for (LineBatch* batch : {&rise, &set}) {
    if (!batch->lines.empty()) list.items.push_back(std::move(*batch));
  }
  if (!plan.stationDots.empty()) {
    // A log's stations crowd: their dots grow as slowly as the outlines.
    DotBatch dots = Dot({}, kStationColour, 2.2, fine);
    dots.style.outlineWidth = 0.6 * fine;
    dots.centres.clear();
    dots.centres.reserve(plan.stationDots.size());
    for (const PixelPoint& p : plan.stationDots) dots.centres.push_back({p.x, p.y});
    list.items.push_back(std::move(dots));
  }
  const bool centreDot = !plan.rings.empty() || !plan.spokes.empty() || plan.target ||
                         !plan.stationDots.empty() || plan.beam || !plan.fan.empty();
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
  const double gap = std::max(2.0, pixels / 6.0);
  LabelLayout layout(text, plan.size, gap, quick);
  if (centreDot) layout.Reserve(plan.centre, 4 * unit);
  if (plan.target) layout.Reserve(plan.target->place, 4.5 * unit);
  const auto place = [&](const LabelKind& kind, const std::vector<const MapLabel*>& labels) {
    LabelBatch batch{kind.style, kind.colour, {kind.style.pixelSize / 5.0, kind.haloAlpha}, {}};
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
  if (titlePlace == TitlePlace::Corner && !plan.title.empty()) {
    // In the lower left corner, over the map, which keeps its geometry; no label goes under it.
    const double margin = std::max(2.0, pixels / 2.0);
    TitleBlock block = MakeTitleBlock(plan.title, small, kLabelColour, {small / 5.0, kLabelHaloAlpha}, text);
    const double left = margin, top = plan.size - margin - block.height - 2 * margin;
    const double right = left + block.width + 2 * margin, bottom = plan.size - margin;
    list.items.push_back(
        FillBatch{kTitleBoxColour, {{{left, top}, {right, top}, {right, bottom}, {left, bottom}}}});
    for (DrawItem& item : block.list.items) {
      if (auto* labels = std::get_if<LabelBatch>(&item)) {
        for (Label& label : labels->labels)
          label.at = {label.at.x + left + margin, label.at.y + top + margin};
      }
      list.items.push_back(std::move(item));
    }
    layout.Reserve({(left + right) / 2, (top + bottom) / 2}, std::max(right - left, bottom - top) / 2);
  }
  if (plan.target) place(targetKind, {&plan.target->label});
  if (plan.beam) place({kBeamColour, own.style, true}, {&plan.beam->label});
  place(own, all(plan.spokeLabels));
  std::vector<const MapLabel*> ringLabels;
  for (const RangeRing& ring : plan.rings) ringLabels.push_back(&ring.label);
  place(ringKind, ringLabels);
  if (!plan.fan.empty()) {
    LabelBatch rise{{small, TextWeight::Bold}, kRiseColour, {small / 5.0, kLabelHaloAlpha}, {}};
    LabelBatch set{{small, TextWeight::Bold}, kSetColour, {small / 5.0, kLabelHaloAlpha}, {}};
    for (const FanLine& line : plan.fan) {
      LabelBatch& batch = line.rise ? rise : set;
      auto placed = layout.Place(line.label.text, line.label.at, batch.text, batch.halo.width, false);
      for (std::size_t k = 0; !placed && k < line.otherLabelPlaces.size(); ++k)
        placed = layout.Place(line.label.text, line.otherLabelPlaces[k], batch.text, batch.halo.width, false);
      if (placed) batch.labels.push_back(std::move(*placed));
    }
    for (LabelBatch* batch : {&rise, &set}) {
      if (!batch->labels.empty()) list.items.push_back(std::move(*batch));
    }
  }
  // Dots are never left out; their labels keep off every dot but their own.
  for (const PixelPoint& dot : plan.stationDots) layout.Reserve(dot, 2.5 * fine);
  // A log's labels are many: as small as the map's smallest, above their dots; one at the
  // edge moves inside rather than be lost, and still touches its dot.
  const int stationPixels = std::max(10, static_cast<int>(std::lround(11 * fine)));
  // Clear of its own dot with the halo and the gap a label keeps, for ink up to 1.2 times the
  // text's size high.
  const double above = 2.5 * fine + stationPixels / 10.0 + gap / 2 + 0.6 * stationPixels + 1;
  for (MapLabel& label : plan.stationLabels) label.at.y -= above;
  // An opaque halo: a PDF writer keeps it a stroke of the text, where a translucent one becomes
  // an outline of its own, which a log's thousands of labels made megabytes of.
  place({kStationLabelColour, {stationPixels, TextWeight::Normal}, true, 255}, all(plan.stationLabels));
  place(prefixKind, all(plan.prefixes));
  place(fieldKind, all(plan.fieldLabels));
  place(squareKind, all(plan.squareLabels));
  return list;
}

double TitleBlockHeight(std::size_t lineCount, double pixels) {
  if (lineCount == 0) return 0;
  return kTitleLineSpacing * pixels * (kTitleScale + static_cast<double>(lineCount - 1));
}

TitleBlock MakeTitleBlock(const std::vector<std::string>& lines, double pixels, DrawColour colour, Halo halo,
                          TextShaper& text) {
  TitleBlock block;
  double y = 0;
  for (std::size_t k = 0; k < lines.size(); ++k) {
    const double size = k == 0 ? pixels * kTitleScale : pixels;
    const TextStyle style{std::max(1, static_cast<int>(std::lround(size))),
                          k == 0 ? TextWeight::Bold : TextWeight::Normal};
    if (!lines[k].empty()) {
      const TextExtent extent = text.Measure(lines[k], style);
      block.width = std::max(block.width, extent.width);
      // Each line's ink stands on its baseline, a line's height below the block's top.
      const double baseline = y + size;
      block.list.items.push_back(
          LabelBatch{style, colour, halo, {{lines[k], {0, baseline + extent.top}, LabelAnchor::TopLeft}}});
    }
    y += kTitleLineSpacing * size;
  }
  block.height = TitleBlockHeight(lines.size(), pixels);
  return block;
}
