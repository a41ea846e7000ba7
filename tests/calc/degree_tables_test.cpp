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

// Values worked out by hand with the factor 3.14159 / 180 and rounded to single; the
// tolerance is one unit in the last printed digit of each value.
constexpr TableEntry kWorked[] = {
    {"zero", 0, 0.0f, 1.0f},
    {"thirty degrees falls just short of a half", 30, 0.49999961f, 0.86602563f},
    {"quarter turn: cosine not 0", 90, 1.0f, 1.3267949e-06f},
    {"half turn: sine not 0", 180, 2.6535897e-06f, -1.0f},
    {"three quarters", 270, -1.0f, -3.9803846e-06f},
    {"full turn", 360, -5.3071794e-06f, 1.0f},
};

TEST(DegreeTables, AreZeroUntilFilled) {
  const DegreeTables tables;
  for (int i = 0; i <= 360; ++i) {
    EXPECT_EQ(tables.SinTable[i], 0.0f);
    EXPECT_EQ(tables.CosTable[i], 0.0f);
  }
}

TEST(DegreeTables, HoldTheWorkedValues) {
  DegreeTables tables;
  FillTrigTables(tables);
  for (const TableEntry& e : kWorked) {
    SCOPED_TRACE(e.source);
    const float sineTolerance = e.sine == 0 ? 1e-12f : std::fabs(e.sine) * 2e-7f;
    const float cosineTolerance = std::fabs(e.cosine) * 2e-7f;
    EXPECT_NEAR(e.sine, tables.SinTable[e.degree], sineTolerance);
    EXPECT_NEAR(e.cosine, tables.CosTable[e.degree], cosineTolerance);
  }
  // Exact where the single rounding lands on a whole number.
  EXPECT_EQ(tables.SinTable[90], 1.0f);
  EXPECT_EQ(tables.CosTable[180], -1.0f);
  EXPECT_EQ(tables.SinTable[270], -1.0f);
  EXPECT_EQ(tables.CosTable[360], 1.0f);
}

TEST(DegreeTables, EveryEntryIsTheDoubleResultRoundedToSingle) {
  DegreeTables tables;
  FillTrigTables(tables);
  for (int i = 0; i <= 360; ++i) {
    // The factor written out as a decimal, independent of how the code spells it.
    const double a = i * 0.017453277777777776;
    EXPECT_EQ(tables.SinTable[i], static_cast<float>(std::sin(a))) << i;
    EXPECT_EQ(tables.CosTable[i], static_cast<float>(std::cos(a))) << i;
  }
}

TEST(DegreeTables, FillingAgainWritesTheSameValues) {
  DegreeTables first;
  FillTrigTables(first);
  DegreeTables again = first;
  again.SinTable[45] = 7;
  FillTrigTables(again);
  for (int i = 0; i <= 360; ++i) {
    EXPECT_EQ(first.SinTable[i], again.SinTable[i]);
    EXPECT_EQ(first.CosTable[i], again.CosTable[i]);
  }
}

}  // namespace
