#include "calc/angle_colour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

struct AngleCase {
  const char* source;
  double p, q, expected;
};

// Hand-worked with the half-turn 3.1415936535 (halved: 1.57079682675) and the true atan;
// the tolerance 1e-10 covers the 11 printed decimals.
constexpr AngleCase kAngles[] = {
    {"origin", 0, 0, 0},
    {"+p axis", 1, 0, 0},
    {"+q axis: half of the half-turn", 0, 1, 1.57079682675},
    {"-p axis: the half-turn", -1, 0, 3.1415936535},
    {"-q axis: three quarter-turns", 0, -1, 4.71239048025},
    {"-q axis, longer", 0, -2, 4.71239048025},
    {"first diagonal", 1, 1, 0.78539866335},
    {"third diagonal", -1, -1, 3.92699231685},
    {"fourth diagonal", 1, -1, 5.49778864365},
    {"second diagonal", -1, 1, 1.57079682675 + 0.7853981633974483},
    {"fourth quadrant, |q| < |p|: lifted twice", 2, -1, 2 * 3.1415936535 - 0.4636476090008061},
    {"second quadrant, |q| < |p|", -2, 1, 3.1415936535 - 0.4636476090008061},
    {"first quadrant, |q| < |p|", 2, 1, 0.4636476090008061},
    {"third quadrant, |q| > |p|", -1, -2, 3.1415936535 + 1.57079682675 - 0.4636476090008061},
};

TEST(AngleOf, GivesTheWorkedAngles) {
  for (const AngleCase& c : kAngles) {
    EXPECT_NEAR(AngleOf(c.p, c.q), c.expected, 1e-10) << c.source;
  }
}

TEST(AngleOf, StaysInsideTheFullCircle) {
  for (int degree = 0; degree < 360; degree += 7) {
    const double a = degree * 3.141592653589793 / 180;
    const double angle = AngleOf(std::cos(a) * 3, std::sin(a) * 3);
    EXPECT_GE(angle, 0) << degree;
    EXPECT_LT(angle, 2 * 3.1415936535) << degree;
    // Off the true angle only by the half-turn's own error, at most two half-turns' worth.
    EXPECT_NEAR(angle, a, 3e-6) << degree;
  }
}

struct ColourCase {
  const char* source;
  std::int32_t colour;
  int red, green, blue;
};

constexpr ColourCase kColours[] = {
    {"&H00123456", 0x00123456, 0x56, 0x34, 0x12},
    {"black", 0, 0, 0, 0},
    {"white", 0x00FFFFFF, 255, 255, 255},
    {"read outside a picture", -1, 255, 255, 255},
    {"a top byte is not blue", 0x7F00FF00, 0, 255, 0},
    {"negative: blue is 255, red and green from the pattern", static_cast<std::int32_t>(0x80123456), 0x56,
     0x34, 255},
    {"most negative", std::numeric_limits<std::int32_t>::min(), 0, 0, 255},
};

TEST(ColourChannels, TakeTheBytesApart) {
  for (const ColourCase& c : kColours) {
    SCOPED_TRACE(c.source);
    EXPECT_EQ(RedOf(c.colour), c.red);
    EXPECT_EQ(GreenOf(c.colour), c.green);
    EXPECT_EQ(BlueOf(c.colour), c.blue);
  }
}

struct ClampCase {
  const char* source;
  double value, expected;
};

constexpr ClampCase kClamps[] = {
    {"above", 300, 255},
    {"below", -3, 0},
    {"inside keeps its fraction", 12.7, 12.7},
    {"just above 255 (a decimal comma must not let it through)", 255.5, 255},
    {"just below 0", -0.25, 0},
    {"the bounds themselves", 255, 255},
    {"zero", 0, 0},
    {"a mean of 127.5 is left for rounding", 127.5, 127.5},
};

TEST(ClampByte, ClampsNumerically) {
  for (const ClampCase& c : kClamps) {
    EXPECT_EQ(ClampByte(c.value), c.expected) << c.source;
  }
  EXPECT_TRUE(std::isnan(ClampByte(std::nan(""))));
}

}  // namespace
