#include "base/number_text.h"

#include <gtest/gtest.h>

#include <cmath>

#include "mapout/progress_text.h"
#include "support/comma_locale.h"

namespace {

struct GeneralCase {
  const char* source;
  double value;
  const char* text;
};

// The general form: at most 15 significant digits, no trailing zeros, exponent only from
// 1e15 up and below 1e-4.
const GeneralCase kGeneral[] = {
    {"whole", 52, "52"},
    {"negative whole", -33, "-33"},
    {"fraction", 6.5, "6.5"},
    {"negative fraction", -0.25, "-0.25"},
    {"zero", 0, "0"},
    {"negative zero", -0.0, "0"},
    {"binary noise cut at 15 digits", 0.1 + 0.2, "0.3"},
    {"15 digits kept", 123456.789012345, "123456.789012345"},
    {"large whole", 20015, "20015"},
    {"smallest fixed", 0.0001, "0.0001"},
    {"below 1e-4: exponent", 0.00001, "1E-05"},
    {"1e15: exponent", 1e15, "1E+15"},
    {"rounded up to 1e15 at 15 digits", 999999999999999.9, "1E+15"},
    {"long mantissa", 1.5e20, "1.5E+20"},
    {"a zoom step's Distance", 102.42408, "102.42408"},
    {"a third", 1.0 / 3, "0.333333333333333"},
    {"15 whole digits", 123456789012345.0, "123456789012345"},
    {"noise of a zoom step below 20", -0.19999999999999929, "-0.199999999999999"},
};

void ExpectGeneralForms() {
  for (const GeneralCase& c : kGeneral) {
    EXPECT_EQ(FormatGeneral(c.value), c.text) << c.source;
    const auto back = ParseNumber(c.text);
    ASSERT_TRUE(back) << c.source;
    EXPECT_NEAR(*back, c.value, std::fabs(c.value) * 1e-14) << c.source;
  }
}

TEST(FormatGeneral, WritesTheGeneralForm) { ExpectGeneralForms(); }

// A German or French desktop must give the same map names, side files and stored values.
TEST(FormatGeneral, IsTheSameInACommaLocale) {
  for (const char* name : {"de_DE", "fr_FR"}) {
    CommaLocale locale(name);
    if (!locale.Active()) GTEST_SKIP() << "no " << name << " locale could be made with localedef";
    ExpectGeneralForms();
    EXPECT_EQ(FormatZeroPadded(3340.4, 4), "3340");
    EXPECT_EQ(PhaseCaption(2, 0.4527), "2/3 45.3 %");
    EXPECT_EQ(ParseNumber("0.398"), 0.398);
  }
}

TEST(ParseNumber, ReadsWholeTextsOnly) {
  EXPECT_EQ(ParseNumber(" 264 "), 264);
  EXPECT_EQ(ParseNumber("+5"), 5);
  EXPECT_EQ(ParseNumber("0,398"), 0.398);  // a hand-written or older store's decimal comma
  EXPECT_EQ(ParseNumber("-1.5E+20"), -1.5e20);
  for (const char* bad :
       {"", " ", "12abc", "1e999", "1,000.5", "1,2,3", "+-5", "--5", "inf", "nan", "0x10", "."}) {
    EXPECT_FALSE(ParseNumber(bad)) << bad;
  }
}

struct PaddedCase {
  double value;
  const char* text;
};

// "0000": rounded, halves away from zero, at least four digits, "-" before negatives.
const PaddedCase kPadded[] = {
    {5, "0005"},      {300.4, "0300"}, {300.5, "0301"},    {299.5, "0300"}, {3340, "3340"},
    {20015, "20015"}, {0, "0000"},     {0.4, "0000"},      {-0.4, "0000"},  {-0.0, "0000"},
    {-5, "-0005"},    {-2.5, "-0003"}, {123456, "123456"},
};

TEST(FormatZeroPadded, WritesTheFourDigitForm) {
  for (const PaddedCase& c : kPadded) {
    EXPECT_EQ(FormatZeroPadded(c.value, 4), c.text) << c.value;
  }
}

TEST(RoundHalfEven, TiesGoToTheEvenNeighbour) {
  const double kCases[][2] = {{127.5, 128}, {126.5, 126}, {0.5, 0},    {1.5, 2},
                              {254.5, 254}, {2.4999, 2},  {2.5001, 3}, {-2.5, -2}};
  for (const auto& c : kCases) EXPECT_EQ(RoundHalfEven(c[0]), c[1]) << c[0];
}

struct PercentCase {
  const char* source;
  double fraction;
  const char* text;
};

const PercentCase kPercents[] = {
    {"nothing yet", 0, " 00.0 %"},
    {"two integer digits at least", 0.05, " 05.0 %"},
    {"45.27 % rounds to one decimal", 0.4527, " 45.3 %"},
    {"whole", 1, " 100.0 %"},
    {"past 100 (phase 1 of a 561 texture)", 560.0 * 570 / (561.0 * 561), " 101.4 %"},
    {"phase 2's last column of a 561 texture", 560.0 * 561 / (561.0 * 561), " 99.8 %"},
    {"a half rounds away from zero", 0.00125, " 00.1 %"},
};

TEST(ProgressPercent, UsesThePattern00Point0) {
  for (const PercentCase& c : kPercents) {
    EXPECT_EQ(ProgressPercent(c.fraction), c.text) << c.source;
  }
  EXPECT_EQ(PhaseCaption(2, 0.4527), "2/3 45.3 %");
}

}  // namespace
