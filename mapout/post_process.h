#pragma once
// The software redraw of the map after the view has been left: the Earth texture in
// Picture2 is projected around the view's centre onto Picture1 at half brightness, the
// pixels no texel reached are filled from their neighbours, and the map is stored.
//
// Texel (x, y) of a W x H texture stands for longitude -(x - W/2) * 360 / W (east on the
// left) and latitude (y - H/2) * 180 / H (south downwards); the projection is given the
// centre latitude negated, so the map comes out north up and east right.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/surface.h"
#include "base/uniform_random.h"
#include "calc/map_projection.h"
#include "mapout/hole_filling.h"
#include "mapout/map_files.h"

// What the redraw needs from the window: the caption, and a chance to handle pending
// events (key releases, captures, repaints) after every column. Repainting on every call
// would cost more than the redraw; how often the window repaints is its own business.
class RedrawProgress {
 public:
  virtual ~RedrawProgress() = default;
  virtual void SetCaption(const std::string& text) = 0;
  virtual void ProcessEvents() = 0;
};

struct RedrawContext {
  Surface& picture1;  // the map: copied, cleared, redrawn, stored
  Surface& picture2;  // the Earth texture, only read
  Surface& picture3;  // receives the snapshot that hole filling reads
  Surface& picture4;  // receives the copy of the view that is stored first
  MapCentre centre;   // Long, Lat, Radius of the last frame
  RedrawProgress& progress;
  MapStore& store;
  UniformRandom& random;  // the program's one generator, never reseeded
  // Optional scratch memory kept by the caller from one redraw to the next.
  HoleFillingBuffers* buffers = nullptr;
};

// Redraws and stores the map; in order:
//  1. Picture1 is made visible; its current image becomes Picture4's picture and is stored.
//  2. Picture1 is cleared to black.
//  3. Phase 1 marks the texture columns and rows that can reach the map.
//  4. Phase 2 plots the texels of marked columns and rows at half brightness.
//  5. Phase 3 fills the black pixels from a snapshot kept in Picture3.
//  6. The caption shows " 100.0 %" and Picture1 is stored under the same name; a failure
//     told in the same words by step 1 is not told again.
// The caption shows "<phase>/3 <percent> %" after every column of every phase, then events
// are processed. Picture1's pixels are written directly and it is not marked changed column
// by column: when the window repaints during the redraw is the progress object's choice.
// Returns whether the redrawn map was stored. A Picture1 or Picture2 without pixels has no
// map to give: nothing is drawn or stored and the result is false.
bool PostProcessMap(RedrawContext& context);

// Where texels land on the map: ProjectToMap of the texel's longitude and latitude around
// the centre's Long, its Lat negated and its Radius, taken apart (MapProjection) so that the
// sines and cosines of every column's longitude and every row's latitude are taken once.
class TexelPlacement {
 public:
  TexelPlacement(const MapCentre& centre, int textureWidth, int textureHeight, int mapWidth, int mapHeight);

  MapPosition MapPositionOf(int x, int y) const {
    return projection_.Project(columns_[static_cast<std::size_t>(x)], rows_[static_cast<std::size_t>(y)]);
  }
  // True when the texel lands on the map: mx >= 0, my >= 0, and mx and my, as 32-bit
  // floats, below the map's width and height. Non-finite positions are not in view.
  bool TexelInView(int x, int y) const;
  // The index (row by row) of the map pixel that PlotTexel sets for texel (x, y), or -1:
  // map pixel k covers positions k <= m < k + 1, taken as 32-bit floats.
  std::ptrdiff_t PixelOf(int x, int y) const;
  // True when the texel lands off the map whichever way the last bits of its position fall:
  // more than a thousandth beyond the map's farthest corner, or as far beyond an edge.
  // Far cheaper than its position, and never true for a texel that lands on the map.
  bool CertainlyOffMap(int x, int y) const {
    const MapProjection::Components components =
        projection_.ComponentsOf(columns_[static_cast<std::size_t>(x)], rows_[static_cast<std::size_t>(y)]);
    return components.cosCentral < beyondCornerBelow_ ||
           std::max(std::fabs(components.east), std::fabs(components.north)) > beyondEdgeAbove_;
  }
  int MapWidth() const { return mapWidth_; }
  int MapHeight() const { return mapHeight_; }

 private:
  MapProjection projection_;
  std::vector<MapProjection::Longitude> columns_;
  std::vector<MapProjection::Latitude> rows_;
  int mapWidth_;
  int mapHeight_;
  // The limits of CertainlyOffMap: the central angle's cosine, the east and north components.
  double beyondCornerBelow_;
  double beyondEdgeAbove_;
};

// Plots texel (x, y) of `texture` on `map` at half brightness ((c AND &HFEFEFE) / 2), at
// placement.PixelOf(x, y). The position is floored, so the centre 278.5 lands in the middle
// of pixel 278 and exactly the texels in view are drawn. A position off the map, or not
// finite, plots nothing. `map` must be the size the placement was made for.
void PlotTexel(const TexelPlacement& placement, const Surface& texture, Surface& map, int x, int y);

// True when (px, py) lies inside the surface's inner area.
bool InsideSurface(const Surface& surface, int px, int py);

// Phase 1. ColumnInView[c] (0..W) is set when a sampled column (a multiple of 10) at most 9
// columns from c has a sampled texel (every tenth row) in view; RowInView likewise for rows.
// `afterColumn(x, y)` runs after each sampled column x, y being the row counter's value
// past its last row.
struct ViewMask {
  std::vector<bool> ColumnInView;
  std::vector<bool> RowInView;
};
ViewMask MarkView(const TexelPlacement& placement, int textureWidth, int textureHeight,
                  const std::function<void(int x, int y)>& afterColumn);

// Phase 2: plots every texel whose column and row are both marked, columns left to right,
// each top to bottom, so the last texel to land on a map pixel stays. Texels that are
// CertainlyOffMap are passed over without working out where they would land; where the
// others land is worked out on two threads before the first is plotted.
// `landingsAtOnce` bounds the texels worked out before plotting: the whole of a 557 x 557
// texture at once, a far larger one in blocks of columns.
void Reproject(const TexelPlacement& placement, const ViewMask& mask, const Surface& texture, Surface& map,
               const std::function<void(int x)>& afterColumn,
               std::size_t landingsAtOnce = std::size_t{1} << 20);
