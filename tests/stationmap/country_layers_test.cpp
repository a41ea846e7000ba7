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

void NeedGuiApplication() {
  static int argc = 1;
  static char name[] = "test";
  static char* argv[] = {name};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication application(argc, argv);
}

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
  NeedGuiApplication();
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
  request.data.outlineCacheFolder = folder.PathOf("cache");
  request.outPath = folder.PathOf("plain.bmp");
  ASSERT_TRUE(MakeStationMap(request).ok);
  request.countries = true;
  request.outPath = folder.PathOf("outlined.bmp");
  std::vector<std::string> phases;
  const StationMapResult result = MakeStationMap(request, [&](std::string_view phase, double) {
    if (phases.empty() || phases.back() != phase) phases.emplace_back(phase);
    return true;
  });
  ASSERT_TRUE(result.ok) << result.problem;
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

}  // namespace
