#include "mapout/post_process.h"

#include <algorithm>
#include <cmath>

#include "mapout/progress_text.h"
#include "mapout/two_halves.h"

namespace {

// value < limit with value taken as a 32-bit float, without converting a value that a float
// cannot hold. NaN is never below.
bool BelowAsFloat(double value, double limit) {
  return value < limit && static_cast<float>(value) < static_cast<float>(limit);
}

}  // namespace

TexelPlacement::TexelPlacement(const MapCentre& centre, int textureWidth, int textureHeight, int mapWidth,
                               int mapHeight)
    : projection_(centre.Long, -centre.Lat, centre.Radius), mapWidth_(mapWidth), mapHeight_(mapHeight) {
  const double w = textureWidth;
  const double h = textureHeight;
  columns_.reserve(static_cast<std::size_t>(std::max(0, textureWidth)));
  for (int x = 0; x < textureWidth; ++x) columns_.push_back(projection_.AtLongitude(-(x - w / 2) * 360 / w));
  rows_.reserve(static_cast<std::size_t>(std::max(0, textureHeight)));
  for (int y = 0; y < textureHeight; ++y) rows_.push_back(projection_.AtLatitude((y - h / 2) * 180 / h));
  // A texel lands s = c * k map radii from the centre (k = kEarthRadiusMetres / 1000 /
  // Radius, c its central angle as AngleOf takes it, within 2.1e-6 of the true angle), s cos t
  // of them east of it and s sin t north (t its direction, as closely). Off the map then:
  // - a texel farther than the farthest corner, c > cornerAngle;
  // - one farther east or west than the farthest edge: with c_e = edge / k, |east| (at most
  //   sin c) above sin c_e means c > c_e, and as c / sin c grows with c, |s cos t| is at least
  //   k c (|east| / sin c - 2.1e-6), which is beyond the edge; likewise north.
  // Each limit keeps a thousandth to spare, and none passes anything over near the antipode
  // or for a radius that is not a plain positive number.
  const double farthestEdge = std::max(std::max(kMapHalfSide, mapWidth - kMapHalfSide),
                                       std::max(kMapHalfSide, mapHeight - kMapHalfSide)) /
                              kMapHalfSide;
  const double farthestCorner = std::hypot(std::max(kMapHalfSide, mapWidth - kMapHalfSide),
                                           std::max(kMapHalfSide, mapHeight - kMapHalfSide)) /
                                kMapHalfSide;
  const double radiiPerRadian = kEarthRadiusMetres / 1000 / centre.Radius;
  const bool plainRadius = centre.Radius > 0 && std::isfinite(radiiPerRadian);
  const double cornerAngle = 1.001 * farthestCorner / radiiPerRadian + 1e-5;
  const double edgeAngle = farthestEdge / radiiPerRadian;
  beyondCornerBelow_ = plainRadius && cornerAngle < 3 ? std::cos(cornerAngle) : -2;
  beyondEdgeAbove_ = plainRadius && edgeAngle < 1.5 ? 1.001 * std::sin(edgeAngle) + 2e-5 : 2;
}

bool TexelPlacement::TexelInView(int x, int y) const {
  if (CertainlyOffMap(x, y)) return false;
  const MapPosition m = MapPositionOf(x, y);
  return m.X >= 0 && BelowAsFloat(m.X, mapWidth_) && m.Y >= 0 && BelowAsFloat(m.Y, mapHeight_);
}

std::ptrdiff_t TexelPlacement::PixelOf(int x, int y) const {
  const MapPosition m = MapPositionOf(x, y);
  // Anything at or past these bounds floors outside the map; inside them a float holds it.
  if (!(m.X > -1 && m.X < mapWidth_ && m.Y > -1 && m.Y < mapHeight_)) return -1;
  const int px = static_cast<int>(std::floor(static_cast<float>(m.X)));
  const int py = static_cast<int>(std::floor(static_cast<float>(m.Y)));
  if (px < 0 || py < 0 || px >= mapWidth_ || py >= mapHeight_) return -1;
  return static_cast<std::ptrdiff_t>(py) * mapWidth_ + px;
}

namespace {

std::uint32_t HalfBrightness(std::uint32_t texel) { return (texel & 0xFEFEFEU) >> 1; }

}  // namespace

void PlotTexel(const TexelPlacement& placement, const Surface& texture, Surface& map, int x, int y) {
  const std::ptrdiff_t pixel = placement.PixelOf(x, y);
  if (pixel < 0) return;
  map.MutablePixels()[pixel] =
      HalfBrightness(texture.Pixels()[static_cast<std::size_t>(y) * texture.Width() + x]);
}

bool InsideSurface(const Surface& surface, int px, int py) {
  return px >= 0 && py >= 0 && px < surface.ScaleWidth() && py < surface.ScaleHeight();
}

ViewMask MarkView(const TexelPlacement& placement, int textureWidth, int textureHeight,
                  const std::function<void(int x, int y)>& afterColumn) {
  ViewMask mask{std::vector<bool>(static_cast<std::size_t>(textureWidth) + 1, false),
                std::vector<bool>(static_cast<std::size_t>(textureHeight) + 1, false)};
  auto& columns = mask.ColumnInView;
  auto& rows = mask.RowInView;
  for (int x = 0; x < textureWidth; x += 10) {
    int y = 0;
    for (; y < textureHeight; y += 10) {
      const bool inView = placement.TexelInView(x, y);
      columns[x] = columns[x] || inView;
      rows[y] = rows[y] || inView;
      for (int k = -9; k <= 9; ++k) {
        if (y + k < textureHeight && y + k >= 0) rows[y + k] = rows[y + k] || rows[y];
      }
    }
    for (int k = -9; k <= 9; ++k) {
      if (x + k < textureWidth && x + k >= 0) columns[x + k] = columns[x + k] || columns[x];
    }
    afterColumn(x, y);
  }
  return mask;
}

void Reproject(const TexelPlacement& placement, const ViewMask& mask, const Surface& texture, Surface& map,
               const std::function<void(int x)>& afterColumn, std::size_t landingsAtOnce) {
  const int width = texture.Width();
  const int height = texture.Height();
  std::vector<int> columns, rows;
  for (int x = 0; x < width; ++x) {
    if (mask.ColumnInView[x]) columns.push_back(x);
  }
  for (int y = 0; y < height; ++y) {
    if (mask.RowInView[y]) rows.push_back(y);
  }
  // Where the marked texels land, worked out a block of marked columns at a time.
  const std::size_t blockColumns =
      std::max<std::size_t>(1, landingsAtOnce / std::max<std::size_t>(1, rows.size()));
  std::vector<std::int32_t> landings;
  std::size_t blockBegin = 0, blockEnd = 0;  // of the worked-out block, in `columns`
  const std::uint32_t* texels = texture.Pixels();
  std::uint32_t* pixels = map.MutablePixels();
  std::size_t next = 0;  // the next marked column, in `columns`
  for (int x = 0; x < width; ++x) {
    if (mask.ColumnInView[x]) {
      if (next == blockEnd) {
        blockBegin = next;
        blockEnd = std::min(columns.size(), next + blockColumns);
        landings.resize((blockEnd - blockBegin) * rows.size());
        InTwoHalves(blockEnd - blockBegin, [&](std::size_t begin, std::size_t end) {
          for (std::size_t c = begin; c < end; ++c) {
            const int column = columns[blockBegin + c];
            for (std::size_t r = 0; r < rows.size(); ++r) {
              landings[c * rows.size() + r] =
                  placement.CertainlyOffMap(column, rows[r])
                      ? -1
                      : static_cast<std::int32_t>(placement.PixelOf(column, rows[r]));
            }
          }
        });
      }
      const std::int32_t* landing = landings.data() + (next - blockBegin) * rows.size();
      for (const int y : rows) {
        if (*landing >= 0) pixels[*landing] = HalfBrightness(texels[static_cast<std::size_t>(y) * width + x]);
        ++landing;
      }
      ++next;
    }
    afterColumn(x);
  }
}

// The program's generator must take the hole filling's jumping search: drawing every number
// would give the same map, ten times as slowly for a close view.
static_assert(SkippingRandom<UniformRandom>);

bool PostProcessMap(RedrawContext& context) {
  Surface& map = context.picture1;
  const Surface& texture = context.picture2;
  const int textureWidth = texture.Width();
  const int textureHeight = texture.Height();
  const int mapWidth = map.Width();
  const int mapHeight = map.Height();
  if (textureWidth <= 0 || textureHeight <= 0 || mapWidth <= 0 || mapHeight <= 0) return false;
  RedrawProgress& progress = context.progress;
  const auto showProgress = [&](int phase, int x, int y, double walkedWidth, double walkedHeight) {
    progress.SetCaption(PhaseCaption(phase, static_cast<double>(x) * y / (walkedWidth * walkedHeight)));
    progress.ProcessEvents();
  };

  map.SetVisible(true);
  context.picture4.SetPicture(map.Image());
  // Both stores go under one name and usually fail alike: the operator is told once.
  std::string toldFailure;
  context.store.SaveMap(context.picture4, context.centre, &toldFailure);

  // The map starts black whatever picture Picture1 might show over its background.
  map.Cls();
  std::fill_n(map.MutablePixels(), static_cast<std::size_t>(mapWidth) * mapHeight, 0U);

  const TexelPlacement placement(context.centre, textureWidth, textureHeight, mapWidth, mapHeight);
  const ViewMask mask = MarkView(placement, textureWidth, textureHeight,
                                 [&](int x, int y) { showProgress(1, x, y, textureWidth, textureHeight); });

  Reproject(placement, mask, texture, map,
            [&](int x) { showProgress(2, x, textureHeight, textureWidth, textureHeight); });

  // Phase 3 reads only this snapshot, so pixels it fills never serve as samples.
  context.picture3.SetPicture(map.Image());
  const Picture& snapshot = *context.picture3.GetPicture();
  FillHoles(
      snapshot.pixels.data(), map.MutablePixels(), mapWidth, mapHeight, context.random,
      [&](int x) { showProgress(3, x, mapHeight, mapWidth, mapHeight); }, context.buffers);

  // The whole texture over itself: the percentage alone, without a phase.
  progress.SetCaption(ProgressPercent(1.0));
  return context.store.SaveMap(map, context.centre, &toldFailure);
}
