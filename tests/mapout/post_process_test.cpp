#include "mapout/post_process.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "bmp_reader.h"
#include "calc/map_projection.h"
#include "mapout_fakes.h"

namespace {

// A texture whose every texel has its own colour and no channel below 2, so that no texel
// halves to black.
Picture PatternTexture(int width, int height) {
  Picture picture{width, height, {}};
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x)
      picture.pixels.push_back(Rgb(2 + x % 250, 2 + y % 250, 2 + (x + y) % 250));
  }
  return picture;
}

// A map surface smaller than 557 keeps the tests quick where most pixels find no sample
// and each of them runs through all 3600 ring points.
struct Redraw {
  Surface picture1;
  Surface picture2;
  Surface picture3{557, 557, 0};
  Surface picture4{557, 557, 0x808080};
  MemoryMapStore output;
  RecordedProgress progress;
  UniformRandom random;
  MapCentre centre;

  Redraw(const Picture& texture, MapCentre c, int mapSide = 557)
      : picture1(mapSide, mapSide, 0), picture2(texture.width, texture.height, 0), centre(c) {
    picture2.SetPicture(texture);
  }
  bool Run() {
    RedrawContext context{picture1, picture2, picture3, picture4, centre, progress, output.store, random};
    return PostProcessMap(context);
  }
  std::string StoredBitmap() { return output.files.files[MakeMapName(centre) + ".BMP"]; }
};

// The texel's map position the long way: its longitude and latitude, then ProjectToMap
// with the centre latitude negated.
MapPosition PositionOf(const MapCentre& centre, int x, int y, double w, double h) {
  MapPosition m;
  ProjectToMap(centre.Long, -centre.Lat, centre.Radius, -(x - w / 2) * 360 / w, (y - h / 2) * 180 / h, m.X,
               m.Y);
  return m;
}

bool InView(const MapPosition& m, double mw, double mh) {
  return m.X >= 0 && static_cast<float>(m.X) < mw && m.Y >= 0 && static_cast<float>(m.Y) < mh;
}

struct ViewCase {
  const char* source;
  MapCentre centre;
  int width, height;  // texture size, not multiples of 10 on purpose
};

const ViewCase kViews[] = {
    {"default view on a 557 texture", {6, 52, 3340}, 557, 557},
    {"close view on an odd texture", {6, 52, 900}, 561, 283},
    {"small texture, wide view", {-70, -20, 6000}, 37, 23},
    {"whole Earth", {0, 0, 20015}, 101, 51},
    {"nothing in view", {6, 52, 1}, 37, 23},
};

// The redraw takes the sines and cosines of a column's longitude and a row's latitude once;
// every texel must still land exactly where ProjectToMap puts it, to the last bit.
TEST(TexelPlacement, PutsEveryTexelWhereProjectToMapDoes) {
  for (const ViewCase& c : kViews) {
    SCOPED_TRACE(c.source);
    const TexelPlacement placement(c.centre, c.width, c.height, 557, 557);
    for (int x = 0; x < c.width; ++x) {
      for (int y = 0; y < c.height; ++y) {
        const MapPosition expected = PositionOf(c.centre, x, y, c.width, c.height);
        const MapPosition placed = placement.MapPositionOf(x, y);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(placed.X), std::bit_cast<std::uint64_t>(expected.X))
            << x << "," << y;
        ASSERT_EQ(std::bit_cast<std::uint64_t>(placed.Y), std::bit_cast<std::uint64_t>(expected.Y))
            << x << "," << y;
        ASSERT_EQ(placement.TexelInView(x, y), InView(expected, 557, 557)) << x << "," << y;
      }
    }
  }
}

// The marking rule in its closed form: column c is marked when a multiple of 10 at most 9
// away has a sampled texel (every tenth row) in view; row r likewise over all sampled columns.
TEST(MarkView, MarksWhatLiesWithinNineOfASampleInView) {
  for (const ViewCase& c : kViews) {
    SCOPED_TRACE(c.source);
    const TexelPlacement placement(c.centre, c.width, c.height, 557, 557);
    std::vector<int> finishedColumns, rowCounters;
    const ViewMask mask = MarkView(placement, c.width, c.height, [&](int x, int y) {
      finishedColumns.push_back(x);
      rowCounters.push_back(y);
    });
    ASSERT_EQ(mask.ColumnInView.size(), static_cast<std::size_t>(c.width) + 1);
    ASSERT_EQ(mask.RowInView.size(), static_cast<std::size_t>(c.height) + 1);
    std::vector<bool> sampledColumnSees(c.width, false), sampledRowSeen(c.height, false);
    for (int x = 0; x < c.width; x += 10) {
      for (int y = 0; y < c.height; y += 10) {
        if (InView(PositionOf(c.centre, x, y, c.width, c.height), 557, 557)) {
          sampledColumnSees[x] = true;
          sampledRowSeen[y] = true;
        }
      }
    }
    for (int col = 0; col < c.width; ++col) {
      bool expected = false;
      for (int s = 0; s < c.width; s += 10)
        expected = expected || (sampledColumnSees[s] && std::abs(s - col) <= 9);
      ASSERT_EQ(mask.ColumnInView[col], expected) << "column " << col;
    }
    for (int row = 0; row < c.height; ++row) {
      bool expected = false;
      for (int s = 0; s < c.height; s += 10)
        expected = expected || (sampledRowSeen[s] && std::abs(s - row) <= 9);
      ASSERT_EQ(mask.RowInView[row], expected) << "row " << row;
    }
    EXPECT_FALSE(mask.ColumnInView[c.width]);
    EXPECT_FALSE(mask.RowInView[c.height]);
    // One progress step per sampled column; the row counter stands past the last sampled row.
    ASSERT_EQ(finishedColumns.size(), static_cast<std::size_t>((c.width - 1) / 10 + 1));
    EXPECT_EQ(finishedColumns.back(), (c.width - 1) / 10 * 10);
    EXPECT_EQ(rowCounters.back(), 10 * ((c.height - 1) / 10 + 1));
  }
}

TEST(InsideSurface, AcceptsExactlyTheInnerArea) {
  const Surface surface(7, 5, 0);
  const struct {
    int x, y;
    bool inside;
  } kCases[] = {{0, 0, true},  {6, 4, true},  {-1, 0, false}, {0, -1, false},
                {7, 0, false}, {0, 5, false}, {3, 2, true}};
  for (const auto& c : kCases) EXPECT_EQ(InsideSurface(surface, c.x, c.y), c.inside) << c.x << "," << c.y;
}

TEST(PlotTexel, PutsTheCentreTexelOnPixel278AtHalfBrightness) {
  // In a 2 x 2 texture texel (1, 1) stands for longitude 0, latitude 0: with that centre it
  // lands on (278.5, 278.5), the middle of pixel 278.
  Surface texture(2, 2, 0);
  texture.PSet(1, 1, 0x0103FF);  // &H00BBGGRR: red FF, green 03, blue 01
  Surface map(557, 557, 0);
  const TexelPlacement placement({0, 0, 1000}, 2, 2, 557, 557);
  ASSERT_EQ(placement.MapPositionOf(1, 1).X, 278.5);
  PlotTexel(placement, texture, map, 1, 1);
  EXPECT_EQ(map.Point(278, 278), 0x00017F);  // each byte shifted right by one, 1 -> 0
  EXPECT_EQ(map.Point(279, 279), 0);
}

TEST(PlotTexel, PlotsNothingOffTheMapOrAtNonFinitePositions) {
  Surface texture(37, 23, 0);
  texture.SetPicture(PatternTexture(37, 23));
  Surface map(557, 557, 0);
  const MapCentre kCentres[] = {{6, 52, 1}, {6, 52, 1e-320}};
  for (const MapCentre& centre : kCentres) {
    const TexelPlacement placement(centre, 37, 23, 557, 557);
    for (int x = 0; x < 37; ++x) {
      for (int y = 0; y < 23; ++y) PlotTexel(placement, texture, map, x, y);
    }
  }
  for (int k = 0; k < 557 * 557; ++k) ASSERT_EQ(map.Pixels()[k], 0u) << k;
}

TEST(PostProcessMap, StoresTheViewFirstAndThenTheRedrawnMapUnderTheSameName) {
  Redraw redraw(PatternTexture(557, 557), {6, 52, 3340});
  std::fill_n(redraw.picture1.MutablePixels(), 557 * 557, Rgb(1, 2, 3));  // the globe as shown
  ASSERT_TRUE(redraw.Run());
  const auto& order = redraw.output.files.writeOrder;
  ASSERT_EQ(order, (std::vector<std::string>{"MAP_3340_6_52.BMP", "MAP_3340_6_52.DAT", "MAP_3340_6_52.BMP",
                                             "MAP_3340_6_52.DAT"}));
  const auto view = DecodeBmp(redraw.output.files.writtenBytes[0]);
  ASSERT_TRUE(view);
  EXPECT_EQ(view->pixels, std::vector<std::uint32_t>(557 * 557, Rgb(1, 2, 3)));
  EXPECT_EQ(redraw.picture4.Image().pixels, view->pixels);
  const auto map = DecodeBmp(redraw.output.files.writtenBytes[2]);
  ASSERT_TRUE(map);
  EXPECT_EQ(map->pixels, redraw.picture1.Image().pixels);
  EXPECT_TRUE(redraw.picture1.Visible());
  // Picture3 holds the map as phase 2 left it: phase 3 changed only its black pixels.
  const Picture snapshot = redraw.picture3.Image();
  std::size_t holes = 0;
  for (std::size_t k = 0; k < snapshot.pixels.size(); ++k) {
    if (snapshot.pixels[k] == 0) {
      ++holes;
    } else {
      ASSERT_EQ(snapshot.pixels[k], map->pixels[k]) << k;
    }
  }
  EXPECT_GT(holes, 557u * 557u / 2);
}

TEST(PostProcessMap, AViewWithNothingInItStoresABlackMap) {
  Redraw redraw(PatternTexture(37, 23), {6, 52, 1}, 40);
  std::fill_n(redraw.picture1.MutablePixels(), 40 * 40, Rgb(9, 9, 9));
  ASSERT_TRUE(redraw.Run());
  const auto map = DecodeBmp(redraw.StoredBitmap());
  ASSERT_TRUE(map);
  EXPECT_EQ(map->pixels, std::vector<std::uint32_t>(40 * 40, 0u));
}

// With a radius of a billion kilometres every texel lands on the centre pixel (278, 278),
// and the one plotted last, the bottom-right texel, stays there at half brightness.
TEST(Reproject, TheLastTexelToLandOnAPixelStaysAtHalfBrightness) {
  Picture texture = PatternTexture(40, 20);
  texture.pixels.back() = Rgb(201, 103, 55);
  Surface picture2(40, 20, 0);
  picture2.SetPicture(texture);
  Surface map(557, 557, 0);
  const TexelPlacement placement({6, 52, 1e9}, 40, 20, 557, 557);
  const ViewMask mask = MarkView(placement, 40, 20, [](int, int) {});
  int columns = 0;
  Reproject(placement, mask, picture2, map, [&](int x) { EXPECT_EQ(x, columns++); });
  EXPECT_EQ(columns, 40);
  std::vector<std::uint32_t> expected(557 * 557, 0u);
  expected[278 * 557 + 278] = Rgb(100, 51, 27);
  EXPECT_EQ(map.Image().pixels, expected);
}

// Reproject passes over texels that are certainly off the map without working out where they
// would land; its map must still be exactly what plotting every marked texel gives.
TEST(Reproject, PassesOverOnlyTexelsThatWouldLandOffTheMap) {
  const struct {
    const char* source;
    MapCentre centre;
    int mapSide;
    bool passesOver;
  } kCases[] = {{"the default view", {6, 52, 3340}, 557, true},
                {"a close view", {6, 52, 900}, 557, true},
                {"over the pole", {-100, 88, 2500}, 557, true},
                {"a wide view", {-122, 37, 8000}, 557, true},
                {"a map smaller than the picture", {6, 52, 3340}, 40, true},
                {"reaching past the antipode", {150, -33, 17000}, 557, false},
                {"the whole Earth", {0, 0, 20015}, 557, false}};
  Surface texture(361, 181, 0);
  texture.SetPicture(PatternTexture(361, 181));
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.source);
    const TexelPlacement placement(c.centre, 361, 181, c.mapSide, c.mapSide);
    const ViewMask mask = MarkView(placement, 361, 181, [](int, int) {});
    Surface reprojected(c.mapSide, c.mapSide, 0), inBlocks(c.mapSide, c.mapSide, 0);
    Surface plotted(c.mapSide, c.mapSide, 0);
    Reproject(placement, mask, texture, reprojected, [](int) {});
    Reproject(
        placement, mask, texture, inBlocks, [](int) {}, 1000);  // some five columns a block
    int passedOver = 0;
    for (int x = 0; x < 361; ++x) {
      for (int y = 0; y < 181; ++y) {
        if (!mask.ColumnInView[x] || !mask.RowInView[y]) continue;
        PlotTexel(placement, texture, plotted, x, y);
        passedOver += placement.CertainlyOffMap(x, y);
      }
    }
    EXPECT_EQ(reprojected.Image().pixels, plotted.Image().pixels);
    EXPECT_EQ(inBlocks.Image().pixels, plotted.Image().pixels);
    EXPECT_EQ(passedOver > 0, c.passesOver) << passedOver;
  }
}

TEST(PostProcessMap, ShowsThePhasesProgressAfterEveryColumnAndEndsAt100) {
  Redraw redraw(PatternTexture(561, 561), {6, 52, 3340});
  ASSERT_TRUE(redraw.Run());
  const auto& captions = redraw.progress.captions;
  ASSERT_EQ(captions.size(), 57u + 561u + 557u + 1u);
  EXPECT_EQ(captions.front(), "1/3 00.0 %");
  EXPECT_EQ(captions[56], "1/3 101.4 %");  // column 560: 560 * 570 / 561^2
  EXPECT_EQ(captions[57], "2/3 00.0 %");
  EXPECT_EQ(captions[57 + 280], "2/3 49.9 %");
  EXPECT_EQ(captions[57 + 560], "2/3 99.8 %");   // 560 * 561 / 561^2
  EXPECT_EQ(captions[618 + 556], "3/3 99.8 %");  // 556 * 557 / 557^2
  EXPECT_EQ(captions.back(), " 100.0 %");
  EXPECT_EQ(redraw.progress.eventRounds, 57 + 561 + 557);
}

TEST(PostProcessMap, TwoFreshRunsDrawTheSameMap) {
  Redraw first(PatternTexture(557, 557), {6, 52, 3340});
  Redraw second(PatternTexture(557, 557), {6, 52, 3340});
  ASSERT_TRUE(first.Run());
  ASSERT_TRUE(second.Run());
  EXPECT_EQ(first.StoredBitmap(), second.StoredBitmap());
  // The map is mostly filled: holes found samples.
  std::size_t black = 0;
  for (std::uint32_t p : first.picture1.Image().pixels) black += p == 0;
  EXPECT_LT(black, 557u * 557u / 100u);
}

TEST(PostProcessMap, SurfacesWithoutPixelsGiveNoMapAndNoFiles) {
  const struct {
    const char* source;
    int textureWidth, textureHeight, mapWidth, mapHeight;
  } kCases[] = {{"empty texture", 0, 0, 557, 557},
                {"texture without rows", 557, 0, 557, 557},
                {"map without columns", 557, 557, 0, 557},
                {"map without pixels", 557, 557, 0, 0}};
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.source);
    Surface picture1(c.mapWidth, c.mapHeight, 0), picture2(c.textureWidth, c.textureHeight, 0);
    Surface picture3(557, 557, 0), picture4(557, 557, 0x808080);
    MemoryMapStore output;
    RecordedProgress progress;
    UniformRandom random;
    RedrawContext context{picture1,      picture2, picture3,     picture4,
                          {6, 52, 3340}, progress, output.store, random};
    EXPECT_FALSE(PostProcessMap(context));
    EXPECT_TRUE(output.files.files.empty());
    EXPECT_TRUE(output.messages.shown.empty());
  }
}

TEST(PostProcessMap, ARadiusNearZeroDrawsWithoutFailing) {
  Redraw redraw(PatternTexture(37, 23), {6, 52, 1e-300}, 40);
  ASSERT_TRUE(redraw.Run());
  EXPECT_EQ(redraw.progress.captions.back(), " 100.0 %");
}

TEST(PostProcessMap, AFailedStoreIsReportedAndTheRedrawGoesOn) {
  Redraw redraw(PatternTexture(37, 23), {6, 52, 1}, 40);
  redraw.output.files.failWrites.insert("MAP_0001_6_52.BMP");
  EXPECT_FALSE(redraw.Run());
  EXPECT_EQ(redraw.output.messages.shown.size(), 1u);  // the view's copy and the map fail alike
  EXPECT_EQ(redraw.progress.captions.back(), " 100.0 %");
  EXPECT_EQ(redraw.output.files.files.count("MAP_0001_6_52.DAT"), 0u);
}

}  // namespace
