// The sampling loop's polynomial angles against the C library's, over their whole ranges and
// at the places where their pieces meet (octants, tan(pi/8), the axes, zero).
#include "geo/fast_angles.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

template <typename T>
void ExpectCloseToTheLibrary(double tolerance) {
  double worstAtan = 0, worstSinCos = 0;
  for (int k = 0; k <= 20000; ++k) {
    const double angle = -std::numbers::pi + 2 * std::numbers::pi * k / 20000;
    for (const double length : {1e-12, 0.3, 1.0}) {
      const T y = static_cast<T>(length * std::sin(angle)), x = static_cast<T>(length * std::cos(angle));
      worstAtan = std::max(worstAtan, std::fabs(FastAtan2(y, x) - std::atan2(static_cast<double>(y), x)));
    }
    const T c = static_cast<T>(std::fabs(angle));
    T s, co;
    FastSinCos(c, s, co);
    worstSinCos = std::max({worstSinCos, std::fabs(s - std::sin(static_cast<double>(c))),
                            std::fabs(co - std::cos(static_cast<double>(c)))});
  }
  for (const double a : {0.41421356237309503, 1.0, 0.0}) {
    worstAtan = std::max(worstAtan, std::fabs(FastAtan2(static_cast<T>(a), T(1)) - std::atan(a)));
  }
  EXPECT_LT(worstAtan, tolerance);
  EXPECT_LT(worstSinCos, tolerance);
  EXPECT_EQ(FastAtan2(T(0), T(-1)), std::numbers::pi_v<T>);
  EXPECT_EQ(FastAtan2(T(-0.0), T(-1)), -std::numbers::pi_v<T>);
  EXPECT_EQ(FastAtan2(T(0), T(0)), T(0));
}

TEST(FastAngles, DoubleWithin1e9Radians) { ExpectCloseToTheLibrary<double>(1e-9); }
TEST(FastAngles, FloatWithinAFewMillionths) { ExpectCloseToTheLibrary<float>(2e-6); }

}  // namespace
