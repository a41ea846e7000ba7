#pragma once
// The distance from a point to the nearest of many segments of the map plane, through a grid
// of buckets, for comparing one set of lines with another.
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

#include "geo/azimuthal.h"

class PlaneIndex {
 public:
  explicit PlaneIndex(double cell) : cell_(cell) {}

  void AddLine(const std::vector<PlanePoint>& line) {
    for (std::size_t k = 0; k + 1 < line.size(); ++k) AddSegment(line[k], line[k + 1]);
    if (line.size() == 1) AddSegment(line[0], line[0]);
  }

  // The distance to the nearest segment, or infinity when none lies within `reach` cells.
  double Distance(const PlanePoint& p, int reach = 1) const {
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t s : long_) best = std::min(best, SegmentDistance(p, segments_[s]));
    const long cx = Cell(p.x), cy = Cell(p.y);
    for (long y = cy - reach; y <= cy + reach; ++y) {
      for (long x = cx - reach; x <= cx + reach; ++x) {
        const auto found = buckets_.find(Key(x, y));
        if (found == buckets_.end()) continue;
        for (std::size_t s : found->second) best = std::min(best, SegmentDistance(p, segments_[s]));
      }
    }
    return best;
  }

 private:
  struct Segment {
    PlanePoint a, b;
  };
  long Cell(double v) const { return static_cast<long>(std::floor(v / cell_)); }
  static long long Key(long x, long y) { return (static_cast<long long>(x) << 32) ^ (y & 0xffffffffLL); }
  void AddSegment(const PlanePoint& a, const PlanePoint& b) {
    segments_.push_back({a, b});
    // A segment across much of the plane (a line cut straight over the map) is looked at for
    // every point instead of being filed in all its cells.
    const double cells = (std::fabs(a.x - b.x) / cell_ + 1) * (std::fabs(a.y - b.y) / cell_ + 1);
    if (cells > 1e5) {
      long_.push_back(segments_.size() - 1);
      return;
    }
    for (long y = Cell(std::min(a.y, b.y)); y <= Cell(std::max(a.y, b.y)); ++y) {
      for (long x = Cell(std::min(a.x, b.x)); x <= Cell(std::max(a.x, b.x)); ++x) {
        buckets_[Key(x, y)].push_back(segments_.size() - 1);
      }
    }
  }
  static double SegmentDistance(const PlanePoint& p, const Segment& s) {
    const double dx = s.b.x - s.a.x, dy = s.b.y - s.a.y;
    const double length2 = dx * dx + dy * dy;
    const double t =
        length2 > 0 ? std::clamp(((p.x - s.a.x) * dx + (p.y - s.a.y) * dy) / length2, 0.0, 1.0) : 0;
    return std::hypot(p.x - s.a.x - t * dx, p.y - s.a.y - t * dy);
  }

  double cell_;
  std::vector<Segment> segments_;
  std::vector<std::size_t> long_;
  std::unordered_map<long long, std::vector<std::size_t>> buckets_;
};
