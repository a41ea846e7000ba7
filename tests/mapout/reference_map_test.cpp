// The redrawn map against an independent one: GDAL warping the NASA picture with PROJ's
// azimuthal equidistant projection; and its holes against a fill that draws every number.
// Needs <build>/maps/earthmap.bmp (made by the earth_data target) and gdal-bin; a missing
// piece fails the test.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "base/uniform_random.h"
#include "bmp_reader.h"
#include "mapout/hole_filling.h"
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

// The program's generator without its jumps: FillHoles draws every number with it.
class DrawEveryNumber {
 public:
  double Next() { return random.Next(); }
  UniformRandom random;
};

// The redraw jumps over the draws of ring points that cannot give a sample. On the Earth
// data its maps must still be those of the search that draws every number, to the bit, and
// leave the generator where that search leaves it. Drawing every number through a whole close
// or whole-Earth map takes seconds, so those are compared on a band of rows.
TEST(ReferenceMap, RedrawsFillTheirHolesExactlyAsDrawingEveryNumberWould) {
  const std::string texturePath = std::string(SKERROWEN_BINARY_DIR) + "/maps/earthmap.bmp";
  const auto texture = ReadBmpFile(texturePath);
  ASSERT_TRUE(texture) << texturePath << " is missing or unreadable: build the earth_data target first";
  const struct {
    const char* source;
    MapCentre centre;
    int top, rows;  // the band compared
  } kViews[] = {{"the default view, whole", {6, 52, 3340}, 0, kSide},
                {"the whole Earth, across the middle", {6, 52, 20015}, 230, 100},
                {"a close view, across the middle", {6, 52, 300}, 250, 50},
                {"over the pole, along the top", {-100, 88, 2500}, 0, 60}};
  for (const auto& view : kViews) {
    SCOPED_TRACE(view.source);
    Surface picture1(kSide, kSide, 0), picture2(texture->width, texture->height, 0);
    Surface picture3(kSide, kSide, 0), picture4(kSide, kSide, 0x808080);
    picture2.SetPicture(*texture);
    MemoryMapStore output;
    RecordedProgress progress;
    UniformRandom redrawing;
    RedrawContext context{picture1,    picture2, picture3,     picture4,
                          view.centre, progress, output.store, redrawing};
    ASSERT_TRUE(PostProcessMap(context));
    // Picture3 holds the map as it was before its holes were filled.
    const Picture snapshot = picture3.Image();
    const auto first = snapshot.pixels.begin() + static_cast<std::ptrdiff_t>(view.top) * kSide;
    const std::vector<std::uint32_t> band(first, first + static_cast<std::ptrdiff_t>(view.rows) * kSide);
    std::vector<std::uint32_t> redrawn = picture1.Image().pixels;
    if (view.rows < kSide) {
      redrawing = UniformRandom();
      redrawn = band;
      FillHoles(band.data(), redrawn.data(), kSide, view.rows, redrawing, [](int) {});
    }
    DrawEveryNumber drawing;
    std::vector<std::uint32_t> drawn = band;
    FillHoles(band.data(), drawn.data(), kSide, view.rows, drawing, [](int) {});
    std::size_t holes = 0, filled = 0;
    for (std::size_t k = 0; k < band.size(); ++k) {
      holes += band[k] == 0;
      filled += band[k] == 0 && drawn[k] != 0;
    }
    EXPECT_GT(filled, 5000u) << "of " << holes << " holes: the band should give the search work";
    EXPECT_TRUE(redrawn == drawn) << "the redraw differs from drawing every number";
    EXPECT_EQ(UniformRandom(redrawing).Next(), UniformRandom(drawing.random).Next());
  }
}

}  // namespace
