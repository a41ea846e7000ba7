#pragma once
// Polynomial sine, cosine and arc tangent for the sampling loop, without branches so the
// compiler can run several pixels at once. Within 1e-9 radians of the library's, far below
// the size of a picture's texel.
#include <cmath>
#include <numbers>

// sin and cos of c for 0 <= c <= pi.
inline void FastSinCos(double c, double& sinC, double& cosC) {
  const double t = c - std::numbers::pi / 2;  // sin c = cos t, cos c = -sin t, |t| <= pi/2
  const double t2 = t * t;
  double s = 1.0 / 355687428096000.0;  // 1/17!
  s = s * t2 - 1.0 / 1307674368000.0;
  s = s * t2 + 1.0 / 6227020800.0;
  s = s * t2 - 1.0 / 39916800.0;
  s = s * t2 + 1.0 / 362880.0;
  s = s * t2 - 1.0 / 5040.0;
  s = s * t2 + 1.0 / 120.0;
  s = s * t2 - 1.0 / 6.0;
  s = s * t2 + 1.0;
  double k = -1.0 / 6402373705728000.0;  // -1/18!
  k = k * t2 + 1.0 / 20922789888000.0;
  k = k * t2 - 1.0 / 87178291200.0;
  k = k * t2 + 1.0 / 479001600.0;
  k = k * t2 - 1.0 / 3628800.0;
  k = k * t2 + 1.0 / 40320.0;
  k = k * t2 - 1.0 / 720.0;
  k = k * t2 + 1.0 / 24.0;
  k = k * t2 - 0.5;
  sinC = k * t2 + 1.0;
  cosC = -s * t;
}

// atan2(y, x) in -pi..pi.
inline double FastAtan2(double y, double x) {
  const double ax = std::fabs(x), ay = std::fabs(y);
  // Plain selects rather than std::max and std::min, which pass references the compiler
  // will not turn into branch-free code.
  const double most = ax > ay ? ax : ay, least = ax > ay ? ay : ax;
  const double a = least / (most > 1e-300 ? most : 1e-300);
  // Above tan(pi/8) the angle is pi/4 plus that of (a - 1) / (a + 1), which is small again.
  const bool beyond = a > 0.41421356237309503;
  const double shift = beyond ? 1.0 : 0.0;
  const double t = (a - shift) / (1 + shift * a);
  const double t2 = t * t;
  double r = -1.0 / 19;
  r = r * t2 + 1.0 / 17;
  r = r * t2 - 1.0 / 15;
  r = r * t2 + 1.0 / 13;
  r = r * t2 - 1.0 / 11;
  r = r * t2 + 1.0 / 9;
  r = r * t2 - 1.0 / 7;
  r = r * t2 + 1.0 / 5;
  r = r * t2 - 1.0 / 3;
  r = r * t2 + 1.0;
  r *= t;
  r += shift * (std::numbers::pi / 4);
  r = ay > ax ? std::numbers::pi / 2 - r : r;
  r = x < 0 ? std::numbers::pi - r : r;
  return std::copysign(r, y);
}
