#include <algorithm>
#include <cmath>
#include <numbers>

#include "geo/fast_angles.h"
#include "geodata/country_outlines.h"
#include "geodata/outline_simplify.h"

namespace {

// Deeper than any arc of the chart needs: a curve round the whole rim of a map is done in 12.
constexpr int kMaxSubdivision = 20;
// How far a line may stray from the chart's is shared out: at most this much of the tolerance
// to the level of detail read, what that level leaves of it to the simplification on the map,
// so that the lines a painter gets have as few points as the tolerance allows. (Arcs are drawn
// to within a quarter of the tolerance before that simplification, and seldom need it.)
constexpr double kLevelShare = 0.6;
constexpr double kFinestToleranceKm = 0.001;

// UnitVector by polynomials, within 1e-9 radians (millimetres): a map reads tens of thousands
// of the chart's points, and the library's sine and cosine were a third of the work.
Vec3 ChartVector(const GeoPoint& p) {
  double cosLat = 0, minusSinLat = 0, sinLon = 0, cosLon = 0;
  FastSinCos(p.lat * kRadiansPerDegree + std::numbers::pi / 2, cosLat, minusSinLat);
  // Longitudes past 180 come back to -180..180, whose sine is odd and cosine even.
  const double lon = p.lon * kRadiansPerDegree;
  const double wrapped = lon - 2 * std::numbers::pi * std::nearbyint(lon / (2 * std::numbers::pi));
  FastSinCos(std::fabs(wrapped), sinLon, cosLon);
  return {cosLat * cosLon, cosLat * std::copysign(sinLon, wrapped), -minusSinLat};
}

Vec3 Normalised(const Vec3& v) {
  const double length = std::sqrt(Dot(v, v));
  return {v.x / length, v.y / length, v.z / length};
}

double SegmentDistance2(const PlanePoint& p, const PlanePoint& a, const PlanePoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y;
  const double length2 = dx * dx + dy * dy;
  const double t = length2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / length2, 0.0, 1.0) : 0;
  const double ex = p.x - (a.x + t * dx), ey = p.y - (a.y + t * dy);
  return ex * ex + ey * ey;
}

// Within 120 degrees of the centre the projection bends great circles no more than a circle
// of the Earth's radius would (measured: at most 1 / 6700 km), so an arc strays from its
// chord by less than a quarter of the tolerance while the chord is shorter than
// sqrt(2 tolerance R); half that length is checked. Beyond, towards the antipode, the bend
// grows without bound and every chord longer than the tolerance is checked.
constexpr double kGentleCos = -0.5;

// One map's projection, visible cap and tolerances, and the line being drawn.
class MapOutliner {
 public:
  MapOutliner(const AzimuthalEquidistant& map, double visibleKm, double toleranceKm,
              const std::function<void(std::span<const PlanePoint>)>& draw)
      : map_(map), c_(map.CentreVector()), tolerance_(toleranceKm), draw_(draw) {
    // Up to half a tolerance short of the antipode: the ring left out there is thinner than
    // what a line may stray, and every point kept has one place on the map.
    capAngle_ = std::min(visibleKm, kHalfCircumferenceKm - toleranceKm / 2) / kEarthRadiusKm;
    capAngle_ = std::max(capAngle_, 0.0);
    capCos_ = std::cos(capAngle_);
    capChord_ = 2 * std::sin(capAngle_ / 2);
    convex_ = capAngle_ <= std::numbers::pi / 2;
  }

  // The coarsest level of a chunk whose error, stretched as the projection stretches it where
  // the chunk is seen, stays within kLevelShare of the tolerance; -1 when nothing of it is
  // seen, or when it is a whole island that even stretched stays smaller than the tolerance.
  // `errorKm`: how far the level strays from the chart where the chunk is seen.
  int LevelFor(const OutlineChunk& chunk, bool wholeRing, double* errorKm) const {
    const Vec3 centre = Normalised({chunk.centre[0], chunk.centre[1], chunk.centre[2]});
    // Most chunks lie far off: the chord to them, 2 sin(apart / 2), is longer than
    // 2 sin(cap / 2) + radius >= 2 sin((cap + radius) / 2) without taking an angle.
    const Vec3 off{centre.x - c_.x, centre.y - c_.y, centre.z - c_.z};
    const double farChord = capChord_ + chunk.radius;
    if (capAngle_ + chunk.radius < std::numbers::pi && Dot(off, off) > farChord * farChord) return -1;
    const double apart = std::acos(std::clamp(Dot(centre, c_), -1.0, 1.0));
    if (apart - chunk.radius > capAngle_) return -1;
    const double far = std::min(apart + double{chunk.radius}, capAngle_);
    const double stretch = far < 1e-9 ? 1 : far / std::sin(far);
    if (wholeRing && 2 * chunk.radius * kEarthRadiusKm * stretch < tolerance_) return -1;
    int level = 0;
    while (level + 1 < kOutlineLevels &&
           kOutlineLevelTolerancesKm[level + 1] * stretch <= kLevelShare * tolerance_) {
      ++level;
    }
    *errorKm = kOutlineLevelTolerancesKm[level] * stretch;
    return level;
  }

  // The next point of the current ring, from a level of detail `levelErrorKm` off the chart;
  // `joined`: it continues the line of the point before.
  void Add(const Vec3& v, bool joined, double levelErrorKm) {
    const bool inside = Dot(v, c_) >= capCos_;
    if (!joined) {
      Finish();
      if (inside) line_.push_back(Project(v));
    } else {
      lineLevelError_ = std::max(lineLevelError_, levelErrorKm);
      Segment(previous_, previousInside_, v, inside);
    }
    // A line begun inside the segment holds a piece of it.
    lineLevelError_ = std::max(lineLevelError_, levelErrorKm);
    previous_ = v;
    previousInside_ = inside;
  }

  // Ends the current line.
  void Finish() {
    if (line_.size() >= 2) {
      SimplifyPlaneLine(line_, tolerance_ - lineLevelError_);
      draw_(line_);
    }
    line_.clear();
    lineLevelError_ = 0;
  }

 private:
  PlanePoint Project(const Vec3& v) const { return map_.ForwardVector(v); }

  void Segment(const Vec3& a, bool aInside, const Vec3& b, bool bInside) {
    const double ab = Dot(a, b), ac = Dot(a, c_), bc = Dot(b, c_);
    const double checkFrom2 =
        std::min(ac, bc) < kGentleCos ? tolerance_ * tolerance_ : tolerance_ * kEarthRadiusKm / 2;
    // Signs of the slope of the distance to the centre at both ends, for whether the arc
    // turns back in between: the cap's edge can be crossed twice only then.
    const double slopeA = bc - ab * ac, slopeB = ab * bc - ac;
    if (aInside && bInside && (convex_ || !(slopeA < 0 && slopeB > 0))) {
      if (line_.empty()) line_.push_back(Project(a));
      AppendArc(a, line_.back(), b, Project(b), checkFrom2, 0);
      return;
    }
    if (!aInside && !bInside && !(slopeA > 0 && slopeB < 0)) return;
    // Along the arc, p(t) = a cos t + u sin t for t from 0 to theta; its nearness to the
    // centre is A cos(t - phi), inside the cap for |t - phi| <= w.
    const Vec3 off{b.x - ab * a.x, b.y - ab * a.y, b.z - ab * a.z};
    const double offLength = std::sqrt(Dot(off, off));
    if (offLength < 1e-15) return;  // the same point again
    const Vec3 u{off.x / offLength, off.y / offLength, off.z / offLength};
    const double theta = std::atan2(offLength, ab);
    const double alpha = ac, beta = Dot(u, c_);
    const double amplitude = std::hypot(alpha, beta);
    const auto at = [&](double t) {
      return Normalised({a.x * std::cos(t) + u.x * std::sin(t), a.y * std::cos(t) + u.y * std::sin(t),
                         a.z * std::cos(t) + u.z * std::sin(t)});
    };
    std::pair<double, double> spans[2];
    int count = 0;
    if (capCos_ <= -amplitude) {
      spans[count++] = {0, theta};
    } else if (capCos_ < amplitude) {
      const double phi = std::atan2(beta, alpha), w = std::acos(capCos_ / amplitude);
      const double start =
          std::fmod(std::fmod(phi - w, 2 * std::numbers::pi) + 2 * std::numbers::pi, 2 * std::numbers::pi);
      for (const double from : {start - 2 * std::numbers::pi, start}) {
        const double lo = std::max(from, 0.0), hi = std::min(from + 2 * w, theta);
        if (lo < hi) spans[count++] = {lo, hi};
      }
    }
    for (int k = 0; k < count; ++k) {
      const auto [lo, hi] = spans[k];
      const Vec3 from = lo > 0 ? at(lo) : a;
      const Vec3 to = hi < theta ? at(hi) : b;
      if (lo > 0 || line_.empty()) {
        Finish();
        line_.push_back(Project(from));
      }
      AppendArc(from, line_.back(), to, Project(to), checkFrom2, 0);
      if (hi < theta) Finish();
    }
    if (count == 0) Finish();
  }

  // The arc from a to b as the projection bends it, to within a quarter of the tolerance:
  // halves it while its middle strays from the straight line. Without this a line near the
  // antipode, which the projection stretches round the rim, would cut across the map.
  // `checkFrom2`: the squared chord length from which the middle is looked at.
  void AppendArc(const Vec3& a, PlanePoint pa, const Vec3& b, PlanePoint pb, double checkFrom2, int depth) {
    const double dx = pb.x - pa.x, dy = pb.y - pa.y;
    if (depth < kMaxSubdivision && dx * dx + dy * dy > checkFrom2) {
      const Vec3 sum{a.x + b.x, a.y + b.y, a.z + b.z};
      if (Dot(sum, sum) > 1e-12) {
        const Vec3 middle = Normalised(sum);
        const PlanePoint pm = Project(middle);
        if (SegmentDistance2(pm, pa, pb) > tolerance_ * tolerance_ / 16) {
          AppendArc(a, pa, middle, pm, checkFrom2, depth + 1);
          AppendArc(middle, pm, b, pb, checkFrom2, depth + 1);
          return;
        }
      }
    }
    line_.push_back(pb);
  }

  const AzimuthalEquidistant& map_;
  Vec3 c_;
  double tolerance_;
  double capAngle_ = 0, capCos_ = 1, capChord_ = 0;
  bool convex_ = true;
  const std::function<void(std::span<const PlanePoint>)>& draw_;
  std::vector<PlanePoint> line_;
  double lineLevelError_ = 0;  // the largest of the levels' errors along the current line
  Vec3 previous_;
  bool previousInside_ = false;
};

}  // namespace

void CountryOutlines::ForEachOnMap(const AzimuthalEquidistant& map, double visibleKm, double toleranceKm,
                                   const std::function<void(std::span<const PlanePoint>)>& draw) const {
  if (!(visibleKm > 0)) return;
  // Finer than a metre no map is drawn; at none the arcs would be halved without end.
  if (!(toleranceKm >= kFinestToleranceKm)) toleranceKm = kFinestToleranceKm;
  MapOutliner outliner(map, visibleKm, toleranceKm, draw);
  const std::span<const OutlineChunk> chunks = image_.Chunks();
  std::vector<RawPoint> points;
  for (const OutlineRing& ring : image_.Rings()) {
    const OutlineCountry& country = image_.Countries()[ring.country];
    bool joined = false;
    for (std::uint32_t c = ring.firstChunk; c < ring.firstChunk + ring.chunkCount; ++c) {
      const OutlineChunk& chunk = chunks[c];
      double levelError = 0;
      const int level = outliner.LevelFor(chunk, ring.chunkCount == 1, &levelError);
      // A damaged chunk is left out like one that is not seen.
      if (level < 0 || !image_.Decode(chunk, level, points)) {
        joined = false;
        continue;
      }
      for (std::size_t k = 0; k < points.size(); ++k) {
        // The chart repeats many points; a chunk begins with the point its predecessor ended on.
        if (joined && (k == 0 || points[k] == points[k - 1])) continue;
        outliner.Add(ChartVector(country.At(points[k])), joined, levelError);
        joined = true;
      }
    }
    outliner.Finish();
  }
}

std::vector<std::vector<PlanePoint>> CountryOutlines::OnMap(const AzimuthalEquidistant& map, double visibleKm,
                                                            double toleranceKm) const {
  std::vector<std::vector<PlanePoint>> pieces;
  ForEachOnMap(map, visibleKm, toleranceKm,
               [&](std::span<const PlanePoint> piece) { pieces.emplace_back(piece.begin(), piece.end()); });
  return pieces;
}
