#include "draw/raster_painter.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <type_traits>

#include "draw/coverage_band.h"
#include "draw/line_geometry.h"

namespace {

// Below this many pixels of estimated work, starting threads costs more than it saves.
constexpr double kWorkPerThread = 1 << 18;

// Which bands each element of an item reaches, as lists per band.
class BandIndex {
 public:
  // `bandsOf(k, first, last)` sets the first and last band element k reaches and returns
  // whether it reaches any.
  template <class BandsOf>
  void Build(std::size_t count, int bandCount, const BandsOf& bandsOf) {
    starts_.assign(static_cast<std::size_t>(bandCount) + 1, 0);
    for (std::size_t k = 0; k < count; ++k) {
      int first, last;
      if (!bandsOf(k, first, last)) continue;
      for (int band = first; band <= last; ++band) ++starts_[band + 1];
    }
    for (int band = 0; band < bandCount; ++band) starts_[band + 1] += starts_[band];
    members_.resize(starts_.back());
    std::vector<std::uint32_t> next(starts_.begin(), starts_.end() - 1);
    for (std::size_t k = 0; k < count; ++k) {
      int first, last;
      if (!bandsOf(k, first, last)) continue;
      for (int band = first; band <= last; ++band) members_[next[band]++] = static_cast<std::uint32_t>(k);
    }
  }
  const std::uint32_t* begin(int band) const { return members_.data() + starts_[band]; }
  const std::uint32_t* end(int band) const { return members_.data() + starts_[band + 1]; }

 private:
  std::vector<std::uint32_t> starts_;
  std::vector<std::uint32_t> members_;
};

struct Rows {
  int bandCount;
  int height;
  // The bands that rows with centres in [low, high] fall in; false when none.
  bool BandsOf(double low, double high, int& first, int& last) const {
    if (!(high >= 0) || !(low < height)) return false;
    first = std::clamp(static_cast<int>(std::floor(low)), 0, height - 1) / kBandRows;
    last = std::clamp(static_cast<int>(std::floor(high)), 0, height - 1) / kBandRows;
    return true;
  }
};

struct PreparedLines {
  DrawColour colour;
  float halfWidth = 0;
  std::uint8_t haloAlpha = 0;
  float haloHalfWidth = 0;
  std::vector<Segment> segments;
  BandIndex bands;
};

struct PreparedFill {
  DrawColour colour;
  std::vector<Segment> edges;
  BandIndex bands;
};

struct PreparedDots {
  DotStyle style;
  std::vector<DrawPoint> centres;
  BandIndex bands;
};

// The glyphs' outlines: stroked for the halo, filled for the ink.
struct PreparedLabels {
  DrawColour colour;
  std::uint8_t haloAlpha = 0;
  float haloHalfWidth = 0;
  std::vector<Segment> halo;
  BandIndex haloBands;
  std::vector<Segment> edges;
  BandIndex bands;
};

using PreparedItem = std::variant<PreparedLines, PreparedFill, PreparedDots, PreparedLabels>;

double Positive(double value) { return std::isfinite(value) && value > 0 ? value : 0; }

class Preparer {
 public:
  Preparer(int width, int height, TextShaper* text)
      : target_{nullptr, 0, width, height, false},
        rows_{(height + kBandRows - 1) / kBandRows, height},
        text_(text) {}

  double work = 0;

  // A size in pixels that is a number, not negative, and no larger than the picture needs.
  double Bounded(double value) const {
    return std::min(Positive(value), 2.0 * (target_.width + target_.height));
  }

  PreparedItem operator()(const LineBatch& batch) {
    PreparedLines lines;
    lines.colour = batch.style.colour;
    lines.halfWidth = static_cast<float>(Bounded(batch.style.width) / 2);
    if (batch.style.halo.alpha > 0 && Bounded(batch.style.halo.width) > 0) {
      lines.haloAlpha = batch.style.halo.alpha;
      lines.haloHalfWidth = static_cast<float>(Bounded(batch.style.halo.width) / 2);
    }
    const double reach = std::max(lines.halfWidth, lines.haloHalfWidth) + 1.0;
    const ClipBox box{-reach, -reach, target_.width + reach, target_.height + reach};
    for (const Polyline& line : batch.lines) AppendSegments(line, batch.style.dash, box, lines.segments);
    for (const Segment& s : lines.segments)
      work += (std::fabs(s.bx - s.ax) + std::fabs(s.by - s.ay) + 1) * 2 * reach;
    lines.bands.Build(lines.segments.size(), rows_.bandCount, [&](std::size_t k, int& first, int& last) {
      const Segment& s = lines.segments[k];
      return rows_.BandsOf(std::min(s.ay, s.by) - reach, std::max(s.ay, s.by) + reach, first, last);
    });
    return lines;
  }

  PreparedItem operator()(const FillBatch& batch) {
    PreparedFill fill;
    fill.colour = batch.colour;
    const ClipBox box{-2, -2, target_.width + 2.0, target_.height + 2.0};
    for (const auto& ring : batch.rings) AppendRingEdges(ring, box, fill.edges);
    for (const Segment& s : fill.edges) work += std::fabs(s.by - s.ay) * std::fabs(s.bx - s.ax) + 1;
    fill.bands.Build(fill.edges.size(), rows_.bandCount, [&](std::size_t k, int& first, int& last) {
      const Segment& s = fill.edges[k];
      return rows_.BandsOf(std::min(s.ay, s.by) - 1, std::max(s.ay, s.by) + 1, first, last);
    });
    return fill;
  }

  PreparedItem operator()(const DotBatch& batch) {
    PreparedDots dots;
    dots.style = batch.style;
    dots.style.radius = Bounded(batch.style.radius);
    dots.style.outlineWidth = Bounded(batch.style.outlineWidth);
    const double reach = dots.style.radius + dots.style.outlineWidth / 2 + 1;
    for (const DrawPoint& c : batch.centres) {
      if (c.x > -reach && c.x < target_.width + reach && c.y > -reach && c.y < target_.height + reach) {
        dots.centres.push_back(c);
      }
    }
    work += dots.centres.size() * 4 * reach * reach;
    dots.bands.Build(dots.centres.size(), rows_.bandCount, [&](std::size_t k, int& first, int& last) {
      return rows_.BandsOf(dots.centres[k].y - reach, dots.centres[k].y + reach, first, last);
    });
    return dots;
  }

  PreparedItem operator()(const LabelBatch& batch) {
    PreparedLabels labels;
    labels.colour = batch.colour;
    const double haloWidth = batch.halo.alpha > 0 ? Bounded(batch.halo.width) : 0;
    labels.haloAlpha = haloWidth > 0 ? batch.halo.alpha : 0;
    labels.haloHalfWidth = static_cast<float>(haloWidth / 2);
    const double reach = haloWidth / 2 + 1.0;
    const ClipBox box{-reach, -reach, target_.width + reach, target_.height + reach};
    if (text_ != nullptr) {
      for (const Label& label : batch.labels) {
        if (label.text.empty() || !std::isfinite(label.at.x) || !std::isfinite(label.at.y)) continue;
        const InkBox ink = InkBoxOf(label, text_->Measure(label.text, batch.text));
        if (ink.left + ink.width + reach < 0 || ink.left - reach > target_.width ||
            ink.top + ink.height + reach < 0 || ink.top - reach > target_.height) {
          continue;
        }
        for (auto& ring : text_->Outline(label.text, batch.text, {ink.left, ink.top})) {
          AppendRingEdges(ring, box, labels.edges);
          if (labels.haloAlpha > 0) AppendSegments({std::move(ring), true}, {}, box, labels.halo);
        }
        work += (ink.width + 2 * reach) * (ink.height + 2 * reach);
      }
    }
    labels.bands.Build(labels.edges.size(), rows_.bandCount, [&](std::size_t k, int& first, int& last) {
      const Segment& s = labels.edges[k];
      return rows_.BandsOf(std::min(s.ay, s.by) - 1, std::max(s.ay, s.by) + 1, first, last);
    });
    labels.haloBands.Build(labels.halo.size(), rows_.bandCount, [&](std::size_t k, int& first, int& last) {
      const Segment& s = labels.halo[k];
      return rows_.BandsOf(std::min(s.ay, s.by) - reach, std::max(s.ay, s.by) + reach, first, last);
    });
    return labels;
  }

 private:
  const RasterTarget target_;  // its size alone
  Rows rows_;
  TextShaper* text_;
};

// An item's colour and its casing's (a dot's fill and outline), made ready for the picture's
// channel order once.
struct ItemColours {
  BlendColour colour;
  BlendColour casing;
};

ItemColours ColoursOf(const PreparedItem& item, bool bgr) {
  ItemColours colours;
  std::visit(
      [&](const auto& prepared) {
        using Prepared = std::decay_t<decltype(prepared)>;
        if constexpr (std::is_same_v<Prepared, PreparedLines> || std::is_same_v<Prepared, PreparedLabels>) {
          colours.colour = BlendColourOf(prepared.colour, bgr);
          colours.casing = BlendColourOf({0, 0, 0, prepared.haloAlpha}, bgr);
        } else if constexpr (std::is_same_v<Prepared, PreparedFill>) {
          colours.colour = BlendColourOf(prepared.colour, bgr);
        } else if constexpr (std::is_same_v<Prepared, PreparedDots>) {
          colours.colour = BlendColourOf(prepared.style.fill, bgr);
          colours.casing = BlendColourOf(prepared.style.outline, bgr);
        }
      },
      item);
  return colours;
}

class BandPainter {
 public:
  BandPainter(const RasterTarget& target, int band)
      : target_(target),
        top_(band * kBandRows),
        rows_(std::min(kBandRows, target.height - top_)),
        band_(band) {}

  void operator()(const PreparedLines& lines, const ItemColours& colours, CoverageBand& coverage) const {
    if (lines.bands.begin(band_) == lines.bands.end(band_)) return;
    coverage.Start(top_, rows_);
    if (lines.haloAlpha > 0 && lines.halfWidth > 0 && lines.haloHalfWidth >= lines.halfWidth) {
      for (auto k = lines.bands.begin(band_); k != lines.bands.end(band_); ++k) {
        coverage.AddCasedStroke(lines.segments[*k], lines.halfWidth, lines.haloHalfWidth);
      }
      coverage.BlendCasedInto(target_, colours.casing, colours.colour);
      return;
    }
    if (lines.haloAlpha > 0) {
      for (auto k = lines.bands.begin(band_); k != lines.bands.end(band_); ++k) {
        coverage.AddStroke(lines.segments[*k], lines.haloHalfWidth);
      }
      coverage.BlendInto(target_, colours.casing);
    }
    if (lines.halfWidth > 0) {
      for (auto k = lines.bands.begin(band_); k != lines.bands.end(band_); ++k) {
        coverage.AddStroke(lines.segments[*k], lines.halfWidth);
      }
      coverage.BlendInto(target_, colours.colour);
    }
  }

  void operator()(const PreparedFill& fill, const ItemColours& colours, CoverageBand& coverage) const {
    if (fill.bands.begin(band_) == fill.bands.end(band_)) return;
    coverage.Start(top_, rows_);
    for (auto k = fill.bands.begin(band_); k != fill.bands.end(band_); ++k) coverage.AddEdge(fill.edges[*k]);
    coverage.ResolveFill();
    coverage.BlendInto(target_, colours.colour);
  }

  void operator()(const PreparedDots& dots, const ItemColours& colours, CoverageBand&) const {
    for (auto k = dots.bands.begin(band_); k != dots.bands.end(band_); ++k) {
      BlendDot(target_, top_, rows_, dots.centres[*k], dots.style, colours.colour, colours.casing);
    }
  }

  void operator()(const PreparedLabels& labels, const ItemColours& colours, CoverageBand& coverage) const {
    coverage.Start(top_, rows_);
    if (labels.haloBands.begin(band_) != labels.haloBands.end(band_)) {
      for (auto k = labels.haloBands.begin(band_); k != labels.haloBands.end(band_); ++k) {
        coverage.AddStroke(labels.halo[*k], labels.haloHalfWidth);
      }
      coverage.BlendInto(target_, colours.casing);
    }
    if (labels.bands.begin(band_) == labels.bands.end(band_)) return;
    for (auto k = labels.bands.begin(band_); k != labels.bands.end(band_); ++k)
      coverage.AddEdge(labels.edges[*k]);
    coverage.ResolveFill();
    coverage.BlendInto(target_, colours.colour);
  }

 private:
  const RasterTarget& target_;
  int top_;
  int rows_;
  int band_;
};

}  // namespace

InkBox InkBoxOf(const Label& label, const TextExtent& extent) {
  InkBox box{label.at.x, label.at.y, extent.width, extent.height};
  if (label.anchor == LabelAnchor::Centre) {
    box.left -= extent.width / 2;
    box.top -= extent.height / 2;
  }
  return box;
}

struct PreparedDrawing::Items {
  int width = 0;
  int height = 0;
  double work = 0;
  std::vector<PreparedItem> items;
};

PreparedDrawing::PreparedDrawing() = default;
PreparedDrawing::PreparedDrawing(PreparedDrawing&&) noexcept = default;
PreparedDrawing& PreparedDrawing::operator=(PreparedDrawing&&) noexcept = default;
PreparedDrawing::~PreparedDrawing() = default;

bool PreparedDrawing::Empty() const { return items_ == nullptr || items_->items.empty(); }

PreparedDrawing PrepareRaster(const DrawList& list, int width, int height, TextShaper* text) {
  PreparedDrawing drawing;
  if (width <= 0 || height <= 0) return drawing;
  drawing.items_ = std::make_unique<PreparedDrawing::Items>();
  PreparedDrawing::Items& prepared = *drawing.items_;
  prepared.width = width;
  prepared.height = height;
  Preparer preparer(width, height, text);
  prepared.items.reserve(list.items.size());
  for (const DrawItem& item : list.items) prepared.items.push_back(std::visit(preparer, item));
  prepared.work = preparer.work;
  return drawing;
}

void PaintRaster(const DrawList& list, const RasterTarget& target, const RasterPainting& how) {
  if (target.top == nullptr) return;
  PaintPrepared(PrepareRaster(list, target.width, target.height, how.text), target, how.threads);
}

void PaintPrepared(const PreparedDrawing& drawing, const RasterTarget& target, int threadsAsked) {
  if (drawing.items_ == nullptr || target.top == nullptr) return;
  const PreparedDrawing::Items& prepared = *drawing.items_;
  if (target.width != prepared.width || target.height != prepared.height) return;
  const std::vector<PreparedItem>& items = prepared.items;
  const int bandCount = (target.height + kBandRows - 1) / kBandRows;
  int threads = threadsAsked > 0 ? threadsAsked : static_cast<int>(std::thread::hardware_concurrency());
  threads = std::clamp(std::min(threads, static_cast<int>(prepared.work / kWorkPerThread) + 1), 1, bandCount);
  std::vector<ItemColours> colours;
  colours.reserve(items.size());
  for (const PreparedItem& item : items) colours.push_back(ColoursOf(item, target.bgr));
  std::atomic<int> nextBand{0};
  const auto paintBands = [&] {
    CoverageBand coverage(target.width);
    for (int band = nextBand++; band < bandCount; band = nextBand++) {
      const BandPainter painter(target, band);
      for (std::size_t k = 0; k < items.size(); ++k) {
        std::visit([&](const auto& prepared) { painter(prepared, colours[k], coverage); }, items[k]);
      }
    }
  };
  std::vector<std::jthread> helpers;
  try {
    for (int k = 1; k < threads; ++k) helpers.emplace_back(paintBands);
  } catch (const std::system_error&) {
    // No more threads to be had: the bands are shared among those that started.
  }
  paintBands();
}
