// The operator's layers of a station map: every station's dot and short path, distances
// against PROJ's geod on the WGS84 ellipsoid, the grey-line fan against the sunrise azimuth
// worked out from the sun's declination, the beam, and the requests refused.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>

#include "geo/greyline_fan.h"
#include "geo/reference_tool.h"
#include "stationmap/overlay_drawing.h"
#include "stationmap/overlay_plan.h"
#include "stationmap/station_layers.h"
#include "stationmap/station_map.h"

namespace {

constexpr double kDeg = std::numbers::pi / 180;

StationMapRequest Around(GeoPoint centre, double radiusKm = 5000, int size = 800) {
  StationMapRequest request;
  request.centre = centre;
  request.radiusKm = radiusKm;
  request.size = size;
  request.imagePath = "earth.jpg";
  request.outPath = "map.png";
  return request;
}

// The bearing of a line on the map, clockwise from up.
double BearingOf(const PixelPoint& from, const PixelPoint& to) {
  return std::fmod(std::atan2(to.x - from.x, from.y - to.y) / kDeg + 360, 360);
}

double AxisDifference(double a, double b) {
  const double d = std::fmod(std::fabs(a - b), 180);
  return std::min(d, 180 - d);
}

TEST(Stations, EveryDotStaysThePathsLeaveTheCentreAndOnlyShownStationsAreLabelled) {
  StationMapRequest request = Around({52.5, 13.4}, 2000);
  request.targets = {{{52.5, 13.4}, "HOME", "52.5,13.4", 1},
                     {{40.7, -74.0}, "K2NY", "40.7,-74", 2},
                     {{48.1, 11.6}, "DL1MUC", "JN58", 3}};
  const OverlayPlan plan = PlanOverlays(request, 12);
  ASSERT_EQ(plan.stationDots.size(), 3u);
  ASSERT_EQ(plan.stationPaths.size(), 2u);  // none to the station at the centre
  for (const auto& path : plan.stationPaths) {
    EXPECT_DOUBLE_EQ(path.front().x, 400);
    EXPECT_DOUBLE_EQ(path.front().y, 400);
  }
  ASSERT_EQ(plan.stationLabels.size(), 2u);  // New York is far off a 2000 km map
  EXPECT_EQ(plan.stationLabels[1].text, "DL1MUC");
  EXPECT_DOUBLE_EQ(plan.stationLabels[1].at.x, plan.stationDots[2].x);
  // Munich lies south-south-west of Berlin: 195.4 degrees on the ellipsoid (geod).
  EXPECT_NEAR(BearingOf(plan.centre, plan.stationDots[2]), 195.4, 0.2);
}

TEST(Stations, DistancesAndBearingsAreTheEllipsoidsAsGeodHasThem) {
  StationMapRequest request = Around({52.5, 13.4});
  request.targets = {
      {{-33.87, 151.21}, "VK2", "", 1}, {{64.1, -21.9}, "TF", "", 2}, {{-54.8, -68.3}, "LU", "", 3}};
  const std::vector<StationTableRow> rows = StationTableRows(request);
  std::vector<std::string> input;
  for (const StationTableRow& row : rows)
    input.push_back("52.5 13.4 " + std::to_string(row.place.lat) + " " + std::to_string(row.place.lon));
  const auto output = RunReferenceTool("geod +ellps=WGS84 -I +units=km -f %.6f", input);
  ASSERT_EQ(output.size(), rows.size()) << "geod (proj-bin) did not run";
  for (std::size_t k = 0; k < rows.size(); ++k) {
    const std::vector<double> geod = NumbersOf(output[k]);
    ASSERT_EQ(geod.size(), 3u) << output[k];
    EXPECT_NEAR(rows[k].distanceKm, geod[2], 1e-3) << rows[k].label;
    const double turn = std::fmod(rows[k].shortPathDeg - geod[0] + 720, 360);
    EXPECT_NEAR(std::min(turn, 360 - turn), 0, 1e-4) << rows[k].label;
  }
  const std::vector<std::string> lines = StationLines(request);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].rfind("Target TF: ", 0), 0u) << lines[1];
}

// The sun's declination by the almanac's low-precision formulae, good to a hundredth of a degree.
double Declination(double unixTime) {
  const double d = unixTime / 86400.0 - 10957.5;
  const double g = (357.529 + 0.98560028 * d) * kDeg;
  const double q = 280.459 + 0.98564736 * d;
  const double l = (q + 1.915 * std::sin(g) + 0.020 * std::sin(2 * g)) * kDeg;
  const double e = (23.439 - 0.00000036 * d) * kDeg;
  return std::asin(std::sin(e) * std::sin(l)) / kDeg;
}

TEST(GreylineFan, EachLineIsAtRightAnglesToTheSunriseOrSunsetAzimuthAndLabelledWithItsMonth) {
  const GeoPoint station{52.5, 13.4};
  StationMapRequest request = Around(station);
  request.greylineFanYear = 2026;
  const OverlayPlan plan = PlanOverlays(request, 12);
  ASSERT_EQ(plan.fan.size(), 24u);
  for (std::size_t k = 0; k < plan.fan.size(); ++k) {
    const FanLine& line = plan.fan[k];
    const int month = static_cast<int>(k / 2) + 1;
    // The 21st at the station's 6 and 18 hours of local mean time: near enough its sunrise and
    // sunset for the declination, which moves at most 0.4 degrees a day.
    const double days =
        std::chrono::sys_days(std::chrono::year(2026) / month / 21).time_since_epoch().count();
    const double unixTime = days * 86400 + (line.rise ? 6 : 18) * 3600 - station.lon * 240;
    const double riseAzimuth =
        std::acos(std::sin(Declination(unixTime) * kDeg) / std::cos(station.lat * kDeg)) / kDeg;
    const double sunAzimuth = line.rise ? riseAzimuth : 360 - riseAzimuth;
    EXPECT_NEAR(AxisDifference(BearingOf(line.line[0], line.line[1]), sunAzimuth + 90), 0, 0.1) << k;
    EXPECT_EQ(line.label.text, std::string(MonthName(month)) + (line.rise ? " rise" : " set"));
  }
  EXPECT_TRUE(GreylineFanNotes(request).empty());
}

TEST(GreylineFan, MonthsWithoutSunriseAreLeftOutAndNamed) {
  StationMapRequest request = Around({78.2, 15.6});  // Svalbard
  request.greylineFanYear = 2026;
  const OverlayPlan plan = PlanOverlays(request, 12);
  for (const FanLine& line : plan.fan) {
    EXPECT_EQ(line.label.text.find("June"), std::string::npos);
    EXPECT_EQ(line.label.text.find("December"), std::string::npos);
  }
  const std::vector<std::string> notes = GreylineFanNotes(request);
  ASSERT_FALSE(notes.empty());
  EXPECT_EQ(plan.fan.size(), 24 - 2 * notes.size());
  EXPECT_NE(notes.front().find("stays"), std::string::npos);
  bool june = false, december = false;
  for (const std::string& note : notes) {
    june |= note.find("June left out, the sun stays above") != std::string::npos;
    december |= note.find("December left out, the sun stays below") != std::string::npos;
  }
  EXPECT_TRUE(june && december);
}

TEST(Beam, TheWedgeSpansItsWidthAboutTheAzimuth) {
  StationMapRequest request = Around({52.5, 13.4});
  request.beam = MapBeam{350, 40};
  const OverlayPlan plan = PlanOverlays(request, 12);
  ASSERT_TRUE(plan.beam);
  const auto& outline = plan.beam->outline;
  EXPECT_NEAR(BearingOf(plan.centre, outline[1]), 330, 1e-6);
  EXPECT_NEAR(BearingOf(plan.centre, outline.back()), 10, 1e-6);
  EXPECT_EQ(plan.beam->label.text, "Beam 350\u00b0");
}

TEST(Requests, OperatorLayersOutOfRangeAreRefusedNamingTheField) {
  using Field = StationMapField;
  const auto field = [](auto change) {
    StationMapRequest request = Around({52.5, 13.4});
    change(request);
    const auto problem = CheckStationMapRequest(request);
    return problem ? std::optional(problem->field) : std::nullopt;
  };
  EXPECT_EQ(field([](StationMapRequest& r) { r.beam = MapBeam{360, 60}; }), Field::Beam);
  EXPECT_EQ(field([](StationMapRequest& r) { r.beam = MapBeam{10, 0}; }), Field::Beam);
  const auto dpi = [](int dpi) {
    return [dpi](StationMapRequest& r) {
      r.outPath = "map.pdf";
      r.page = MapPage::A4;
      r.dpi = dpi;
    };
  };
  EXPECT_EQ(field(dpi(49)), Field::Dpi);
  EXPECT_EQ(field(dpi(1201)), Field::Dpi);
  EXPECT_EQ(field([](StationMapRequest& r) {
              r.outPath = "map.svg";
              r.dpi = 300;
            }),
            Field::Dpi);
  EXPECT_EQ(field([](StationMapRequest& r) {
              r.outPath = "map.svg";
              r.page = MapPage::A4;
            }),
            Field::Page);
  EXPECT_EQ(field([](StationMapRequest& r) { r.title = std::string(201, 'x'); }), Field::Title);
  EXPECT_EQ(field([](StationMapRequest& r) { r.tablePath = "t.csv"; }), Field::Table);
  EXPECT_EQ(field([](StationMapRequest& r) {
              r.outPath = "map.pdf";
              r.page = MapPage::A1;
              r.dpi = 1200;
              r.beam = MapBeam{0, 360};
            }),
            std::nullopt);
}

}  // namespace
