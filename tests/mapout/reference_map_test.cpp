// The redrawn map against an independent one: GDAL warping the NASA picture with PROJ's
// azimuthal equidistant projection. Needs <build>/maps/earthmap.bmp (made by the
// earth_data target) and gdal-bin; a missing piece fails the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "bmp_reader.h"
#include "mapout/post_process.h"
#include "mapout_fakes.h"
#include "support/image_compare.h"

namespace {

namespace fs = std::filesystem;

constexpr int kSide = 557;
const char* const kNasaPicture = "/usr/share/xplanet/images/earth.jpg";

// Runs the reference script into a fresh temporary folder; empty when it failed.
std::vector<double> ReferenceGrey(const MapCentre& centre, std::string* failure) {
  const fs::path dir = fs::temp_directory_path() / ("skerrowen-reference-" + std::to_string(::getpid()));
  fs::create_directories(dir);
  const std::string command = std::string("sh '") + SKERROWEN_REFERENCE_SCRIPT + "' '" + kNasaPicture +
                              "' '" + dir.string() + "' " + std::to_string(centre.Long) + " " +
                              std::to_string(centre.Lat) + " " + std::to_string(centre.Radius) + " " +
                              std::to_string(kSide) + " 2>&1";
  const int status = std::system(command.c_str());
  std::ifstream in(dir / "reference.img", std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  fs::remove_all(dir);
  const std::size_t plane = static_cast<std::size_t>(kSide) * kSide;
  if (status != 0 || bytes.size() != 3 * plane) {
    *failure = "the GDAL reference could not be made (is gdal-bin installed?): `" + command +
               "` gave status " + std::to_string(status) + " and " + std::to_string(bytes.size()) + " bytes";
    return {};
  }
  return GreyOfPlanes(bytes, plane);
}

TEST(ReferenceMap, TheDefaultViewMatchesPROJsAzimuthalEquidistantWarp) {
  const std::string texturePath = std::string(SKERROWEN_BINARY_DIR) + "/maps/earthmap.bmp";
  const auto texture = ReadBmpFile(texturePath);
  ASSERT_TRUE(texture) << texturePath << " is missing or unreadable: build the earth_data target first";
  ASSERT_TRUE(fs::exists(kNasaPicture)) << kNasaPicture << " is missing: install xplanet-images";

  const MapCentre centre{6, 52, 3340};
  std::string failure;
  const std::vector<double> reference = ReferenceGrey(centre, &failure);
  ASSERT_FALSE(reference.empty()) << failure;

  Surface picture1(kSide, kSide, 0), picture2(texture->width, texture->height, 0);
  Surface picture3(kSide, kSide, 0), picture4(kSide, kSide, 0x808080);
  picture2.SetPicture(*texture);
  MemoryMapStore output;
  RecordedProgress progress;
  UniformRandom random;
  RedrawContext context{picture1, picture2, picture3, picture4, centre, progress, output.store, random};
  ASSERT_TRUE(PostProcessMap(context));

  const Picture map = picture1.Image();
  const double straight = Correlation(GreyOfPixels(map.pixels.data(), map.pixels.size()), reference);
  Picture mirrored = map;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      mirrored.pixels[static_cast<std::size_t>(y) * kSide + x] =
          map.pixels[static_cast<std::size_t>(y) * kSide + kSide - 1 - x];
    }
  }
  const double eastWest =
      Correlation(GreyOfPixels(mirrored.pixels.data(), mirrored.pixels.size()), reference);
  RecordProperty("correlation", std::to_string(straight));
  RecordProperty("mirrored_correlation", std::to_string(eastWest));
  EXPECT_GT(straight, 0.9) << "mirrored: " << eastWest;
  EXPECT_LE(eastWest, 0.9) << "an east-west mirrored map would pass too; straight: " << straight;
}

}  // namespace
