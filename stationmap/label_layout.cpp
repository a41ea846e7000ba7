#include "stationmap/label_layout.h"

#include <algorithm>
#include <cmath>

namespace {

// Cells of the collision grid: at most this many along a side, at least this many pixels wide.
constexpr int kMostCells = 64;
constexpr double kLeastCellPx = 16;

}  // namespace

LabelLayout::LabelLayout(TextShaper& text, double pictureSize, double gap, QuickMeasure quick)
    : text_(text),
      quick_(std::move(quick)),
      size_(pictureSize),
      gap_(gap),
      cell_(std::max(kLeastCellPx, pictureSize / kMostCells)) {
  cells_ = std::max(1, static_cast<int>(std::ceil(size_ / cell_)));
  grid_.resize(static_cast<std::size_t>(cells_) * cells_);
}

template <typename Visit>
void LabelLayout::ForEachCell(const Box& box, const Visit& visit) const {
  const auto cell = [&](double v) {
    return std::clamp(static_cast<int>(std::floor(v / cell_)), 0, cells_ - 1);
  };
  for (int y = cell(box.top); y <= cell(box.bottom); ++y) {
    for (int x = cell(box.left); x <= cell(box.right); ++x) {
      if (!visit(static_cast<std::size_t>(y) * cells_ + x)) return;
    }
  }
}

bool LabelLayout::Touches(const Box& box) const {
  bool touches = false;
  ForEachCell(box, [&](std::size_t cell) {
    for (const int k : grid_[cell]) {
      const Box& other = boxes_[k];
      if (box.left < other.right && other.left < box.right && box.top < other.bottom &&
          other.top < box.bottom) {
        touches = true;
        return false;
      }
    }
    return true;
  });
  return touches;
}

void LabelLayout::Add(const Box& box) {
  const int index = static_cast<int>(boxes_.size());
  boxes_.push_back(box);
  ForEachCell(box, [&](std::size_t cell) {
    grid_[cell].push_back(index);
    return true;
  });
}

void LabelLayout::Reserve(PixelPoint at, double radius) {
  Add({at.x - radius, at.y - radius, at.x + radius, at.y + radius});
}

std::optional<LabelLayout::Box> LabelLayout::KeptBox(const TextExtent& extent, PixelPoint at,
                                                     const TextStyle& style, double haloWidth,
                                                     bool moveInside, double slack) const {
  double left = at.x - extent.width / 2, top = at.y - extent.height / 2;
  if (moveInside) {
    const double margin = style.pixelSize / 4.0;
    left = std::clamp(left, margin, std::max(margin, size_ - margin - extent.width));
    top = std::clamp(top, margin, std::max(margin, size_ - margin - extent.height));
  }
  // The halo reaches half its width beyond the ink; each label keeps half the gap round it.
  // `slack` shrinks the box, for an extent that may be that much too large.
  const double halo = haloWidth / 2 - slack;
  const Box inked{left - halo, top - halo, left + extent.width + halo, top + extent.height + halo};
  if (!(inked.left >= 0 && inked.top >= 0 && inked.right <= size_ && inked.bottom <= size_))
    return std::nullopt;
  return Box{inked.left - gap_ / 2, inked.top - gap_ / 2, inked.right + gap_ / 2, inked.bottom + gap_ / 2};
}

std::optional<Label> LabelLayout::Place(const std::string& text, PixelPoint at, const TextStyle& style,
                                        double haloWidth, bool moveInside) {
  if (text.empty()) return std::nullopt;
  // Wherever the label ends up its box covers its anchor (held inside when it is moved inside)
  // with the halo and the gap round it, so an anchor that near a box already placed rules it
  // out before its text is measured: a log's crowded stations cost a look-up each.
  const double margin = style.pixelSize / 4.0;
  const PixelPoint anchor = moveInside
                                ? PixelPoint{std::clamp(at.x, margin, std::max(margin, size_ - margin)),
                                             std::clamp(at.y, margin, std::max(margin, size_ - margin))}
                                : at;
  const double round = haloWidth / 2 + gap_ / 2;
  if (Touches({anchor.x - round, anchor.y - round, anchor.x + round, anchor.y + round})) return std::nullopt;
  if (quick_) {
    const auto likely = KeptBox(quick_(text, style), at, style, haloWidth, moveInside, kQuickMeasureSlackPx);
    if (!likely || Touches(*likely)) return std::nullopt;
  }
  const TextExtent extent = text_.Measure(text, style);
  const auto kept = KeptBox(extent, at, style, haloWidth, moveInside, 0);
  if (!kept || Touches(*kept)) return std::nullopt;
  Add(*kept);
  const double halo = haloWidth / 2;
  return Label{text, {kept->left + gap_ / 2 + halo, kept->top + gap_ / 2 + halo}, LabelAnchor::TopLeft};
}
