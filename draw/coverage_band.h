#pragma once
// A band of rows of the picture where one shape's coverage is gathered before it is blended
// once: where pieces of the shape overlap, a pixel keeps the larger coverage, so joints and
// crossings are not painted twice. Only the 64-pixel stretches of a row that were touched are
// blended and cleared, so the cost follows what is drawn.
#include <cstdint>
#include <vector>

#include "draw/blend_run.h"
#include "draw/draw_list.h"
#include "draw/line_geometry.h"
#include "draw/raster_target.h"

constexpr int kBandRows = 32;

class CoverageBand {
 public:
  explicit CoverageBand(int width);

  // Starts gathering for the rows [top, top + rows) of the picture.
  void Start(int top, int rows);

  // The segment with round ends, `halfWidth` either side of it.
  void AddStroke(const Segment& segment, float halfWidth);

  // The same over a broader casing, `casingHalfWidth` either side, both at once; the casing's
  // coverage is gathered apart, for BlendCasedInto.
  void AddCasedStroke(const Segment& segment, float halfWidth, float casingHalfWidth);

  // An edge of a filled outline; ResolveFill turns the edges added since into coverage.
  void AddEdge(const Segment& edge);
  void ResolveFill();

  // Blends `colour` where the coverage is, then clears it for the next shape.
  void BlendInto(const RasterTarget& target, const BlendColour& colour);

  // Blends `casing` where the casing's coverage is, then `colour` over it, pixel by pixel, as
  // two shapes blended in turn would; then clears both.
  void BlendCasedInto(const RasterTarget& target, const BlendColour& casing, const BlendColour& colour);

 private:
  template <class Run>
  void StrokeRows(const Segment& segment, float reach, const Run& cover);
  template <class Blend>
  void BlendRows(const RasterTarget& target, const Blend& blend);
  void Mark(int row, int from, int to);
  void AddEdgeRow(float* area, int row, float x0, float x1, float dy);

  int width_;
  int top_ = 0;
  int rows_ = 0;
  int words_;                           // dirty words per row
  std::vector<std::uint8_t> cover_;     // rows x width
  std::vector<std::uint8_t> under_;     // a casing's, rows x width, made when first needed
  std::vector<std::uint64_t> dirty_;    // one bit per 64 columns of a row
  std::vector<float> area_;             // signed area per pixel of a filled outline, rows x (width + 2)
  std::vector<int> areaFrom_, areaTo_;  // the columns of each row that `area_` holds
};

// A dot straight onto the picture, within the rows [top, top + rows), its disc in `fill` and its
// outline in `outline`, the style's colours made ready.
void BlendDot(const RasterTarget& target, int top, int rows, DrawPoint centre, const DotStyle& style,
              const BlendColour& fill, const BlendColour& outline);
