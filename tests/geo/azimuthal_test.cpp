// The station maps' projection against PROJ's aeqd on the same sphere (R = 6378137 m).
#include "geo/azimuthal.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "geo/map_sampler.h"
#include "geo/reference_tool.h"

namespace {

struct Case {
  const char* name;
  GeoPoint centre;
};

// The poles as centres, centres on the antimeridian, and an ordinary one.
const Case kCentres[] = {{"Berlin", {52.5208, 13.375}},
                         {"NorthPole", {90, 0}},
                         {"SouthPole", {-90, 40}},
                         {"Antimeridian", {-17.5, 180}},
                         {"AntimeridianWest", {64.8, -180}}};

// Points all round, across the antimeridian, at the poles and close to each centre's antipode.
std::vector<GeoPoint> PointsFor(const GeoPoint& centre) {
  std::vector<GeoPoint> points = {{0, 0},      {45, 90},     {-60, -150},   {89.9, 10},  {-89.9, -10},
                                  {10, 179.9}, {10, -179.9}, {33.9, 151.2}, {40.7, -74}, {-1, 1}};
  const double antiLon = WrapLongitude(centre.lon + 180);
  for (const double off : {0.5, 0.05})
    points.push_back({-centre.lat + (centre.lat > 0 ? off : -off), antiLon});
  return points;
}

std::string ProjCommand(const GeoPoint& centre, bool inverse) {
  char command[256];
  std::snprintf(command, sizeof command,
                "proj %s -f %%.6f +proj=aeqd +lat_0=%.10g +lon_0=%.10g +R=6378137 +units=m",
                inverse ? "-I" : "", centre.lat, centre.lon);
  return command;
}

void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }

class AgainstProj : public ::testing::TestWithParam<Case> {};

TEST_P(AgainstProj, ForwardPlacesAgreeWithinAMetre) {
  const GeoPoint centre = GetParam().centre;
  const std::vector<GeoPoint> points = PointsFor(centre);
  std::vector<std::string> input;
  for (const GeoPoint& p : points) input.push_back(std::to_string(p.lon) + " " + std::to_string(p.lat));
  const auto output = RunReferenceTool(ProjCommand(centre, false), input);
  ASSERT_EQ(output.size(), points.size()) << "proj (proj-bin) did not answer";
  const AzimuthalEquidistant projection(centre);
  for (std::size_t k = 0; k < points.size(); ++k) {
    const auto expected = NumbersOf(output[k]);
    ASSERT_EQ(expected.size(), 2u) << output[k];
    const PlanePoint got =
        projection.Forward({std::stod(input[k].substr(input[k].find(' '))), std::stod(input[k])});
    EXPECT_NEAR(got.x, expected[0] / 1000, 1e-3) << "point " << input[k];
    EXPECT_NEAR(got.y, expected[1] / 1000, 1e-3) << "point " << input[k];
  }
}

TEST_P(AgainstProj, InversePlacesAgreeAndBeyondTheAntipodeIsNothing) {
  const GeoPoint centre = GetParam().centre;
  const std::vector<PlanePoint> plane = {{0, 0},      {1000, 0},     {-2500, 4000}, {7000, -7000},
                                         {0, -15000}, {19000, 5000}, {-20000, 1},   {12, -20037}};
  std::vector<std::string> input;
  for (const PlanePoint& p : plane)
    input.push_back(std::to_string(p.x * 1000) + " " + std::to_string(p.y * 1000));
  const auto output = RunReferenceTool(ProjCommand(centre, true) + " -f %.9f", input);
  ASSERT_EQ(output.size(), plane.size()) << "proj -I did not answer";
  const AzimuthalEquidistant projection(centre);
  for (std::size_t k = 0; k < plane.size(); ++k) {
    const auto expected = NumbersOf(output[k]);
    ASSERT_EQ(expected.size(), 2u) << output[k];
    const auto got = projection.Inverse(plane[k].x, plane[k].y);
    ASSERT_TRUE(got.has_value()) << input[k];
    EXPECT_NEAR(got->lat, expected[1], 1e-7) << "plane " << input[k];
    // At a pole every longitude is the same place.
    if (std::fabs(expected[1]) < 89.999999) {
      EXPECT_NEAR(std::remainder(got->lon - expected[0], 360.0), 0, 1e-7) << "plane " << input[k];
    }
  }
  EXPECT_FALSE(projection.Inverse(20040, 0));
  EXPECT_FALSE(projection.Inverse(-15000, -15000));
}

INSTANTIATE_TEST_SUITE_P(Centres, AgainstProj, ::testing::ValuesIn(kCentres),
                         [](const auto& info) { return std::string(info.param.name); });

// A picture whose texels tell their own column in red, so the map's pixels tell where in
// the picture they were sampled, to compare with where PROJ puts them.
TEST(MapEdge, TheMiddleOfTheRightEdgeLiesAtTheRadiusAsProjPlacesIt) {
  constexpr int kWidth = 256, kHeight = 128, kSize = 16;
  std::vector<std::uint32_t> texels(kWidth * kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) texels[y * kWidth + x] = static_cast<std::uint32_t>(x) << 16;
  }
  MapSampling sampling;
  sampling.centre = {30, 20};
  sampling.radiusKm = 2000;
  sampling.day = {texels.data(), kWidth, kHeight};
  std::vector<std::uint8_t> map(kSize * kSize * 3);
  SampleMap(sampling, {map.data(), kSize * 3, kSize, false});
  // The first and last pixels of the row just above the middle: their centres lie half a
  // pixel inside the radius and half a pixel north.
  const double pixelKm = 2 * sampling.radiusKm / kSize;
  const std::string edge = std::to_string((sampling.radiusKm - pixelKm / 2) * 1000);
  const std::string north = std::to_string(pixelKm / 2 * 1000);
  const auto output = RunReferenceTool(ProjCommand(sampling.centre, true) + " -f %.9f",
                                       {"-" + edge + " " + north, edge + " " + north});
  ASSERT_EQ(output.size(), 2u);
  const auto columnOf = [&](const std::string& line) {
    return (NumbersOf(line)[0] + 180) / 360 * kWidth - 0.5;
  };
  // Half a texel of rounding; a pixel off would be over two texels.
  const std::uint8_t* row = &map[(kSize / 2 - 1) * kSize * 3];
  EXPECT_NEAR(row[0], columnOf(output[0]), 0.6);
  EXPECT_NEAR(row[(kSize - 1) * 3], columnOf(output[1]), 0.6);
}

}  // namespace

namespace {

// Decoding only the rows a map needs must not change the map: a band of the picture gives
// the same pixels as the whole one, for centres near a pole, at the equator and far south.
TEST(PictureBand, TheRowsNeededGiveTheSameMapAsTheWholePicture) {
  constexpr int kWidth = 512, kHeight = 256, kSize = 96;
  std::vector<std::uint32_t> texels(kWidth * kHeight);
  for (std::size_t k = 0; k < texels.size(); ++k)
    texels[k] = static_cast<std::uint32_t>(k * 2654435761u) & 0xFFFFFF;
  for (const auto& [centre, radius] :
       {std::pair{GeoPoint{70, 20}, 1500.0}, std::pair{GeoPoint{0, -170}, 800.0},
        std::pair{GeoPoint{-50, 100}, 3000.0}}) {
    const PictureRows rows = PictureRowsNeeded(centre, radius, kHeight);
    ASSERT_GT(rows.count, 0);
    EXPECT_LT(rows.count, kHeight);  // each of these needs less than the whole picture
    MapSampling sampling;
    sampling.centre = centre;
    sampling.radiusKm = radius;
    sampling.day = {texels.data(), kWidth, kHeight};
    std::vector<std::uint8_t> whole(kSize * kSize * 3), band(kSize * kSize * 3);
    SampleMap(sampling, {whole.data(), kSize * 3, kSize, false});
    sampling.day = {texels.data() + rows.first * kWidth, kWidth, rows.count, rows.first, kHeight};
    SampleMap(sampling, {band.data(), kSize * 3, kSize, false});
    EXPECT_EQ(whole, band) << centre.lat << "," << centre.lon;
  }
}

}  // namespace
