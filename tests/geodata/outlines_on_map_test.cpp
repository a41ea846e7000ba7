// The outlines a map shows, against the same chart read by ncdump and projected by PROJ: the
// drawn lines lie on the chart's, and the chart's lines are all drawn; a chart shifted by a
// few kilometres fails both. Then the whole Earth, whose antipode the projection stretches
// round the rim, and the edge of the visible cap.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>

#include "geo/reference_tool.h"
#include "geodata/chart_tools.h"
#include "geodata/installed_outlines.h"
#include "geodata/plane_index.h"
#include "geodata/sphere_distance.h"

namespace {

struct MapCase {
  const char* what;
  GeoPoint centre;
  double radiusKm;
  int sizePx;
  std::vector<std::string> countries;
  double KmPerPx() const { return radiusKm / (sizePx / 2.0); }
  double ToleranceKm() const { return KmPerPx() / 2; }
  double VisibleKm() const { return radiusKm * std::sqrt(2.0); }
};

// The chart's rings of some countries in degrees, as ncdump reads them, every longitude moved
// by `shiftDeg`.
std::vector<std::vector<GeoPoint>> ChartRings(const std::string& chart, const std::vector<std::string>& codes,
                                              double shiftDeg) {
  const std::string header = DumpedHeader(chart);
  std::vector<std::string> names;
  for (const std::string& code : codes) {
    names.push_back(code + "_lon");
    names.push_back(code + "_lat");
  }
  const auto arrays = DumpedArrays(chart, names);
  std::vector<std::vector<GeoPoint>> rings;
  for (const std::string& code : codes) {
    const double lonMin = DumpedAttribute(header, code + "_lon:min"),
                 lonScale = DumpedAttribute(header, code + "_lon:scale");
    const double latMin = DumpedAttribute(header, code + "_lat:min"),
                 latScale = DumpedAttribute(header, code + "_lat:scale");
    const std::vector<unsigned>& lon = arrays.at(code + "_lon");
    const std::vector<unsigned>& lat = arrays.at(code + "_lat");
    for (std::size_t k = 0; k < lon.size(); ++k) {
      if (lon[k] == 65535 || k == 0) rings.emplace_back();
      if (lon[k] == 65535) continue;
      rings.back().push_back({latMin + lat[k] / latScale, lonMin + lon[k] / lonScale + shiftDeg});
    }
  }
  std::erase_if(rings, [](const auto& ring) { return ring.empty(); });
  return rings;
}

// The rings in the map plane as PROJ's aeqd puts them.
std::vector<std::vector<PlanePoint>> ProjectedByProj(const std::vector<std::vector<GeoPoint>>& rings,
                                                     const GeoPoint& centre) {
  std::vector<std::string> input;
  for (const auto& ring : rings) {
    for (const GeoPoint& p : ring) {
      char line[96];
      std::snprintf(line, sizeof line, "%.9f %.9f", p.lon, p.lat);
      input.push_back(line);
    }
  }
  char command[256];
  std::snprintf(command, sizeof command,
                "proj +proj=aeqd +R=6378137 +lat_0=%.9f +lon_0=%.9f +units=km -f %%.6f", centre.lat,
                centre.lon);
  const auto output = RunReferenceTool(command, input);
  std::vector<std::vector<PlanePoint>> lines;
  if (output.size() != input.size()) return lines;
  std::size_t k = 0;
  for (const auto& ring : rings) {
    lines.emplace_back();
    for (std::size_t n = 0; n < ring.size(); ++n, ++k) {
      const auto xy = NumbersOf(output[k]);
      if (xy.size() == 2) lines.back().push_back({xy[0], xy[1]});
    }
  }
  return lines;
}

std::vector<std::vector<PlanePoint>> ReferenceLines(const std::string& chart, const MapCase& map,
                                                    double shiftDeg) {
  return ProjectedByProj(ChartRings(chart, map.countries, shiftDeg), map.centre);
}

struct Agreement {
  double drawnOnChart = 0;     // share of drawn points within `near` of the chart's lines
  double segmentsOnChart = 0;  // share of drawn segments whose middle is within the tolerance
  double chartDrawn = 0;       // share of the chart's visible points within the tolerance of a drawn line
};

// Points of the chart's lines that the map is to show: within the picture and the cap, on
// rings larger than the tolerance.
Agreement Compare(const std::vector<std::vector<PlanePoint>>& drawn,
                  const std::vector<std::vector<PlanePoint>>& chart, const MapCase& map, double near) {
  const double tolerance = map.ToleranceKm();
  PlaneIndex chartIndex(4 * tolerance), drawnIndex(4 * tolerance);
  for (const auto& line : chart) chartIndex.AddLine(line);
  for (const auto& line : drawn) drawnIndex.AddLine(line);
  std::size_t drawnPoints = 0, drawnOn = 0, segments = 0, segmentsOn = 0, chartPoints = 0, chartOn = 0;
  for (const auto& line : drawn) {
    for (std::size_t k = 0; k < line.size(); ++k) {
      ++drawnPoints;
      drawnOn += chartIndex.Distance(line[k]) <= near;
      if (k == 0) continue;
      // A line cut straight across the map has its ends on the chart, but not its middle.
      ++segments;
      segmentsOn += chartIndex.Distance({(line[k - 1].x + line[k].x) / 2, (line[k - 1].y + line[k].y) / 2}) <=
                    tolerance;
    }
  }
  for (const auto& line : chart) {
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (const PlanePoint& p : line) {
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x), minY = std::min(minY, p.y),
      maxY = std::max(maxY, p.y);
    }
    if (std::max(maxX - minX, maxY - minY) < 2 * tolerance) continue;
    for (const PlanePoint& p : line) {
      if (std::fabs(p.x) > map.radiusKm || std::fabs(p.y) > map.radiusKm) continue;
      if (std::hypot(p.x, p.y) > map.VisibleKm() - tolerance) continue;
      ++chartPoints;
      chartOn += drawnIndex.Distance(p) <= tolerance;
    }
  }
  return {drawnPoints ? static_cast<double>(drawnOn) / drawnPoints : 0,
          segments ? static_cast<double>(segmentsOn) / segments : 0,
          chartPoints ? static_cast<double>(chartOn) / chartPoints : 0};
}

class OutlinesOnMap : public testing::TestWithParam<MapCase> {};

TEST_P(OutlinesOnMap, LieOnTheChartAndCoverItWhereAShiftedChartFails) {
  REQUIRE_INSTALLED_OUTLINES();
  const MapCase& map = GetParam();
  const auto folder =
      FreshFolder(std::string("subset_") + std::to_string(testing::UnitTest::GetInstance()->random_seed()) +
                  map.countries.front());
  const std::string chart = (folder / "subset.nc").string();
  ASSERT_TRUE(MakeSubsetChart(chart, kDcwPath, map.countries)) << "ncdump and ncgen (netcdf-bin) are needed";
  PosixFileStore files;
  const OutlineLoad load = LoadCountryOutlines({chart, ""}, files);
  ASSERT_TRUE(load.outlines) << load.problem->detail;
  const auto drawn =
      load.outlines->OnMap(AzimuthalEquidistant(map.centre), map.VisibleKm(), map.ToleranceKm());
  ASSERT_FALSE(drawn.empty());
  double farthest = 0;
  for (const auto& line : drawn) {
    for (const PlanePoint& p : line) farthest = std::max(farthest, std::hypot(p.x, p.y));
  }
  EXPECT_LE(farthest, map.VisibleKm() + 1e-6) << map.what << ": drawn beyond the visible cap";

  const auto reference = ReferenceLines(chart, map, 0);
  ASSERT_FALSE(reference.empty()) << "proj (proj-bin) did not answer";
  // Drawn points are the chart's own points, or lie where a line of a coarser level of detail
  // leaves the cap or bends: within the tolerance of the chart's lines.
  const Agreement same = Compare(drawn, reference, map, map.ToleranceKm());
  EXPECT_EQ(same.drawnOnChart, 1) << map.what;
  EXPECT_EQ(same.segmentsOnChart, 1) << map.what;
  EXPECT_EQ(same.chartDrawn, 1) << map.what;

  const auto shifted =
      ReferenceLines(chart, map, 3 * map.KmPerPx() / 111 / std::cos(map.centre.lat * kRadiansPerDegree));
  const Agreement wrong = Compare(drawn, shifted, map, map.ToleranceKm());
  EXPECT_LT(wrong.drawnOnChart, 0.5) << map.what;
  EXPECT_LT(wrong.chartDrawn, 0.5) << map.what;
}

INSTANTIATE_TEST_SUITE_P(
    Maps, OutlinesOnMap,
    testing::Values(
        MapCase{"Berlin at 3340 km", {52.5, 13.4}, 3340, 1182, {"DE", "PL", "CZ", "DK", "CH", "NO"}},
        MapCase{"Berlin close up", {52.5, 13.4}, 150, 1500, {"DE", "PL"}},
        MapCase{"Fiji, across the 180th meridian", {-17.8, 178}, 1500, 1000, {"FJ", "TO", "WF", "NZ"}},
        MapCase{"the whole Earth from Sydney",
                {-33.87, 151.21},
                20038,
                2048,
                {"NZ", "JP", "PT", "ES", "MA", "CV"}}),
    [](const testing::TestParamInfo<MapCase>& info) { return "Map" + std::to_string(info.index); });

// The chart's lines on the ground, filed by fifths of a degree, for the distance of a place from
// the nearest of them.
class GroundIndex {
 public:
  explicit GroundIndex(const std::vector<std::vector<GeoPoint>>& rings) {
    for (const auto& ring : rings) {
      for (std::size_t k = 0; k + 1 < ring.size(); ++k) {
        // The chart gives some longitudes past 180; places come back from -180 to 180.
        const GeoPoint a{ring[k].lat, WrapLongitude(ring[k].lon)},
            b{ring[k + 1].lat, WrapLongitude(ring[k + 1].lon)};
        segments_.push_back({a, b});
        for (int lat = Cell(std::min(a.lat, b.lat)); lat <= Cell(std::max(a.lat, b.lat)); ++lat) {
          for (int lon = Cell(std::min(a.lon, b.lon)); lon <= Cell(std::max(a.lon, b.lon)); ++lon) {
            cells_[{lat, lon}].push_back(segments_.size() - 1);
          }
        }
      }
    }
  }
  double Km(GeoPoint p) const {
    p.lon = WrapLongitude(p.lon);
    double best = INFINITY;
    for (int lat = Cell(p.lat) - 1; lat <= Cell(p.lat) + 1; ++lat) {
      for (int lon = Cell(p.lon) - 1; lon <= Cell(p.lon) + 1; ++lon) {
        const auto found = cells_.find({lat, lon});
        if (found == cells_.end()) continue;
        for (std::size_t s : found->second)
          best = std::min(best, KmFromArc(p, segments_[s].first, segments_[s].second));
      }
    }
    return best;
  }

 private:
  // A fifth of a degree: a cell and its neighbours reach farther than the tolerance up to 60
  // degrees of latitude.
  static int Cell(double degrees) { return static_cast<int>(std::floor(degrees * 5)); }
  std::vector<std::pair<GeoPoint, GeoPoint>> segments_;
  std::map<std::pair<int, int>, std::vector<std::size_t>> cells_;
};

// On whole-Earth maps centred on the antipode of `beside`, a place on or by the countries'
// outline: every drawn point and every middle of a drawn segment, taken back to the ground,
// lies on the chart's lines (a line cut across the map has its middle far from them); nothing
// is drawn in the sliver of half a tolerance at the rim; every point of the chart is drawn,
// but for islands too small to see and that sliver.
void ExpectTheRimFollowed(
    const std::string& name, const std::vector<std::string>& countries,
    const std::function<std::vector<GeoPoint>(const std::vector<std::vector<GeoPoint>>&)>& beside) {
  const auto folder = FreshFolder(name);
  const std::string chart = (folder / "chart.nc").string();
  ASSERT_TRUE(MakeSubsetChart(chart, kDcwPath, countries))
      << "gmt-dcw, ncdump and ncgen (netcdf-bin) are needed";
  PosixFileStore files;
  const OutlineLoad load = LoadCountryOutlines({chart, ""}, files);
  ASSERT_TRUE(load.outlines) << load.problem->detail;
  const auto rings = ChartRings(chart, countries, 0);
  const GroundIndex ground(rings);

  constexpr double kRadiusKm = 20038, kSizePx = 2048;
  const double tolerance = kRadiusKm / (kSizePx / 2) / 2;
  for (const GeoPoint& place : beside(rings)) {
    const GeoPoint centre{-place.lat, WrapLongitude(place.lon + 180)};
    const AzimuthalEquidistant map(centre);
    const auto drawn = load.outlines->OnMap(map, kRadiusKm * std::sqrt(2.0), tolerance);
    ASSERT_FALSE(drawn.empty());
    PlaneIndex drawnIndex(4 * tolerance);
    double worst = 0, outermost = 0;
    for (const auto& line : drawn) {
      drawnIndex.AddLine(line);
      for (std::size_t k = 0; k < line.size(); ++k) {
        outermost = std::max(outermost, std::hypot(line[k].x, line[k].y));
        const PlanePoint middle =
            k == 0 ? line[k] : PlanePoint{(line[k - 1].x + line[k].x) / 2, (line[k - 1].y + line[k].y) / 2};
        const std::optional<GeoPoint> at = map.Inverse(middle.x, middle.y);
        ASSERT_TRUE(at) << "drawn beyond the rim";
        worst = std::max(worst, ground.Km(*at));
      }
    }
    const std::string where = "centre " + std::to_string(centre.lat) + ", " + std::to_string(centre.lon);
    EXPECT_LE(worst, tolerance) << where;
    EXPECT_LE(outermost, kHalfCircumferenceKm - tolerance / 2 + 1e-6) << where;
    std::size_t missed = 0, points = 0;
    for (const auto& ring : rings) {
      std::vector<PlanePoint> at;
      double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
      for (const GeoPoint& p : ring) {
        at.push_back(map.Forward(p));
        minX = std::min(minX, at.back().x), maxX = std::max(maxX, at.back().x);
        minY = std::min(minY, at.back().y), maxY = std::max(maxY, at.back().y);
      }
      if (std::max(maxX - minX, maxY - minY) < 2 * tolerance) continue;
      for (const PlanePoint& p : at) {
        if (std::hypot(p.x, p.y) > kHalfCircumferenceKm - tolerance) continue;
        ++points;
        missed += drawnIndex.Distance(p) > tolerance;
      }
    }
    EXPECT_EQ(missed, 0u) << "of " << points << " points, " << where;
  }
}

Vec3 Unit(const Vec3& v) {
  const double length = std::sqrt(Dot(v, v));
  return {v.x / length, v.y / length, v.z / length};
}

// Spain's outline through the antipode, and passing it a little way off.
TEST(OutlinesNearTheAntipode, FollowTheRimWhereAnOutlinePassesThroughIt) {
  ExpectTheRimFollowed("antipode_vertex", {"ES", "PT"}, [](const auto& rings) {
    const auto& mainland = *std::max_element(
        rings.begin(), rings.end(), [](const auto& a, const auto& b) { return a.size() < b.size(); });
    const GeoPoint vertex = mainland[mainland.size() / 3];
    std::vector<GeoPoint> places;
    for (const double offDeg : {0.0, 0.0005, 0.05, 0.3}) places.push_back({vertex.lat + offDeg, vertex.lon});
    return places;
  });
}

// Somalia's border with Ethiopia runs 465 km without a point between. Passing the antipode
// 20 km off, the projection bends it half round the rim; 3 km off, within the sliver, it is
// broken there; its ends are inside the map both times.
TEST(OutlinesNearTheAntipode, BendALongStraightBorderRoundTheRim) {
  ExpectTheRimFollowed("antipode_border", {"SO"}, [](const auto& rings) {
    GeoPoint a, b;
    double longest = 0;
    for (const auto& ring : rings) {
      for (std::size_t k = 0; k + 1 < ring.size(); ++k) {
        const double km =
            std::acos(std::min(1.0, Dot(UnitVector(ring[k]), UnitVector(ring[k + 1])))) * kEarthRadiusKm;
        if (km > longest) longest = km, a = ring[k], b = ring[k + 1];
      }
    }
    EXPECT_GT(longest, 300);
    const Vec3 va = UnitVector(a), vb = UnitVector(b);
    const Vec3 middle = Unit({va.x + vb.x, va.y + vb.y, va.z + vb.z});
    const Vec3 across =
        Unit({va.y * vb.z - va.z * vb.y, va.z * vb.x - va.x * vb.z, va.x * vb.y - va.y * vb.x});
    std::vector<GeoPoint> places;
    for (const double offKm : {20.0, 3.0, -8.0}) {
      const double d = offKm / kEarthRadiusKm;
      places.push_back(PointOfVector({std::cos(d) * middle.x + std::sin(d) * across.x,
                                      std::cos(d) * middle.y + std::sin(d) * across.y,
                                      std::cos(d) * middle.z + std::sin(d) * across.z}));
    }
    return places;
  });
}

}  // namespace
