#include "draw/line_geometry.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <utility>

namespace {

// Points closer than this to the kept line are dropped: far below what a pixel shows, but
// enough to turn a curve sampled every pixel or two into pieces tens of pixels long.
constexpr double kThinningPx = 0.1;
// A dash pattern shorter than this in all would cost a piece per fraction of a pixel.
constexpr double kShortestDashPeriodPx = 0.5;

bool Finite(const DrawPoint& p) { return std::isfinite(p.x) && std::isfinite(p.y); }

Segment SegmentOf(const DrawPoint& a, const DrawPoint& b) {
  return {static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(b.x), static_cast<float>(b.y)};
}

DrawPoint Lerp(const DrawPoint& a, const DrawPoint& b, double t) {
  return {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

bool UsablePattern(const std::vector<double>& dash) {
  if (dash.size() < 2) return false;
  for (const double length : dash) {
    if (!std::isfinite(length) || length < 0) return false;
  }
  return std::accumulate(dash.begin(), dash.end(), 0.0) >= kShortestDashPeriodPx;
}

// Walks a dash pattern along a line, appending the drawn parts of its visible stretches.
class Dasher {
 public:
  Dasher(const std::vector<double>& dash, std::vector<Segment>& out)
      : dash_(dash), period_(std::accumulate(dash.begin(), dash.end(), 0.0)), out_(out) {}

  // The stretch [from, to] (distances along the segment a-b of `length`) shows; the segment
  // starts `start` pixels along the whole line.
  void Stretch(const DrawPoint& a, const DrawPoint& b, double length, double start, double from, double to) {
    double phase = std::fmod(start + from, period_);
    std::size_t k = 0;
    while (phase >= dash_[k]) {
      phase -= dash_[k];
      k = (k + 1) % dash_.size();
    }
    // Counted from `from`, so that a far-reaching segment with a short visible stretch still
    // advances by whole dashes.
    const double visible = to - from;
    double at = 0;
    while (at < visible) {
      const double end = std::min(visible, at + dash_[k] - phase);
      if (k % 2 == 0 && end > at) {
        out_.push_back(SegmentOf(Lerp(a, b, (from + at) / length), Lerp(a, b, (from + end) / length)));
      }
      at = end;
      phase = 0;
      k = (k + 1) % dash_.size();
    }
  }

 private:
  const std::vector<double>& dash_;
  double period_;
  std::vector<Segment>& out_;
};

void AppendRun(const std::vector<DrawPoint>& run, const std::vector<double>& dash, const ClipBox& box,
               std::vector<Segment>& out) {
  if (run.size() < 2) return;
  const std::vector<DrawPoint> points = ThinnedLine(run, kThinningPx);
  const bool dashed = UsablePattern(dash);
  Dasher dasher(dash, out);
  double along = 0;
  for (std::size_t k = 1; k < points.size(); ++k) {
    const DrawPoint &a = points[k - 1], &b = points[k];
    double enter = 0, leave = 1;
    if (!dashed) {
      if (ClipToBox(a, b, box, enter, leave)) out.push_back(SegmentOf(Lerp(a, b, enter), Lerp(a, b, leave)));
      continue;
    }
    const double length = std::hypot(b.x - a.x, b.y - a.y);
    if (ClipToBox(a, b, box, enter, leave) && length > 0)
      dasher.Stretch(a, b, length, along, enter * length, leave * length);
    along += length;
  }
}

}  // namespace

std::vector<DrawPoint> ThinnedLine(const std::vector<DrawPoint>& points, double tolerance) {
  if (points.size() < 3) return points;
  std::vector<bool> keep(points.size(), false);
  keep.front() = keep.back() = true;
  std::vector<std::pair<std::size_t, std::size_t>> pending{{0, points.size() - 1}};
  while (!pending.empty()) {
    const auto [first, last] = pending.back();
    pending.pop_back();
    // Distances to the chord compared as squares scaled by its squared length, to spare a
    // root and a division per point; to the first point when the chord has no length.
    const DrawPoint& a = points[first];
    const double dx = points[last].x - a.x, dy = points[last].y - a.y;
    const double squaredLength = dx * dx + dy * dy;
    double farthest = 0;
    std::size_t at = first;
    for (std::size_t k = first + 1; k < last; ++k) {
      const double px = points[k].x - a.x, py = points[k].y - a.y;
      const double cross = px * dy - py * dx;
      const double distance = squaredLength > 0 ? cross * cross : px * px + py * py;
      if (distance > farthest) farthest = distance, at = k;
    }
    if (farthest > tolerance * tolerance * (squaredLength > 0 ? squaredLength : 1)) {
      keep[at] = true;
      pending.emplace_back(first, at);
      pending.emplace_back(at, last);
    }
  }
  std::vector<DrawPoint> kept;
  for (std::size_t k = 0; k < points.size(); ++k) {
    if (keep[k]) kept.push_back(points[k]);
  }
  return kept;
}

bool ClipToBox(DrawPoint a, DrawPoint b, const ClipBox& box, double& enter, double& leave) {
  enter = 0;
  leave = 1;
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double towards[4] = {-dx, dx, -dy, dy};
  const double room[4] = {a.x - box.left, box.right - a.x, a.y - box.top, box.bottom - a.y};
  for (int k = 0; k < 4; ++k) {
    if (towards[k] == 0) {
      if (room[k] < 0) return false;
      continue;
    }
    const double t = room[k] / towards[k];
    if (towards[k] < 0) {
      enter = std::max(enter, t);
    } else {
      leave = std::min(leave, t);
    }
  }
  return enter <= leave;
}

void AppendSegments(const Polyline& line, const std::vector<double>& dash, const ClipBox& box,
                    std::vector<Segment>& out) {
  std::vector<DrawPoint> run;
  run.reserve(line.points.size() + 1);
  for (const DrawPoint& p : line.points) {
    if (Finite(p)) {
      run.push_back(p);
    } else {
      AppendRun(run, dash, box, out);
      run.clear();
    }
  }
  // A closed line goes back to its first point, unless a gap broke it.
  if (line.closed && run.size() == line.points.size() && run.size() > 2) run.push_back(run.front());
  AppendRun(run, dash, box, out);
}

namespace {

void AppendEdge(const DrawPoint& a, const DrawPoint& b, const ClipBox& box, std::vector<Segment>& out) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  if (dy == 0 || !std::isfinite(dx) || !std::isfinite(dy)) return;
  double cuts[4] = {std::clamp((box.top - a.y) / dy, 0.0, 1.0),
                    std::clamp((box.bottom - a.y) / dy, 0.0, 1.0)};
  if (cuts[0] > cuts[1]) std::swap(cuts[0], cuts[1]);
  if (cuts[0] == cuts[1]) return;
  int count = 2;
  for (const double side : {box.left, box.right}) {
    const double t = dx == 0 ? -1 : (side - a.x) / dx;
    if (t > cuts[0] && t < cuts[1]) cuts[count++] = t;
  }
  if (count == 4 && cuts[2] > cuts[3]) std::swap(cuts[2], cuts[3]);
  if (count > 2) std::rotate(cuts + 1, cuts + 2, cuts + count);
  for (int k = 0; k + 1 < count; ++k) {
    DrawPoint from = Lerp(a, b, cuts[k]), to = Lerp(a, b, cuts[k + 1]);
    const double middle = (from.x + to.x) / 2;
    if (middle < box.left || middle > box.right) {
      from.x = to.x = middle < box.left ? box.left : box.right;
    } else {
      from.x = std::clamp(from.x, box.left, box.right);
      to.x = std::clamp(to.x, box.left, box.right);
    }
    out.push_back(SegmentOf(from, to));
  }
}

}  // namespace

void AppendRingEdges(const std::vector<DrawPoint>& ring, const ClipBox& box, std::vector<Segment>& out) {
  const DrawPoint* first = nullptr;
  const DrawPoint* previous = nullptr;
  for (const DrawPoint& p : ring) {
    if (!Finite(p)) continue;
    if (previous != nullptr) AppendEdge(*previous, p, box, out);
    if (first == nullptr) first = &p;
    previous = &p;
  }
  if (previous != nullptr && previous != first) AppendEdge(*previous, *first, box, out);
}
