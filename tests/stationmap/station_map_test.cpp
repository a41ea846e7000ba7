// Whole station maps against GDAL's warp of the same picture, and the overlays where a
// person would see them.
#include "stationmap/station_map.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cmath>
#include <fstream>
#include <iterator>

#include "mapout/bmp_encoder.h"
#include "mapout/bmp_reader.h"
#include "render/scratch_folder.h"
#include "stationmap/map_picture_file.h"
#include "stationmap/overlay_plan.h"
#include "support/fakes.h"
#include "support/image_compare.h"

namespace {

std::string ReadWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

Picture MakeMap(const ScratchFolder& folder, StationMapRequest request, const std::string& name) {
  request.imagePath = SKERROWEN_EARTH_PICTURE;
  request.outPath = folder.PathOf(name);
  const StationMapResult result = MakeStationMap(request);
  EXPECT_TRUE(result.ok) << (result.problem ? result.problem->why : "");
  return DecodeBmp(ReadWhole(request.outPath)).value_or(Picture{});
}

// GDAL's warp of the NASA picture to the same azimuthal equidistant square, as grey levels.
std::vector<double> GdalMap(const ScratchFolder& folder, const StationMapRequest& request) {
  char command[1024];
  std::snprintf(command, sizeof command, "sh '%s' '%s' '%s' %.10g %.10g %.10g %d", SKERROWEN_REFERENCE_SCRIPT,
                SKERROWEN_EARTH_PICTURE, folder.Path().c_str(), request.centre.lon, request.centre.lat,
                request.radiusKm, request.size);
  EXPECT_EQ(std::system(command), 0) << command;
  const std::size_t count = static_cast<std::size_t>(request.size) * request.size;
  return GreyOfPlanes(ReadWhole(folder.PathOf("reference.img")), count);
}

struct WholeMapCase {
  const char* name;
  GeoPoint centre;
  double radiusKm;
};

void PrintTo(const WholeMapCase& row, std::ostream* out) { *out << row.name; }

class AgainstGdal : public ::testing::TestWithParam<WholeMapCase> {};

TEST_P(AgainstGdal, TheMapCorrelatesStronglyAndItsMirrorDoesNot) {
  ScratchFolder folder;
  StationMapRequest request;
  request.centre = GetParam().centre;
  request.radiusKm = GetParam().radiusKm;
  request.size = 400;
  const Picture map = MakeMap(folder, request, "map.bmp");
  ASSERT_EQ(map.width, request.size);
  const std::vector<double> reference = GdalMap(folder, request);
  ASSERT_EQ(reference.size(), map.pixels.size()) << "gdalwarp (gdal-bin) made no reference";
  const double straight = Correlation(GreyOfPixels(map.pixels.data(), map.pixels.size()), reference);
  Picture mirrored = map;
  for (int y = 0; y < map.height; ++y) {
    std::reverse(mirrored.pixels.begin() + y * map.width, mirrored.pixels.begin() + (y + 1) * map.width);
  }
  const double eastWest =
      Correlation(GreyOfPixels(mirrored.pixels.data(), mirrored.pixels.size()), reference);
  std::printf("correlation with GDAL's map %.3f, mirrored %.3f\n", straight, eastWest);
  EXPECT_GT(straight, 0.97);
  EXPECT_LT(eastWest, 0.8);
  if (HasFailure()) {
    std::rename(request.outPath.c_str(),
                (std::string(::testing::TempDir()) + "station_map_" + GetParam().name + ".bmp").c_str());
  }
}

INSTANTIATE_TEST_SUITE_P(Maps, AgainstGdal,
                         ::testing::Values(WholeMapCase{"Berlin3340", {52.5208, 13.375}, 3340},
                                           WholeMapCase{"WholeEarthFromSydney", {-33.87, 151.21}, 20038},
                                           WholeMapCase{"NorthPole2000", {90, 0}, 2000}),
                         [](const auto& info) { return std::string(info.param.name); });

int Distance(std::uint32_t a, std::uint32_t b) {
  int sum = 0;
  for (const int shift : {0, 8, 16})
    sum += std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF));
  return sum;
}

TEST(Overlays, TheRingAt1000KmPassesThroughItsPixelsAndLeavesTheRestAlone) {
  int argc = 1;
  char name[] = "test";
  char* argv[] = {name};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication application(argc, argv);
  ScratchFolder folder;
  StationMapRequest request;
  request.centre = {-33.87, 151.21};
  request.radiusKm = 1500;
  request.size = 301;
  const Picture plain = MakeMap(folder, request, "plain.bmp");
  request.ringsKm = 1000;
  const Picture ringed = MakeMap(folder, request, "ringed.bmp");
  ASSERT_EQ(plain.pixels.size(), ringed.pixels.size());
  const OverlayPlan plan = PlanOverlays(request, 0);
  ASSERT_EQ(plan.rings.size(), 2u);  // 1000 and 2000 km; 3000 lies beyond the corners
  ASSERT_EQ(plan.rings[0].label.text, "1000 km");

  const double pixelsPerKm = request.size / (2 * request.radiusKm);
  int onRing = 0, markedOnRing = 0, elsewhere = 0, changedElsewhere = 0;
  for (int y = 0; y < request.size; ++y) {
    for (int x = 0; x < request.size; ++x) {
      const double km = std::hypot(x + 0.5 - request.size / 2.0, y + 0.5 - request.size / 2.0) / pixelsPerKm;
      const std::size_t k = static_cast<std::size_t>(y) * request.size + x;
      const bool changed = Distance(plain.pixels[k], ringed.pixels[k]) > 24;
      const double nearLabel = std::hypot(x - plan.rings[0].label.at.x, y - plan.rings[0].label.at.y);
      if (std::fabs(km - 1000) * pixelsPerKm < 0.5) {
        ++onRing;
        markedOnRing += changed;
      } else if (std::fabs(km - 1000) * pixelsPerKm > 4 && std::fabs(km - 2000) * pixelsPerKm > 4 &&
                 km * pixelsPerKm > 8 && nearLabel > 40) {
        ++elsewhere;
        changedElsewhere += changed;
      }
    }
  }
  EXPECT_GT(onRing, 500);
  EXPECT_GT(markedOnRing, onRing * 95 / 100);
  EXPECT_GT(elsewhere, 40000);
  EXPECT_EQ(changedElsewhere, 0);
}

std::vector<std::string> RingLabels(const OverlayPlan& plan) {
  std::vector<std::string> labels;
  for (const RangeRing& ring : plan.rings) labels.push_back(ring.label.text);
  return labels;
}

// Short-range maps show the distances the operator asked for, not rounded ones.
TEST(Overlays, RingLabelsCarryTheSpacingsDecimals) {
  StationMapRequest request;
  request.size = 4000;  // room for every label
  request.radiusKm = 10;
  request.ringsKm = 2.5;
  EXPECT_EQ(RingLabels(PlanOverlays(request, 0)),
            (std::vector<std::string>{"2.5 km", "5.0 km", "7.5 km", "10.0 km", "12.5 km"}));
  request.radiusKm = 1000;
  request.ringsKm = 333.3;
  EXPECT_EQ(RingLabels(PlanOverlays(request, 0)),
            (std::vector<std::string>{"333.3 km", "666.6 km", "999.9 km", "1333.2 km"}));
  request.ringsKm = 0.1;  // no sum of tenths creeping to 0.30000000000000004
  request.radiusKm = 0.3;
  EXPECT_EQ(RingLabels(PlanOverlays(request, 0)),
            (std::vector<std::string>{"0.1 km", "0.2 km", "0.3 km", "0.4 km"}));
}

// Every great circle through the centre reaches a target at the centre or its antipode: no
// path is drawn through the map, only the place, and the printed line has no bearings.
TEST(Overlays, ATargetAtTheCentreOrItsAntipodeHasNoPath) {
  StationMapRequest request;
  request.centre = {52, 13};
  request.radiusKm = 20038;
  for (const GeoPoint target : {GeoPoint{52, 13}, GeoPoint{-52, -167}}) {
    request.target = MapTarget{target, "here"};
    const OverlayPlan plan = PlanOverlays(request, 0);
    ASSERT_TRUE(plan.target.has_value());
    EXPECT_TRUE(plan.target->shortPath.empty());
    EXPECT_TRUE(plan.target->longPath.empty());
  }
  EXPECT_EQ(TargetLine(request.centre, {{52, 13}, "JO52"}), "Target JO52: 0 km, at the centre");
  EXPECT_EQ(TargetLine(request.centre, {{-52, -167}, "far"}),
            "Target far: 20003.9 km, the antipode: every bearing leads there");
  request.target = MapTarget{{52.1, 13}, "near"};
  EXPECT_EQ(PlanOverlays(request, 0).target->longPath.size(), 2u);
}

// A spacing that would draw more than 1000 lines is refused with one that is taken.
TEST(Overlays, ARefusedSpacingNamesOneThatIsTaken) {
  for (const double radius : {0.5, 10.0, 1000.0, 20038.0}) {
    StationMapRequest request;
    request.radiusKm = radius;
    request.imagePath = "earth.jpg";
    request.outPath = "map.png";
    request.ringsKm = radius / 2000;
    const auto problem = CheckStationMapRequest(request);
    ASSERT_TRUE(problem && problem->field == StationMapField::Rings) << radius;
    const std::size_t give = problem->why.find("so give ");
    ASSERT_NE(give, std::string::npos) << problem->why;
    request.ringsKm = std::stod(problem->why.substr(give + 8));
    EXPECT_FALSE(CheckStationMapRequest(request)) << radius;
    EXPECT_LE(PlanOverlays(request, 0).rings.size(), 1000u);
    EXPECT_GT(PlanOverlays(request, 0).rings.size(), 900u) << "the suggestion is far from the limit";
  }
}

// A full disk while the picture is stored: one message naming the file and the reason, and
// neither file stored.
TEST(Files, APictureThatCannotBeStoredLeavesNoSideFile) {
  ScratchFolder folder;
  MemoryFileStore files;
  StationMapRequest request;
  request.centre = {52.5, 13.4};
  request.radiusKm = 1000;
  request.size = 32;
  request.imagePath = SKERROWEN_EARTH_PICTURE;
  request.outPath = folder.PathOf("full.bmp");
  files.failing.insert(request.outPath);
  std::vector<std::string> phases;
  const StationMapResult result = MakeStationMap(
      request,
      [&](std::string_view phase, double) {
        phases.emplace_back(phase);
        return true;
      },
      &files);
  EXPECT_FALSE(result.ok);
  ASSERT_TRUE(result.problem);
  EXPECT_EQ(result.problem->field, StationMapField::Out);
  EXPECT_NE(result.problem->why.find("cannot write \"" + request.outPath + "\""), std::string::npos)
      << result.problem->why;
  EXPECT_NE(result.problem->why.find("No space left on device"), std::string::npos) << result.problem->why;
  EXPECT_TRUE(files.files.empty());
  ASSERT_FALSE(phases.empty());
  EXPECT_EQ(phases.front(), "Decoding");
  EXPECT_EQ(phases.back(), "Storing");
}

// The plotting display reads the station map's bitmap as it reads the window's maps.
TEST(Files, TheBitmapIsLaidOutAsTheWindowStoresItsMaps) {
  MapCanvas canvas;
  std::string file = MakeBmpFile(17, canvas);
  Picture picture{17, 17, std::vector<std::uint32_t>(17 * 17)};
  for (int y = 0; y < 17; ++y) {
    for (int x = 0; x < 17; ++x) {
      const std::uint32_t pixel =
          static_cast<std::uint32_t>(x * 15) << 16 | static_cast<std::uint32_t>(y * 15) << 8 | 0x5A;
      picture.pixels[y * 17 + x] = pixel;
      std::uint8_t* p = canvas.top + canvas.stride * y + x * 3;
      p[0] = 0x5A, p[1] = static_cast<std::uint8_t>(y * 15), p[2] = static_cast<std::uint8_t>(x * 15);
    }
  }
  EXPECT_EQ(file, EncodeBmp24(picture));
  EXPECT_EQ(DefaultMapPath({52.5, 13.375}, 3340), "MAP_3340_13.375_52.5.BMP");
  EXPECT_EQ(MapSideFileText({-33.87, 151.21}, 500), "Radius : 500\r\nLong   : 151.21\r\nLat    : -33.87\r\n");
  EXPECT_EQ(SideFilePathOf("/maps/station.png"), "/maps/station.DAT");
}

}  // namespace
