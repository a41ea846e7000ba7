#include "calc/degree_tables.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct TableEntry {
  const char* source;
  int degree;
  float sine;
  float cosine;
};

// The sine and cosine of the double i * 0.017453277777777776 worked out with mpmath at 200
// bits, rounded to double and then to single, printed with the 9 digits that name one single
// exactly. Single-precision arithmetic would miss most of them by a unit (at 45, 52 and 89
// among these), and pi / 180 for the factor misses the quadrants by far more.
constexpr TableEntry kWorked[] = {
    {"zero", 0, 0.0f, 1.0f},
    {"thirty degrees falls just short of a half", 30, 0.499999613f, 0.866025627f},
    {"45: the factor parts sine from cosine", 45, 0.707106292f, 0.707107246f},
    {"52", 52, 0.788010299f, 0.615662098f},
    {"89", 89, 0.999847651f, 0.0174537189f},
    {"quarter turn: cosine not 0", 90, 1.0f, 1.32679486e-06f},
    {"135", 135, 0.7071082f, -0.707105398f},
    {"half turn: sine not 0", 180, 2.65358972e-06f, -1.0f},
    {"200", 200, -0.342017382f, -0.93969363f},
    {"three quarters", 270, -1.0f, -3.98038492e-06f},
    {"315", 315, -0.707110047f, 0.707103491f},
    {"359", 359, -0.0174576975f, 0.999847591f},
    {"full turn", 360, -5.30717944e-06f, 1.0f},
};

TEST(DegreeTables, HoldTheWorkedValuesExactly) {
  DegreeTables tables;
  FillTrigTables(tables);
  for (const TableEntry& e : kWorked) {
    SCOPED_TRACE(e.source);
    EXPECT_EQ(tables.SinTable[e.degree], e.sine);
    EXPECT_EQ(tables.CosTable[e.degree], e.cosine);
  }
}

TEST(DegreeTables, EveryEntryIsNearTheTrueSineAndCosineOfItsDegree) {
  DegreeTables tables;
  FillTrigTables(tables);
  // The short factor turns degree i by 1.5e-8 * i radians less than pi / 180 would, 5.3e-6 at
  // 360; rounding to single adds up to 6e-8. An entry from a neighbouring index, or from the
  // other table, lies far outside that.
  for (int i = 0; i <= 360; ++i) {
    const double trueAngle = i * 3.141592653589793 / 180;
    const double tolerance = 1.5e-8 * i + 1e-7;
    EXPECT_NEAR(tables.SinTable[i], std::sin(trueAngle), tolerance) << i;
    EXPECT_NEAR(tables.CosTable[i], std::cos(trueAngle), tolerance) << i;
  }
}

TEST(DegreeTables, StartAtZeroAndFillingAgainWritesTheSameValues) {
  DegreeTables tables;
  EXPECT_EQ(tables.SinTable[90], 0.0f);
  EXPECT_EQ(tables.CosTable[0], 0.0f);
  FillTrigTables(tables);
  const DegreeTables first = tables;
  tables.SinTable[45] = 7;
  tables.CosTable[360] = -7;
  FillTrigTables(tables);
  for (int i = 0; i <= 360; ++i) {
    EXPECT_EQ(tables.SinTable[i], first.SinTable[i]) << i;
    EXPECT_EQ(tables.CosTable[i], first.CosTable[i]) << i;
  }
}

}  // namespace
