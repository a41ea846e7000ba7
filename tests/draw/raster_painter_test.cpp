// The raster painter against coverage worked out by hand: a line's profile, its joints and
// crossings, halos, dashes, filled outlines, dots and labels, and pictures stored either way.
#include "draw/raster_painter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "draw/blend_run.h"
#include "draw/line_geometry.h"
#include "tests/draw/canvas.h"

namespace {

constexpr DrawColour kWhite{255, 255, 255, 255};

LineBatch Lines(std::vector<Polyline> lines, double width, DrawColour colour = kWhite) {
  LineBatch batch;
  batch.style.colour = colour;
  batch.style.width = width;
  batch.lines = std::move(lines);
  return batch;
}

Polyline Line(std::vector<DrawPoint> points) { return {std::move(points), false}; }

// A line's coverage across a pixel is the part of the pixel's height it covers: the column
// under a level line sums to its width wherever the line lies, and no row beyond it changes.
TEST(RasterLines, ALevelLineCoversEachColumnByItsWidth) {
  struct Case {
    double y;
    double width;
    std::vector<int> reds;  // rows 8..12
  };
  for (const Case& row : {Case{10.0, 2, {0, 255, 255, 0, 0}}, Case{10.25, 2, {0, 191, 255, 64, 0}},
                          Case{10.5, 1, {0, 0, 255, 0, 0}}, Case{10.5, 0.5, {0, 0, 128, 0, 0}}}) {
    TestCanvas canvas(40, 20);
    PaintRaster({{Lines({Line({{5, row.y}, {35, row.y}})}, row.width)}}, canvas.Target());
    for (int y = 8; y <= 12; ++y) {
      EXPECT_NEAR(canvas.Red(20, y), row.reds[y - 8], 1)
          << "line at " << row.y << " width " << row.width << " row " << y;
    }
    EXPECT_EQ(canvas.Red(20, 3), 0);
    canvas.KeepIfFailed("level_line");
  }
  // Slanting lines cover each row by their width over the sine of their slant.
  for (const double width : {1.0, 2.5, 6.0}) {
    TestCanvas canvas(60, 60);
    PaintRaster({{Lines({Line({{5, 2}, {55.3, 52.3}})}, width)}}, canvas.Target());
    for (const int y : {20, 27, 33}) {
      double sum = 0;
      for (int x = 0; x < 60; ++x) sum += canvas.Red(x, y) / 255.0;
      EXPECT_NEAR(sum, width * std::sqrt(2.0), 0.05 * width) << "width " << width << " row " << y;
    }
    canvas.KeepIfFailed("slanting_line");
  }
}

// Translucent lines of one batch meet and cross without a darker or brighter spot; lines of
// two batches are painted one over the other.
TEST(RasterLines, OneBatchIsPaintedOnceWhereItsLinesMeetAndCross) {
  const DrawColour half{255, 255, 255, 128};
  const Polyline bent = Line({{5, 10.5}, {30, 10.5}, {12, 28.5}});
  const Polyline across = Line({{20.5, 2}, {20.5, 38}});
  TestCanvas together(40, 40), apart(40, 40);
  PaintRaster({{Lines({bent, across}, 3, half)}}, together.Target());
  PaintRaster({{Lines({bent}, 3, half), Lines({across}, 3, half)}}, apart.Target());
  int brightest = 0;
  for (std::size_t k = 0; k < together.bytes.size(); k += 3)
    brightest = std::max<int>(brightest, together.bytes[k]);
  EXPECT_EQ(brightest, 128);
  EXPECT_EQ(together.Red(30, 10), 128);  // the joint
  EXPECT_EQ(together.Red(20, 10), 128);  // the crossing
  EXPECT_EQ(apart.Red(20, 10), 192);
  together.KeepIfFailed("one_batch");
}

TEST(RasterLines, AHaloDarkensBesideTheLineAndTheLineLiesOverIt) {
  TestCanvas canvas(40, 20, 200);
  LineBatch batch = Lines({Line({{5, 10}, {35, 10}})}, 2);
  batch.style.halo = {6, 128};
  PaintRaster({{batch}}, canvas.Target());
  EXPECT_EQ(canvas.Red(20, 10), 255);
  EXPECT_EQ(canvas.Red(20, 8), 100);  // 200 halfway to black
  EXPECT_EQ(canvas.Red(20, 11), 100);
  EXPECT_EQ(canvas.Red(20, 13), 200);
  canvas.KeepIfFailed("halo");
}

// A line over its casing is worked out in one pass, four pixels at a time where it can: it
// must be byte for byte the casing painted as a line of its own with the line over it, and
// the same picture moved wherever the four-pixel steps fall.
TEST(RasterLines, ACasedLineIsItsCasingThenTheLineWhereverItLies) {
  const DrawColour amber{255, 200, 0, 200};
  TestCanvas first(80, 44, 90);
  for (int shift = 0; shift < 4; ++shift) {
    const std::vector<Polyline> lines = {
        Line({{5.25 + shift, 6.5}, {50.75 + shift, 31.25}, {20.5 + shift, 36}}),
        Line({{8.0 + shift, 20}, {60.5 + shift, 20}}), Line({{30.125 + shift, 2}, {30.125 + shift, 40}})};
    LineBatch cased = Lines(lines, 2.5, amber);
    cased.style.halo = {9, 110};
    TestCanvas once(80, 44, 90), twice(80, 44, 90);
    PaintRaster({{cased}}, once.Target());
    PaintRaster({{Lines(lines, 9, {0, 0, 0, 110}), Lines(lines, 2.5, amber)}}, twice.Target());
    EXPECT_EQ(once.bytes, twice.bytes) << shift;
    if (shift == 0) first = once;
    int moved = 0;
    for (int y = 0; y < 44; ++y) {
      for (int x = 0; x + shift < 80; ++x)
        moved += std::memcmp(first.At(x, y), once.At(x + shift, y), 3) != 0;
    }
    EXPECT_EQ(moved, 0) << shift;
    once.KeepIfFailed("cased_" + std::to_string(shift));
  }
}

TEST(RasterLines, DashesFollowTheLineAcrossItsBends) {
  TestCanvas canvas(60, 30);
  LineBatch batch = Lines({Line({{0, 5.5}, {30.5, 5.5}, {30.5, 25.5}})}, 1);
  batch.style.dash = {6, 4};  // drawn 0-6, 10-16, 20-26, 30-36 (round the bend), 40-46 along the line
  PaintRaster({{batch}}, canvas.Target());
  for (const int x : {2, 12, 22}) EXPECT_EQ(canvas.Red(x, 5), 255) << x;
  for (const int x : {8, 18, 28}) EXPECT_EQ(canvas.Red(x, 5), 0) << x;
  EXPECT_EQ(canvas.Red(30, 8), 255);
  EXPECT_EQ(canvas.Red(30, 13), 0);
  EXPECT_EQ(canvas.Red(30, 17), 255);
  canvas.KeepIfFailed("dashes");
}

// Lines far beyond the picture, through it, and made of points that are no numbers.
TEST(RasterLines, OnlyWhatLiesInThePictureIsPaintedWhateverTheNumbers) {
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  TestCanvas canvas(30, 30);
  LineBatch batch = Lines({Line({{-1e12, 5.5}, {1e12, 5.5}}), Line({{-50, -50}, {-40, 100}}),
                           Line({{10, 20.5}, {nan, 3}, {20, 20.5}, {inf, 20.5}}), Line({{3, nan}})},
                          1);
  batch.style.dash = {1e-9, 1e-9};
  const DotBatch dots{{kWhite, inf, kWhite, nan}, {{nan, 4}, {1e300, 4}, {4, -inf}}};
  PaintRaster({{batch, dots}}, canvas.Target());
  for (int x = 0; x < 30; ++x) EXPECT_EQ(canvas.Red(x, 5), 255) << x;
  int painted = 0;
  for (std::size_t k = 0; k < canvas.bytes.size(); k += 3) painted += canvas.bytes[k] != 0;
  EXPECT_EQ(painted, 30);
  canvas.KeepIfFailed("outside");
}

// A square's edge pixels are half covered and its corners a quarter; where two rings of one
// batch overlap the shape is painted once; an outline reaching past the sides fills up to them.
TEST(RasterFills, CoverageIsTheAreaInsideTheOutline) {
  TestCanvas canvas(40, 40);
  FillBatch squares{{255, 255, 255, 128}, {{{10.5, 10.5}, {20.5, 10.5}, {20.5, 20.5}, {10.5, 20.5}}}};
  squares.rings.push_back({{15.5, 15.5}, {25.5, 15.5}, {25.5, 25.5}, {15.5, 25.5}});
  FillBatch band{kWhite, {{{-100, 30}, {100, 30}, {100, 35}, {-100, 35}}}};
  band.rings.push_back({{-1e300, 37}, {1e300, 37}, {1e300, 39}, {-1e300, 39}});
  DrawList list;
  list.items.emplace_back(std::move(squares));
  list.items.emplace_back(std::move(band));
  PaintRaster(list, canvas.Target());
  EXPECT_EQ(canvas.Red(12, 12), 128);
  EXPECT_EQ(canvas.Red(17, 17), 128);
  EXPECT_NEAR(canvas.Red(10, 12), 64, 1);
  EXPECT_NEAR(canvas.Red(12, 20), 64, 1);
  EXPECT_NEAR(canvas.Red(10, 10), 32, 1);
  EXPECT_EQ(canvas.Red(9, 12), 0);
  EXPECT_EQ(canvas.Red(0, 32), 255);
  EXPECT_EQ(canvas.Red(39, 32), 255);
  EXPECT_EQ(canvas.Red(20, 29), 0);
  EXPECT_EQ(canvas.Red(20, 36), 0);
  for (const int x : {0, 20, 39}) EXPECT_EQ(canvas.Red(x, 38), 255) << x;
  canvas.KeepIfFailed("fills");
}

struct BoxShaper : TextShaper {
  // Each character a 4 x 6 box.
  TextExtent Measure(std::string_view text, const TextStyle&) override {
    return {0, -6, 4.0 * static_cast<double>(text.size()), 6};
  }
  TextOutline Outline(std::string_view text, const TextStyle&, DrawPoint at) override {
    const double right = at.x + 4.0 * static_cast<double>(text.size()), bottom = at.y + 6;
    return {{{at.x, at.y}, {right, at.y}, {right, bottom}, {at.x, bottom}}};
  }
};

TEST(RasterMarks, DotsAndLabelsLandWhereTheyAreMeant) {
  TestCanvas canvas(40, 40, 100);
  BoxShaper shaper;
  const DotBatch dot{{{255, 0, 0, 255}, 5, {0, 0, 0, 255}, 2}, {{10, 10}}};
  LabelBatch labels{{12, TextWeight::Bold}, kWhite, {2, 255}, {{"ab", {25, 30}, LabelAnchor::Centre}}};
  PaintRaster({{dot, labels}}, canvas.Target(), {1, &shaper});
  EXPECT_EQ(canvas.Red(10, 10), 255);
  EXPECT_EQ(canvas.At(10, 10)[1], 0);
  EXPECT_EQ(canvas.Red(10, 5), 0);  // on the outline, 4.5 from the centre
  EXPECT_EQ(canvas.Red(10, 2), 100);
  // "ab" is 8 x 6, centred on (25, 30): ink from (21, 27), its halo a pixel round it.
  EXPECT_EQ(canvas.Red(21, 27), 255);
  EXPECT_EQ(canvas.Red(28, 32), 255);
  EXPECT_EQ(canvas.Red(20, 27), 0);
  EXPECT_EQ(canvas.Red(28, 33), 0);
  EXPECT_EQ(canvas.Red(30, 30), 100);
  canvas.KeepIfFailed("marks");
}

// Rows stored bottom-up in blue-green-red order hold the same picture, and threads share the
// bands without changing a byte.
TEST(RasterTargets, EveryLayoutAndThreadCountPaintsTheSamePicture) {
  DrawList list;
  std::vector<Polyline> spokes;
  // Enough to be worth a second thread.
  for (int k = 0; k < 360; k += 2) {
    const double angle = k * 3.14159265358979 / 180;
    spokes.push_back(Line({{300, 300}, {300 + 800 * std::cos(angle), 300 + 800 * std::sin(angle)}}));
  }
  LineBatch batch = Lines(spokes, 3, {255, 200, 0, 200});
  batch.style.halo = {7, 110};
  list.items.emplace_back(std::move(batch));
  FillBatch triangle{{0, 128, 255, 100}, {{{40, 40}, {260, 90}, {90, 260}}}};
  list.items.emplace_back(std::move(triangle));
  TestCanvas one(600, 600, 60), two(600, 600, 60), bottomUp(600, 600, 60);
  PaintRaster(list, one.Target(), {1, nullptr});
  PaintRaster(list, two.Target(), {2, nullptr});
  PaintRaster(list, bottomUp.BottomUpBgr(), {2, nullptr});
  EXPECT_EQ(one.bytes, two.bytes);
  int differing = 0;
  for (int y = 0; y < 600; ++y) {
    for (int x = 0; x < 600; ++x) {
      const std::uint8_t* flipped = bottomUp.At(x, 599 - y);
      differing +=
          one.At(x, y)[0] != flipped[2] || one.At(x, y)[1] != flipped[1] || one.At(x, y)[2] != flipped[0];
    }
  }
  EXPECT_EQ(differing, 0);
  two.KeepIfFailed("threads");
}

// Every pixel, colour, opacity and coverage mixes to the exact mix rounded, but where that
// lies within a hundredth of a half; a run of eight at a time gives what one at a time does.
TEST(RasterBlending, EachMixIsTheExactMixRoundedWhereverThePixelFalls) {
  int checked = 0;
  for (const std::uint8_t alpha : {255, 230, 170, 128, 56, 1}) {
    for (int colour = 0; colour < 256; colour += 15) {
      const BlendColour ready = BlendColourOf({static_cast<std::uint8_t>(colour), 0, 0, alpha}, false);
      for (int coverage = 0; coverage < 256; coverage += 3) {
        // Eleven pixels: eight at a time, then three one at a time.
        std::vector<std::uint8_t> row(3 * 11), cover(11);
        for (int k = 0; k < 11; ++k) cover[k] = static_cast<std::uint8_t>((coverage + 23 * k) % 256);
        for (int pixel = 0; pixel < 256; pixel += 11) {
          for (int k = 0; k < 11; ++k) row[3 * k] = static_cast<std::uint8_t>(std::min(255, pixel + k));
          BlendRun(row.data(), cover.data(), 0, 11, ready);
          for (int k = 0; k < 11; ++k) {
            const int before = std::min(255, pixel + k);
            const double exact = before + (colour - before) * alpha * cover[k] / 65025.0;
            if (std::fabs(exact - std::floor(exact) - 0.5) < 0.01) continue;
            ASSERT_EQ(row[3 * k], static_cast<int>(std::floor(exact + 0.5)))
                << "pixel " << before << " colour " << colour << " alpha " << int{alpha} << " coverage "
                << int{cover[k]};
            ++checked;
          }
        }
      }
    }
  }
  EXPECT_GT(checked, 100000);
}

TEST(LineThinning, DropsOnlyPointsWithinATenthOfAPixel) {
  std::vector<DrawPoint> arc;
  for (int k = 0; k <= 1000; ++k) arc.push_back({2000 * std::cos(k * 0.001), 2000 * std::sin(k * 0.001)});
  const std::vector<DrawPoint> thinned = ThinnedLine(arc, 0.1);
  EXPECT_LT(thinned.size(), 80u);  // 50 at the fewest
  std::size_t next = 1;
  for (const DrawPoint& p : arc) {
    while (next + 1 < thinned.size() && std::atan2(p.y, p.x) > std::atan2(thinned[next].y, thinned[next].x))
      ++next;
    const DrawPoint a = thinned[next - 1], b = thinned[next];
    const double off =
        std::fabs((p.x - a.x) * (b.y - a.y) - (p.y - a.y) * (b.x - a.x)) / std::hypot(b.x - a.x, b.y - a.y);
    EXPECT_LE(off, 0.1 + 1e-9);
  }
  const std::vector<DrawPoint> corner = ThinnedLine({{0, 0}, {5, 0.05}, {10, 0}, {10, 10}}, 0.1);
  EXPECT_EQ(corner.size(), 3u);
}

}  // namespace
