#include "mapout/hole_filling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "mapout_fakes.h"

namespace {

struct Grid {
  int width, height;
  std::vector<std::uint32_t> pixels;
  Grid(int w, int h, std::uint32_t fill = 0)
      : width(w), height(h), pixels(static_cast<std::size_t>(w) * h, fill) {}
  std::uint32_t& At(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }
  std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// Fills `snapshot`'s holes with `random` and returns the filled map.
template <class Random>
Grid Fill(const Grid& snapshot, Random& random) {
  Grid map = snapshot;
  FillHoles(snapshot.pixels.data(), map.pixels.data(), snapshot.width, snapshot.height, random, [](int) {});
  return map;
}

int Red(std::uint32_t pixel) { return static_cast<int>(pixel >> 16 & 0xFF); }

TEST(RingSearchOrder, VisitsTheRingEdgesOffTheAxesInLoopOrder) {
  const RingSearchOrder order = MakeRingSearchOrder();
  ASSERT_EQ(order.i.size(), 3600u);  // sum of 8r - 4 for r = 1..30
  // Ring 1: the four diagonal neighbours, i in the middle loop and j innermost.
  const int kRing1[4][2] = {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(order.i[k], kRing1[k][0]);
    EXPECT_EQ(order.j[k], kRing1[k][1]);
    EXPECT_DOUBLE_EQ(order.weight[k], 1 / std::sqrt(2.0));
  }
  // Ring 2 begins with the whole left edge, then the top and bottom of the next column.
  const int kRing2Start[6][2] = {{-2, -2}, {-2, -1}, {-2, 1}, {-2, 2}, {-1, -2}, {-1, 2}};
  for (int k = 0; k < 6; ++k) {
    EXPECT_EQ(order.i[4 + k], kRing2Start[k][0]);
    EXPECT_EQ(order.j[4 + k], kRing2Start[k][1]);
  }
  for (std::size_t k = 0; k < order.i.size(); ++k) {
    ASSERT_NE(order.i[k], 0);
    ASSERT_NE(order.j[k], 0);
  }
  EXPECT_EQ(order.i.back(), 30);
  EXPECT_EQ(order.j.back(), 30);
}

// One hole in the middle of a 5 x 5 map whose other pixels all carry a colour, so the
// script decides everything. The four diagonal neighbours are A (1,1), B (1,3), C (3,1),
// D (3,3); the rest are bright and would show if the search went on past them.
struct MirrorCase {
  const char* source;
  std::vector<double> script;
  int expectedRed;  // mean of the four samples taken, all at weight 1/sqrt(2), rounded
};

// A = 10, B = 21, C = 30, D = 44: every choice of four has a distinct mean away from a tie.
const MirrorCase kMirrors[] = {
    {"no mirroring: A B C D = 26.25", {}, 26},
    {"0.5 is not greater than 0.5", {0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5, 0.5}, 26},
    {"first point mirrored in i: C B C D = 31.25", {0.75, 0.25}, 31},
    {"first point mirrored in j: B B C D = 29", {0.25, 0.75}, 29},
    {"first point mirrored both ways: D B C D = 34.75", {0.9, 0.6}, 35},
    {"last point mirrored both ways: A B C A = 17.75", {0.1, 0.1, 0.1, 0.1, 0.1, 0.1, 0.99, 0.99}, 18},
};

TEST(FillHoles, MirrorsEachRingOffsetByItsOwnPairOfDraws) {
  for (const MirrorCase& c : kMirrors) {
    SCOPED_TRACE(c.source);
    Grid snapshot(5, 5, Rgb(250, 250, 250));
    snapshot.At(2, 2) = 0;
    snapshot.At(1, 1) = Rgb(10, 1, 1);
    snapshot.At(1, 3) = Rgb(21, 1, 1);
    snapshot.At(3, 1) = Rgb(30, 1, 1);
    snapshot.At(3, 3) = Rgb(44, 1, 1);
    ScriptedRandom random(&c.script);
    Grid map = Fill(snapshot, random);
    EXPECT_EQ(Red(map.At(2, 2)), c.expectedRed);
    // Four ring points, two draws each, and the search stops at the fourth sample.
    EXPECT_EQ(random.draws, 8u);
  }
}

TEST(FillHoles, NeverSamplesTheHolesOwnRowOrColumn) {
  Grid snapshot(9, 9);
  for (int k = 0; k < 9; ++k) {
    snapshot.At(4, k) = Rgb(200, 200, 200);
    snapshot.At(k, 4) = Rgb(200, 200, 200);
  }
  snapshot.At(4, 4) = 0;
  ScriptedRandom random;
  const Grid map = Fill(snapshot, random);
  EXPECT_EQ(map.At(4, 4), 0u);
  EXPECT_EQ(map.At(3, 3), Rgb(200, 200, 200));  // off the axes the same pixels are samples
}

TEST(FillHoles, DrawsForRingPointsOffTheMapAndStaysBlackWithoutSamples) {
  // 3 x 3: only the middle pixel has a colour; the eight others are holes. Each search
  // finds at most that one sample, so it runs through all 3600 ring points, drawing two
  // numbers for each whether it lies on the map or not.
  Grid snapshot(3, 3);
  snapshot.At(1, 1) = Rgb(60, 70, 80);
  ScriptedRandom random;
  const Grid map = Fill(snapshot, random);
  EXPECT_EQ(random.draws, 8u * 3600u * 2u);
  EXPECT_EQ(map.At(0, 0), Rgb(60, 70, 80));  // corners see it diagonally
  EXPECT_EQ(map.At(2, 2), Rgb(60, 70, 80));
  EXPECT_EQ(map.At(1, 0), 0u);  // edge middles have it on their own column or row
  EXPECT_EQ(map.At(0, 1), 0u);
}

struct TieCase {
  const char* source;
  int a, b;  // two samples at weight 1/sqrt(10), whose mean is exact
  int expected;
};

// Offsets (-3, -1) and (-3, 1) are the first ring points at weight 1/sqrt(10); with these
// pairs (w a + w b) / (w + w) is exactly the half (checked below).
const TieCase kTies[] = {
    {"127.5 goes up to the even 128", 127, 128, 128},
    {"126.5 goes down to the even 126", 126, 127, 126},
    {"126.5 from 125 and 128 goes down to 126", 125, 128, 126},
    {"126.5 from 120 and 133 goes down to 126", 120, 133, 126},
};

TEST(FillHoles, RoundsTheWeightedMeanHalfToEven) {
  for (const TieCase& c : kTies) {
    SCOPED_TRACE(c.source);
    const double w = 1 / std::sqrt(10.0);
    ASSERT_EQ((w * c.a + w * c.b) / (w + w), (c.a + c.b) / 2.0);
    Grid snapshot(7, 7);
    snapshot.At(0, 2) = Rgb(c.a, c.a, c.a);
    snapshot.At(0, 4) = Rgb(c.b, c.b, c.b);
    ScriptedRandom random;
    const Grid map = Fill(snapshot, random);
    EXPECT_EQ(map.At(3, 3), Rgb(c.expected, c.expected, c.expected));
  }
}

TEST(FillHoles, ReadsOnlyTheSnapshotSoFilledPixelsAreNoSamples) {
  // One sample in a corner of holes: the fill must not creep from hole to hole.
  Grid wide(40, 40);
  wide.At(0, 0) = Rgb(90, 90, 90);
  ScriptedRandom random;
  const Grid map = Fill(wide, random);
  EXPECT_EQ(map.At(30, 30), Rgb(90, 90, 90));  // ring 30 reaches it
  EXPECT_EQ(map.At(31, 31), 0u);               // beyond ring 30, though (30, 30) is filled by now
  EXPECT_EQ(map.At(31, 1), 0u);
}

TEST(FillHoles, WritesTheGeneratorBackAfterEachColumn) {
  Grid snapshot(3, 3);
  snapshot.At(1, 1) = Rgb(60, 70, 80);
  std::vector<std::size_t> drawsAfterColumn;
  Grid map = snapshot;
  ScriptedRandom scripted;
  FillHoles(snapshot.pixels.data(), map.pixels.data(), 3, 3, scripted,
            [&](int) { drawsAfterColumn.push_back(scripted.draws); });
  // Column 0 has three holes, column 1 two, column 2 three.
  EXPECT_EQ(drawsAfterColumn, (std::vector<std::size_t>{3 * 7200, 5 * 7200, 8 * 7200}));
}

}  // namespace

namespace {

// The program's generator without its jumps, so FillHoles has to draw every number.
class DrawEveryNumber {
 public:
  double Next() { return random.Next(); }
  UniformRandom random;
};

struct PatternCase {
  const char* source;
  int width, height;
  std::function<bool(int x, int y, UniformRandom& chance)> coloured;
};

const PatternCase kPatterns[] = {
    {"no sample at all", 71, 53, [](int, int, UniformRandom&) { return false; }},
    {"sparse, like a close view", 97, 83, [](int, int, UniformRandom& c) { return c.Next() < 1.0 / 900; }},
    {"a few per window", 97, 83, [](int, int, UniformRandom& c) { return c.Next() < 1.0 / 150; }},
    {"a lattice, like the default view", 90, 70,
     [](int x, int y, UniformRandom& c) { return (x % 5 == 0 && y % 3 == 1) || c.Next() < 0.02; }},
    {"dense", 80, 61, [](int, int, UniformRandom& c) { return c.Next() < 1.0 / 12; }},
    {"mostly full", 45, 45, [](int, int, UniformRandom& c) { return c.Next() < 0.5; }},
    {"narrower than a ring", 7, 90, [](int, int, UniformRandom& c) { return c.Next() < 1.0 / 40; }},
    {"one row", 120, 1, [](int, int, UniformRandom& c) { return c.Next() < 1.0 / 7; }},
    {"one column", 1, 120, [](int, int, UniformRandom& c) { return c.Next() < 1.0 / 7; }},
    {"lone pixels on the edges and corners", 75, 75,
     [](int x, int y, UniformRandom&) { return (x % 37 == 0) && (y % 37 == 0); }},
    {"whole rows and columns lie on the axes of many holes", 70, 70,
     [](int x, int y, UniformRandom& c) { return x == 33 || y == 20 || c.Next() < 0.002; }},
};

// The search that jumps over draws against the one that draws every number: the same map,
// and the generator in the same state after every column.
TEST(FillHoles, JumpingOverDrawsGivesTheSameMapAndGeneratorAsDrawingThemAll) {
  HoleFillingBuffers sharedBuffers;
  for (const PatternCase& c : kPatterns) {
    SCOPED_TRACE(c.source);
    Grid snapshot(c.width, c.height);
    UniformRandom chance(12345);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        if (c.coloured(x, y, chance))
          snapshot.At(x, y) = Rgb(1 + static_cast<int>(chance.Next() * 250), 9, 200);
      }
    }
    UniformRandom jumping;
    DrawEveryNumber drawing;
    std::vector<double> jumpingAfterColumn, drawingAfterColumn;
    Grid jumped = snapshot, drawn = snapshot;
    FillHoles(snapshot.pixels.data(), jumped.pixels.data(), c.width, c.height, jumping,
              [&](int) { jumpingAfterColumn.push_back(UniformRandom(jumping).Next()); });
    FillHoles(snapshot.pixels.data(), drawn.pixels.data(), c.width, c.height, drawing,
              [&](int) { drawingAfterColumn.push_back(UniformRandom(drawing.random).Next()); });
    EXPECT_EQ(jumped.pixels, drawn.pixels);
    EXPECT_EQ(jumpingAfterColumn, drawingAfterColumn);
    // Scratch memory left over from the map before (another size, other content) is
    // filled anew.
    UniformRandom again;
    Grid reused = snapshot;
    FillHoles(
        snapshot.pixels.data(), reused.pixels.data(), c.width, c.height, again, [](int) {}, &sharedBuffers);
    EXPECT_EQ(reused.pixels, drawn.pixels);
  }
}

}  // namespace
