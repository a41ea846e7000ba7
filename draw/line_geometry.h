#pragma once
// Lines made ready for the pixels: broken at points that are no numbers, thinned where
// points lie within a fraction of a pixel of a straight run, dashed, and cut to the picture,
// as straight pieces whose round ends the painter fills.
#include <vector>

#include "draw/draw_list.h"

struct Segment {
  float ax = 0;
  float ay = 0;
  float bx = 0;
  float by = 0;
};

struct ClipBox {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
};

// The points of `points` that keep every dropped point within `tolerance` pixels of the line
// that is kept (Douglas-Peucker); the first and the last always stay.
std::vector<DrawPoint> ThinnedLine(const std::vector<DrawPoint>& points, double tolerance);

// Cuts the segment from `a` to `b` to `box`: false when nothing of it lies inside, else the
// share of its length where the inside part starts and ends.
bool ClipToBox(DrawPoint a, DrawPoint b, const ClipBox& box, double& enter, double& leave);

// Appends the pieces of `line` that lie in `box`, dashed by `dash` when it is a usable pattern.
void AppendSegments(const Polyline& line, const std::vector<double>& dash, const ClipBox& box,
                    std::vector<Segment>& out);

// The outline of a filled ring as edges, closed, its points that are no numbers left out, cut
// to `box`: parts above or below it add nothing inside it, and parts beside it are laid along
// its side, where they cover the same rows.
void AppendRingEdges(const std::vector<DrawPoint>& ring, const ClipBox& box, std::vector<Segment>& out);
