// The station map's country layers as an operator gets them: coasts and borders drawn where
// the chart has them (read by ncdump, projected by PROJ), labels that never overlap and stand
// where their places are, the Maidenhead grid on its degrees, distances in the operator's
// unit, and a missing data package named in one line.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cmath>
#include <cstdio>
#include <map>

#include "draw/qt_text_shaper.h"
#include "geo/distance_unit.h"
#include "geo/reference_tool.h"
#include "geodata/chart_tools.h"
#include "geodata/outline_preparer.h"
#include "geodata/plane_index.h"
#include "mapout/bmp_encoder.h"
#include "mapout/bmp_reader.h"
#include "render/scratch_folder.h"
#include "stationmap/overlay_drawing.h"
#include "stationmap/overlay_plan.h"
#include "stationmap/station_map.h"

namespace {

// Labels are measured with Qt's fonts.
struct GuiApplication {
  GuiApplication() {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  int argc = 1;
  char name[5] = "test";
  char* argv[1] = {name};
  QGuiApplication application{argc, argv};
};

StationMapRequest RequestAround(GeoPoint centre, double radiusKm, int size) {
  StationMapRequest request;
  request.centre = centre;
  request.radiusKm = radiusKm;
  request.size = size;
  request.data.outlinePreparer = std::string(SKERROWEN_BINARY_DIR) + "/" + kOutlinePreparerName;
  return request;
}

struct OutlineCase {
  const char* name;
  GeoPoint centre;
  double radiusKm;
  int size;
  std::vector<std::string> countries;
};

void PrintTo(const OutlineCase& row, std::ostream* out) { *out << row.name; }

// The countries' rings as ncdump reads the chart, in pixels of the map as PROJ's aeqd puts them.
std::vector<std::vector<PlanePoint>> ChartInPixels(const std::string& chart, const OutlineCase& map) {
  const std::string header = DumpedHeader(chart);
  std::vector<std::string> names;
  for (const std::string& code : map.countries) names.insert(names.end(), {code + "_lon", code + "_lat"});
  const auto arrays = DumpedArrays(chart, names);
  std::vector<std::string> input;
  std::vector<std::size_t> ringStarts;
  for (const std::string& code : map.countries) {
    const std::vector<unsigned>& lon = arrays.at(code + "_lon");
    const std::vector<unsigned>& lat = arrays.at(code + "_lat");
    const double lonMin = DumpedAttribute(header, code + "_lon:min"),
                 lonScale = DumpedAttribute(header, code + "_lon:scale");
    const double latMin = DumpedAttribute(header, code + "_lat:min"),
                 latScale = DumpedAttribute(header, code + "_lat:scale");
    for (std::size_t k = 0; k < lon.size(); ++k) {
      if (lon[k] == 65535 || k == 0) ringStarts.push_back(input.size());
      if (lon[k] == 65535) continue;
      char line[64];
      std::snprintf(line, sizeof line, "%.9f %.9f", lonMin + lon[k] / lonScale, latMin + lat[k] / latScale);
      input.push_back(line);
    }
  }
  char command[200];
  std::snprintf(command, sizeof command,
                "proj +proj=aeqd +R=6378137 +lat_0=%.9f +lon_0=%.9f +units=km -f %%.6f", map.centre.lat,
                map.centre.lon);
  const auto output = RunReferenceTool(command, input);
  std::vector<std::vector<PlanePoint>> rings;
  if (output.size() != input.size()) return rings;
  const double scale = map.size / 2.0 / map.radiusKm;
  for (std::size_t k = 0; k < output.size(); ++k) {
    if (rings.empty() || (!ringStarts.empty() && ringStarts.front() == k)) {
      rings.emplace_back();
      while (!ringStarts.empty() && ringStarts.front() <= k) ringStarts.erase(ringStarts.begin());
    }
    const auto xy = NumbersOf(output[k]);
    rings.back().push_back({map.size / 2.0 + xy.at(0) * scale, map.size / 2.0 - xy.at(1) * scale});
  }
  return rings;
}

struct PixelAgreement {
  double drawnNearChart = 0;  // share of changed pixels near the chart's lines
  double chartCovered = 0;    // share of the chart's points that fall on changed pixels
};

// Within 120 degrees of the centre, where the projection bends a segment of the chart less
// than a hundredth of a pixel; what lies beyond, round the antipode, the outlines' own tests
// follow.
PixelAgreement Compare(const Picture& plain, const Picture& marked,
                       const std::vector<std::vector<PlanePoint>>& chart, const OutlineCase& map,
                       double shiftPx) {
  const double half = map.size / 2.0, reach = 120 * kRadiansPerDegree * kEarthRadiusKm * half / map.radiusKm;
  const auto inView = [&](const PlanePoint& p) {
    return p.x >= 2 && p.y >= 2 && p.x <= map.size - 2 && p.y <= map.size - 2 &&
           std::hypot(p.x - half, p.y - half) < reach;
  };
  const auto changed = [&](int x, int y) {
    const std::uint32_t a = plain.pixels[y * map.size + x], b = marked.pixels[y * map.size + x];
    int sum = 0;
    for (const int shift : {0, 8, 16})
      sum += std::abs(static_cast<int>(a >> shift & 255) - static_cast<int>(b >> shift & 255));
    return sum > 12;
  };
  PlaneIndex index(8);
  std::size_t points = 0, covered = 0;
  for (auto ring : chart) {
    double minX = INFINITY, maxX = -INFINITY, minY = INFINITY, maxY = -INFINITY;
    for (PlanePoint& p : ring) {
      p.x += shiftPx;
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x), minY = std::min(minY, p.y),
      maxY = std::max(maxY, p.y);
    }
    index.AddLine(ring);
    if (std::max(maxX - minX, maxY - minY) < 2) continue;  // islands below a pixel or two are left out
    for (const PlanePoint& p : ring) {
      if (!inView(p)) continue;
      ++points;
      covered += changed(static_cast<int>(p.x), static_cast<int>(p.y));
    }
  }
  // The line, its halo and their anti-aliased rims; each half a pixel from the chart at most.
  const double near = 1.3 * std::sqrt(map.size / 600.0) + 1.5;
  std::size_t drawn = 0, nearChart = 0;
  for (int y = 0; y < map.size; ++y) {
    for (int x = 0; x < map.size; ++x) {
      const PlanePoint p{x + 0.5, y + 0.5};
      if (!inView(p) || !changed(x, y)) continue;
      ++drawn;
      nearChart += index.Distance(p) <= near;
    }
  }
  return {drawn ? static_cast<double>(nearChart) / drawn : 0,
          points ? static_cast<double>(covered) / points : 0};
}

class CountryOutlinesOnTheMap : public testing::TestWithParam<OutlineCase> {};

TEST_P(CountryOutlinesOnTheMap, CoverTheChartsLinesAndNothingElseWhereAShiftedChartFails) {
  const OutlineCase& map = GetParam();
  ScratchFolder folder;
  const std::string chart = folder.PathOf("chart.nc");
  ASSERT_TRUE(MakeSubsetChart(chart, kDcwPath, map.countries))
      << "gmt-dcw, ncdump and ncgen (netcdf-bin) are needed";
  // A uniform grey Earth, so that only the outlines change pixels.
  const std::vector<std::uint32_t> grey(512 * 256, 0x808080);
  folder.Write("grey.bmp", EncodeBmp24(grey.data(), 512, 256));

  StationMapRequest request = RequestAround(map.centre, map.radiusKm, map.size);
  request.imagePath = folder.PathOf("grey.bmp");
  request.data.chartPath = chart;
  request.data.cacheFolder = folder.PathOf("cache");
  request.outPath = folder.PathOf("plain.bmp");
  ASSERT_TRUE(MakeStationMap(request).ok);
  request.countries = true;
  request.outPath = folder.PathOf("outlined.bmp");
  std::vector<std::string> phases;
  const StationMapResult result = MakeStationMap(request, [&](std::string_view phase, double) {
    if (phases.empty() || phases.back() != phase) phases.emplace_back(phase);
    return true;
  });
  ASSERT_TRUE(result.ok) << (result.problem ? result.problem->why : "");
  ASSERT_FALSE(phases.empty());
  EXPECT_EQ(phases.front(), "Preparing") << "the first map with outlines prepares their copy";
  const Picture plain = ReadBmpFile(folder.PathOf("plain.bmp")).value_or(Picture{});
  const Picture outlined = ReadBmpFile(request.outPath).value_or(Picture{});
  ASSERT_EQ(outlined.pixels.size(), plain.pixels.size());
  ASSERT_EQ(plain.pixels.size(), static_cast<std::size_t>(map.size) * map.size);

  const auto lines = ChartInPixels(chart, map);
  ASSERT_FALSE(lines.empty()) << "proj (proj-bin) did not answer";
  const PixelAgreement same = Compare(plain, outlined, lines, map, 0);
  EXPECT_GT(same.drawnNearChart, 0.999) << map.name;
  EXPECT_GT(same.chartCovered, 0.99) << map.name;
  const PixelAgreement shifted = Compare(plain, outlined, lines, map, 12);
  EXPECT_LT(shifted.drawnNearChart, 0.5) << map.name;
  EXPECT_LT(shifted.chartCovered, 0.5) << map.name;
  std::printf("%s: drawn near the chart %.4f, chart covered %.4f; shifted %.3f, %.3f\n", map.name,
              same.drawnNearChart, same.chartCovered, shifted.drawnNearChart, shifted.chartCovered);
  if (HasFailure())
    std::filesystem::copy_file(request.outPath, testing::TempDir() + "outlines_" + map.name + ".bmp");

  request.outPath = folder.PathOf("again.bmp");
  phases.clear();
  ASSERT_TRUE(MakeStationMap(request, [&](std::string_view phase, double) {
                phases.emplace_back(phase);
                return true;
              }).ok);
  EXPECT_EQ(std::count(phases.begin(), phases.end(), "Preparing"), 0) << "the copy is prepared only once";
}

INSTANTIATE_TEST_SUITE_P(
    Maps, CountryOutlinesOnTheMap,
    testing::Values(OutlineCase{"Europe", {52.52, 13.4}, 3340, 1182, {"DE", "PL", "CZ", "CH", "IT"}},
                    OutlineCase{"Fiji", {-17.8, 178}, 1500, 1000, {"FJ", "TO", "WF"}},
                    OutlineCase{"WholeEarth", {-33.87, 151.21}, 20038, 1024, {"NZ", "JP", "MX"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every label of a busy map, read back from the draw list: the ink of each, with its halo,
// inside the picture and clear of every other; and the prefixes where their entities are.
TEST(Labels, NoTwoTouchAndAllStayInsideTheMapWithThePrefixesAtTheirPlaces) {
  GuiApplication gui;
  const DxccTable table = ReadDxccEntities();
  ASSERT_FALSE(table.problem) << "hamradio-files is needed";
  QtTextShaper text;
  struct Case {
    double radiusKm;
    int size;
    std::map<std::string, double> bearings;  // prefix -> its rough bearing from Berlin
  };
  for (const Case& map : {Case{20038, 1182, {{"K", 310}, {"BY", 60}, {"VK", 85}, {"ZS", 180}, {"PY", 240}}},
                          Case{1200, 700, {{"DL", 245}, {"OZ", 330}, {"SP", 90}, {"OK", 165}}}}) {
    StationMapRequest request = RequestAround({52.52, 13.4}, map.radiusKm, map.size);
    request.prefixes = request.fields = true;
    request.ringsKm = map.radiusKm / 4;
    request.spokesDeg = 15;
    request.target = MapTarget{{-33.87, 151.21}, "Sydney"};
    const OverlayPlan plan = PlanOverlays(request, LabelPixels(map.size) * 1.2, {nullptr, table.entities});
    const std::size_t offered = plan.spokeLabels.size() + plan.rings.size() + 1 + plan.prefixes.size() +
                                plan.fieldLabels.size() + plan.squareLabels.size();
    const DrawList list = OverlayDrawList(plan, text);
    std::vector<InkBox> boxes;
    std::map<std::string, InkBox> placed;
    for (const DrawItem& item : list.items) {
      const auto* batch = std::get_if<LabelBatch>(&item);
      if (batch == nullptr) continue;
      for (const Label& label : batch->labels) {
        InkBox box = InkBoxOf(label, text.Measure(label.text, batch->text));
        placed[label.text] = box;
        const double halo = batch->halo.width / 2;
        boxes.push_back({box.left - halo, box.top - halo, box.width + 2 * halo, box.height + 2 * halo});
      }
    }
    EXPECT_GT(boxes.size(), 40u);
    EXPECT_LT(boxes.size(), offered) << "a map this busy leaves labels out";
    for (std::size_t a = 0; a < boxes.size(); ++a) {
      const InkBox& p = boxes[a];
      EXPECT_TRUE(p.left >= 0 && p.top >= 0 && p.left + p.width <= map.size && p.top + p.height <= map.size)
          << "label " << a << " reaches out of the map";
      for (std::size_t b = a + 1; b < boxes.size(); ++b) {
        const InkBox& q = boxes[b];
        EXPECT_FALSE(p.left < q.left + q.width && q.left < p.left + p.width && p.top < q.top + q.height &&
                     q.top < p.top + p.height)
            << "labels " << a << " and " << b << " overlap";
      }
    }
    EXPECT_EQ(std::count_if(placed.begin(), placed.end(),
                            [](const auto& label) { return label.first.starts_with("Sydney "); }),
              1)
        << "the map's own labels come first";
    for (const auto& [prefix, bearing] : map.bearings) {
      ASSERT_TRUE(placed.contains(prefix)) << prefix << " gave way, though it outweighs its neighbours";
      const InkBox& box = placed[prefix];
      const double x = box.left + box.width / 2 - map.size / 2.0,
                   y = map.size / 2.0 - (box.top + box.height / 2);
      const double seen = std::fmod(std::atan2(x, y) / kRadiansPerDegree + 360, 360);
      EXPECT_LT(std::fabs(std::remainder(seen - bearing, 360)), 20)
          << prefix << " stands at bearing " << seen;
    }
  }
}

// The Maidenhead grid on its degrees: every point of a field's edge on a multiple of 20 degrees
// of longitude or 10 of latitude, of a square's on 2 or 1; every field edge the map shows
// drawn, the middle of each chord on its line too, round the antipode of a whole-Earth map as
// well; the squares' labels on both sides of the 180th meridian, and none on larger maps.
TEST(Maidenhead, EdgesLieOnTheirDegreesAndAreAllDrawnAcrossTheAntimeridian) {
  const auto onMultiple = [](double value, double step) {
    return std::fabs(std::remainder(value, step)) < 1e-6;
  };
  for (const double radius : {3340.0, 1200.0, 20000.0}) {
    StationMapRequest request = RequestAround({-17.8, 178}, radius, 800);
    request.fields = true;
    const OverlayPlan plan = PlanOverlays(request, 0);
    const double scale = plan.scale;
    const AzimuthalEquidistant projection(request.centre);
    const auto ground = [&](const PixelPoint& p) {
      return *projection.Inverse((p.x - 400) / scale, (400 - p.y) / scale);
    };
    ASSERT_FALSE(plan.fieldEdges.empty());
    for (const auto& line : plan.fieldEdges) {
      for (const PixelPoint& p : line) {
        const GeoPoint at = ground(p);
        ASSERT_TRUE(onMultiple(at.lon, 20) || onMultiple(at.lat, 10)) << at.lat << ", " << at.lon;
      }
    }
    for (const auto& line : plan.squareEdges) {
      for (const PixelPoint& p : line) {
        const GeoPoint at = ground(p);
        ASSERT_TRUE(onMultiple(at.lon, 2) || onMultiple(at.lat, 1)) << at.lat << ", " << at.lon;
      }
    }
    PlaneIndex drawn(4);
    for (const auto& line : plan.fieldEdges) {
      std::vector<PlanePoint> points;
      for (const PixelPoint& p : line) points.push_back({p.x, p.y});
      drawn.AddLine(points);
    }
    std::size_t seen = 0, missed = 0;
    const auto expectDrawn = [&](const GeoPoint& edge) {
      const PlanePoint p = projection.Forward(edge);
      const PlanePoint px{400 + p.x * scale, 400 - p.y * scale};
      if (px.x < 2 || px.y < 2 || px.x > 798 || px.y > 798) return;
      ++seen;
      missed += drawn.Distance(px) > 0.75;
    };
    for (double along = -179.75; along < 180; along += 0.25) {
      for (double lon = -180; lon < 180; lon += 20) {
        if (std::fabs(along) < 89.9) expectDrawn({along, lon});
      }
      for (double lat = -80; lat < 90; lat += 10) expectDrawn({lat, along});
    }
    EXPECT_GT(seen, 200u);
    EXPECT_EQ(missed, 0u) << "of " << seen;
    double worst = 0;
    for (const auto& line : plan.fieldEdges) {
      for (std::size_t i = 1; i < line.size(); ++i) {
        const PixelPoint m{(line[i - 1].x + line[i].x) / 2, (line[i - 1].y + line[i].y) / 2};
        const GeoPoint at = ground(m);
        const auto pixelOf = [&](const GeoPoint& on) {
          const PlanePoint p = projection.Forward(on);
          return std::hypot(400 + p.x * scale - m.x, 400 - p.y * scale - m.y);
        };
        const auto nearest = [&](const auto& on, double around) {
          double best = 1e9, bestAt = around;
          for (double step : {0.02, 5e-4, 1.25e-5}) {
            const double from = bestAt;
            for (int k = -40; k <= 40; ++k) {
              const double d = pixelOf(on(from + k * step));
              if (d < best) best = d, bestAt = from + k * step;
            }
          }
          return best;
        };
        const double meridian = std::round(at.lon / 20) * 20, parallel = std::round(at.lat / 10) * 10;
        const double best = std::min(nearest(
                                         [&](double lat) {
                                           return GeoPoint{lat, meridian};
                                         },
                                         at.lat),
                                     nearest(
                                         [&](double lon) {
                                           return GeoPoint{parallel, lon};
                                         },
                                         at.lon));
        worst = std::max(worst, best);
      }
    }
    EXPECT_LT(worst, 0.25) << "the middle of a chord strays that far, in pixels";
    std::vector<std::string> squares;
    for (const MapLabel& label : plan.squareLabels) squares.push_back(label.text);
    const bool near = radius <= kMaidenheadSquaresUpToKm;
    EXPECT_EQ(std::count(squares.begin(), squares.end(), "RH92"), near ? 1 : 0);  // Viti Levu, 178 E
    EXPECT_EQ(std::count(squares.begin(), squares.end(), "AH02"), near ? 1 : 0);  // just east of 180
    EXPECT_EQ(plan.squareEdges.empty(), !near);
  }
}

// Rings, their labels, the target's label and its line in statute and nautical miles; the
// target line against geod's WGS84 geodesics from London to Sydney (16989.296 km at 60.3617
// degrees) and to its antipode (3024.544 km at -119.1865), the long path going that way.
TEST(Units, RingsLabelsAndTheTargetLineInTheOperatorsUnit) {
  EXPECT_EQ(DistanceUnitOf("KM"), DistanceUnit::Kilometre);
  EXPECT_EQ(DistanceUnitOf("mi"), DistanceUnit::StatuteMile);
  EXPECT_EQ(DistanceUnitOf("Nm"), DistanceUnit::NauticalMile);
  EXPECT_FALSE(DistanceUnitOf("miles"));
  EXPECT_FALSE(DistanceUnitOf(""));

  StationMapRequest request = RequestAround({51.5074, -0.1278}, 2000, 4000);
  request.units = DistanceUnit::StatuteMile;
  request.ringsKm = 500 * kKmPerStatuteMile;
  request.target = MapTarget{{-33.8688, 151.2093}, "Sydney"};
  OverlayPlan plan = PlanOverlays(request, 0);
  ASSERT_GE(plan.rings.size(), 3u);
  EXPECT_EQ(plan.rings[2].label.text, "1500 mi");
  EXPECT_NEAR(plan.rings[2].radiusPx, 1500 * kKmPerStatuteMile * plan.scale, 1e-9);
  EXPECT_EQ(plan.target->label.text, "Sydney 10557 mi");
  request.units = DistanceUnit::NauticalMile;
  request.ringsKm = 0.1 * kKmPerNauticalMile;
  request.radiusKm = 0.5;
  plan = PlanOverlays(request, 0);
  ASSERT_GE(plan.rings.size(), 3u);
  EXPECT_EQ(plan.rings[2].label.text, "0.3 nm");

  const MapTarget sydney{{-33.8688, 151.2093}, "VK2"};
  const GeoPoint london{51.5074, -0.1278};
  EXPECT_EQ(TargetLine(london, sydney),
            "Target VK2: 16989.3 km, short path 60.4\u00b0, long path 240.8\u00b0 (23038.4 km)");
  EXPECT_EQ(TargetLine(london, sydney, DistanceUnit::StatuteMile),
            "Target VK2: 10556.7 mi, short path 60.4\u00b0, long path 240.8\u00b0 (14315.4 mi)");
  EXPECT_EQ(TargetLine(london, sydney, DistanceUnit::NauticalMile),
            "Target VK2: 9173.5 nm, short path 60.4\u00b0, long path 240.8\u00b0 (12439.7 nm)");

  // Too many rings are refused in the unit they were asked in.
  request.units = DistanceUnit::StatuteMile;
  request.radiusKm = 1000;
  request.ringsKm = 0.5 * kKmPerStatuteMile;
  request.imagePath = "earth.jpg";
  request.outPath = "map.png";
  const auto problem = CheckStationMapRequest(request);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->field, StationMapField::Rings);
  EXPECT_EQ(problem->why.rfind("every 0.5 mi would draw ", 0), 0u) << problem->why;
}

// Without its data package a layer's option ends the map with one line naming the package, and
// nothing is written; the window's way leaves the layer out, tells it, and makes the map.
TEST(MissingData, TheOptionNamesThePackageOrTheLayerIsLeftOut) {
  ScratchFolder folder;
  StationMapRequest request = RequestAround({52.52, 13.4}, 1000, 64);
  request.imagePath = SKERROWEN_EARTH_PICTURE;
  request.outPath = folder.PathOf("map.bmp");
  request.data.chartPath = folder.PathOf("no-chart.nc");
  request.data.countryFilePath = folder.PathOf("no-cty.dat");
  request.countries = true;
  StationMapResult result = MakeStationMap(request);
  EXPECT_FALSE(result.ok);
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->field, StationMapField::Countries);
  EXPECT_EQ(result.problem->why, request.data.chartPath + " is missing; install the package gmt-dcw");
  request.countries = false;
  request.prefixes = true;
  result = MakeStationMap(request);
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->field, StationMapField::Prefixes);
  EXPECT_EQ(result.problem->why,
            request.data.countryFilePath + " is missing; install the package hamradio-files");
  EXPECT_FALSE(std::filesystem::exists(request.outPath));

  request.countries = true;
  request.leaveOutMissingData = true;
  result = MakeStationMap(request);
  ASSERT_TRUE(result.ok) << (result.problem ? result.problem->why : "");
  ASSERT_EQ(result.leftOut.size(), 2u);
  EXPECT_EQ(result.leftOut[0].field, StationMapField::Prefixes);
  EXPECT_NE(result.leftOut[0].why.find("install the package hamradio-files"), std::string::npos);
  EXPECT_EQ(result.leftOut[1].field, StationMapField::Countries);
  EXPECT_NE(result.leftOut[1].why.find("install the package gmt-dcw"), std::string::npos);
  EXPECT_TRUE(std::filesystem::exists(request.outPath));
}

// The map makers map the prepared outlines and never load the chart's library and the forty
// behind it; the preparing program does.
TEST(Programs, OnlyThePreparingProgramLinksNetcdf) {
  const auto linksNetcdf = [](const std::string& program) {
    std::string libraries;
    if (FILE* pipe =
            ::popen(("ldd '" + std::string(SKERROWEN_BINARY_DIR) + "/" + program + "'").c_str(), "r")) {
      char buffer[512];
      while (std::fgets(buffer, sizeof buffer, pipe)) libraries += buffer;
      ::pclose(pipe);
    }
    EXPECT_NE(libraries.find("libc.so"), std::string::npos) << "ldd could not read " << program;
    return libraries.find("libnetcdf") != std::string::npos;
  };
  EXPECT_FALSE(linksNetcdf("skerrowen-map"));
  EXPECT_FALSE(linksNetcdf("skerrowen"));
  EXPECT_TRUE(linksNetcdf(kOutlinePreparerName));
}

}  // namespace
