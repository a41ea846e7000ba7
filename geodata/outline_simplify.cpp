#include "geodata/outline_simplify.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

double Chord(const Vec3& a, const Vec3& b) {
  const double dx = a.x - b.x, dy = a.y - b.y, dz = a.z - b.z;
  return std::sqrt(dx * dx + dy * dy + dz * dz);
}

// The distance of `p` from the arc a-b in radians, to within a relative 1e-6 for the short
// distances tolerances are made of: from the great circle where the foot falls on the arc,
// else from the nearer end.
class ArcDistance {
 public:
  ArcDistance(const Vec3& a, const Vec3& b) : a_(a), b_(b) {
    normal_ = Cross(a, b);
    const double length = std::sqrt(Dot(normal_, normal_));
    degenerate_ = length < 1e-15;
    if (!degenerate_) normal_ = {normal_.x / length, normal_.y / length, normal_.z / length};
  }
  double operator()(const Vec3& p) const {
    if (degenerate_) return Chord(p, a_);
    if (Dot(Cross(a_, p), normal_) >= 0 && Dot(Cross(p, b_), normal_) >= 0) return std::fabs(Dot(p, normal_));
    return std::min(Chord(p, a_), Chord(p, b_));
  }

 private:
  Vec3 a_, b_, normal_;
  bool degenerate_ = false;
};

struct Span {
  std::size_t first, last;
  float inherited;
};

}  // namespace

std::vector<float> KeepTolerances(std::span<const Vec3> run, double floorKm) {
  std::vector<float> keep(run.size(), 0.0f);
  if (run.empty()) return keep;
  constexpr float kAlways = std::numeric_limits<float>::infinity();
  keep.front() = keep.back() = kAlways;
  const double floor = floorKm / kEarthRadiusKm;
  std::vector<Span> pending{{0, run.size() - 1, kAlways}};
  while (!pending.empty()) {
    const Span span = pending.back();
    pending.pop_back();
    if (span.last - span.first < 2) continue;
    const ArcDistance distance(run[span.first], run[span.last]);
    double farthest = -1;
    std::size_t split = span.first;
    for (std::size_t k = span.first + 1; k < span.last; ++k) {
      const double d = distance(run[k]);
      if (d > farthest) {
        farthest = d;
        split = k;
      }
    }
    if (farthest <= floor) continue;
    // A point is kept only while every split above it is: its value is the smallest on the way.
    keep[split] = std::min(span.inherited, static_cast<float>(farthest * kEarthRadiusKm));
    pending.push_back({span.first, split, keep[split]});
    pending.push_back({split, span.last, keep[split]});
  }
  return keep;
}

namespace {

// The squared distance of points from the segment a-b, its one division made once.
class PlaneDistance2 {
 public:
  PlaneDistance2(const PlanePoint& a, const PlanePoint& b) : a_(a), dx_(b.x - a.x), dy_(b.y - a.y) {
    const double length2 = dx_ * dx_ + dy_ * dy_;
    perLength2_ = length2 > 0 ? 1 / length2 : 0;
  }
  double operator()(const PlanePoint& p) const {
    const double t = std::clamp(((p.x - a_.x) * dx_ + (p.y - a_.y) * dy_) * perLength2_, 0.0, 1.0);
    const double ex = p.x - (a_.x + t * dx_), ey = p.y - (a_.y + t * dy_);
    return ex * ex + ey * ey;
  }

 private:
  PlanePoint a_;
  double dx_, dy_, perLength2_;
};

}  // namespace

void SimplifyPlaneLine(std::vector<PlanePoint>& line, double tolerance) {
  if (line.size() < 3) return;
  std::vector<char> kept(line.size(), 0);
  kept.front() = kept.back() = 1;
  // Windows of a bounded length keep the work linear in the line's length; their ends are kept,
  // one point in kWindow more than one pass over the whole line would keep.
  constexpr std::size_t kWindow = 64;
  std::vector<std::pair<std::size_t, std::size_t>> pending;
  for (std::size_t first = 0; first + 1 < line.size(); first += kWindow) {
    const std::size_t last = std::min(first + kWindow, line.size() - 1);
    kept[last] = 1;
    if (last - first > 1) pending.push_back({first, last});
  }
  while (!pending.empty()) {
    const auto [first, last] = pending.back();
    pending.pop_back();
    double farthest = -1;
    std::size_t split = first;
    const PlaneDistance2 distance2(line[first], line[last]);
    for (std::size_t k = first + 1; k < last; ++k) {
      const double d = distance2(line[k]);
      if (d > farthest) {
        farthest = d;
        split = k;
      }
    }
    if (farthest <= tolerance * tolerance) continue;
    kept[split] = 1;
    if (split - first > 1) pending.push_back({first, split});
    if (last - split > 1) pending.push_back({split, last});
  }
  std::size_t out = 0;
  for (std::size_t k = 0; k < line.size(); ++k) {
    if (kept[k]) line[out++] = line[k];
  }
  line.resize(out);
}
