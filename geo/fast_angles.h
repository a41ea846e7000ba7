#pragma once
// Polynomial sine, cosine and arc tangent for the sampling loop, without branches so the
// compiler can run several pixels at once. In double within 1e-9 radians of the library's;
// in float within a few 1e-7, still far below the size of a picture's texel.
#include <cmath>
#include <numbers>
#include <type_traits>

// sin and cos of c for 0 <= c <= pi.
template <typename T>
inline void FastSinCos(T c, T& sinC, T& cosC) {
  const T t = c - std::numbers::pi_v<T> / 2;  // sin c = cos t, cos c = -sin t, |t| <= pi/2
  const T t2 = t * t;
  // Single precision needs the series only up to t^11 and t^12.
  constexpr bool kShort = std::is_same_v<T, float>;
  T s = T(-1.0 / 39916800.0);
  if constexpr (!kShort) {
    s = T(1.0 / 355687428096000.0);  // 1/17!
    s = s * t2 - T(1.0 / 1307674368000.0);
    s = s * t2 + T(1.0 / 6227020800.0);
    s = s * t2 - T(1.0 / 39916800.0);
  }
  s = s * t2 + T(1.0 / 362880.0);
  s = s * t2 - T(1.0 / 5040.0);
  s = s * t2 + T(1.0 / 120.0);
  s = s * t2 - T(1.0 / 6.0);
  s = s * t2 + T(1);
  T k = T(1.0 / 479001600.0);
  if constexpr (!kShort) {
    k = T(-1.0 / 6402373705728000.0);  // -1/18!
    k = k * t2 + T(1.0 / 20922789888000.0);
    k = k * t2 - T(1.0 / 87178291200.0);
    k = k * t2 + T(1.0 / 479001600.0);
  }
  k = k * t2 - T(1.0 / 3628800.0);
  k = k * t2 + T(1.0 / 40320.0);
  k = k * t2 - T(1.0 / 720.0);
  k = k * t2 + T(1.0 / 24.0);
  k = k * t2 - T(0.5);
  sinC = k * t2 + T(1);
  cosC = -s * t;
}

// atan2(y, x) in -pi..pi.
template <typename T>
inline T FastAtan2(T y, T x) {
  const T ax = std::fabs(x), ay = std::fabs(y);
  // Plain selects rather than std::max and std::min, which pass references the compiler
  // will not turn into branch-free code.
  const T most = ax > ay ? ax : ay, least = ax > ay ? ay : ax;
  const T a = least / (most > T(1e-30) ? most : T(1e-30));
  // Above tan(pi/8) the angle is pi/4 plus that of (a - 1) / (a + 1), which is small again.
  const bool beyond = a > T(0.41421356237309503);
  const T shift = beyond ? T(1) : T(0);
  const T t = (a - shift) / (1 + shift * a);
  const T t2 = t * t;
  // Single precision needs the series only up to t^13.
  T r = T(1.0 / 13);
  if constexpr (!std::is_same_v<T, float>) {
    r = T(-1.0 / 19);
    r = r * t2 + T(1.0 / 17);
    r = r * t2 - T(1.0 / 15);
    r = r * t2 + T(1.0 / 13);
  }
  r = r * t2 - T(1.0 / 11);
  r = r * t2 + T(1.0 / 9);
  r = r * t2 - T(1.0 / 7);
  r = r * t2 + T(1.0 / 5);
  r = r * t2 - T(1.0 / 3);
  r = r * t2 + T(1);
  r *= t;
  r += shift * (std::numbers::pi_v<T> / 4);
  r = ay > ax ? std::numbers::pi_v<T> / 2 - r : r;
  r = x < 0 ? std::numbers::pi_v<T> - r : r;
  return std::copysign(r, y);
}
