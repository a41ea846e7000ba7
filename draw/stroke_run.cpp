#include "draw/stroke_run.h"

#include <algorithm>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// The distance of a pixel's centre from the segment and half the pixel's width seen across
// the line there: half a pixel when the line is level or upright, half a diagonal at 45
// degrees. Written as the four-pixel loop computes it, operation for operation.
struct Across {
  float distance;
  float half;
};

inline Across AcrossOf(float vx, float vy, const StrokeShape& k) {
  const float t = std::min(std::max(vx * k.ux + vy * k.uy, 0.0f), k.length);
  const float ex = vx - k.ux * t, ey = vy - k.uy * t;
  const float distance = std::sqrt(ex * ex + ey * ey);
  return {distance, distance > 0 ? 0.5f * (std::fabs(ex) + std::fabs(ey)) / distance : k.onLine};
}

// The share of the pixel's width across the line that lies within `halfWidth` of it.
inline std::uint8_t CoverageOf(const Across& a, float halfWidth) {
  const float held = std::min(a.distance + a.half, halfWidth) - std::max(a.distance - a.half, -halfWidth);
  const float coverage = std::min(std::max(held / (a.half + a.half), 0.0f), 1.0f);
  return static_cast<std::uint8_t>(static_cast<int>(coverage * 255.0f + 0.5f));
}

#if defined(__SSE2__)
struct AcrossFour {
  __m128 distance;
  __m128 half;
};

class FourPixels {
 public:
  FourPixels(float py, const StrokeShape& k)
      : ux_(_mm_set1_ps(k.ux)),
        uy_(_mm_set1_ps(k.uy)),
        vy_(_mm_set1_ps(py - k.ay)),
        along0_(_mm_mul_ps(vy_, uy_)),
        length_(_mm_set1_ps(k.length)),
        onLine_(_mm_set1_ps(k.onLine)),
        ax_(_mm_set1_ps(k.ax)) {}

  AcrossFour Across(int x) const {
    const __m128 zero = _mm_setzero_ps(), halfOne = _mm_set1_ps(0.5f);
    const __m128 centres =
        _mm_add_ps(_mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(x), _mm_setr_epi32(0, 1, 2, 3))), halfOne);
    const __m128 vx = _mm_sub_ps(centres, ax_);
    const __m128 t = _mm_min_ps(_mm_max_ps(_mm_add_ps(_mm_mul_ps(vx, ux_), along0_), zero), length_);
    const __m128 ex = _mm_sub_ps(vx, _mm_mul_ps(ux_, t)), ey = _mm_sub_ps(vy_, _mm_mul_ps(uy_, t));
    const __m128 distance = _mm_sqrt_ps(_mm_add_ps(_mm_mul_ps(ex, ex), _mm_mul_ps(ey, ey)));
    const __m128 magnitude = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 across = _mm_div_ps(
        _mm_mul_ps(halfOne, _mm_add_ps(_mm_and_ps(ex, magnitude), _mm_and_ps(ey, magnitude))), distance);
    const __m128 away = _mm_cmpgt_ps(distance, zero);
    return {distance, _mm_or_ps(_mm_and_ps(away, across), _mm_andnot_ps(away, onLine_))};
  }

  // Raises the first `lanes` of the four bytes at `cover` to the coverage within `halfWidth`;
  // the others are written back as they were.
  static void Raise(std::uint8_t* cover, const AcrossFour& a, float halfWidth, int lanes) {
    const __m128 zero = _mm_setzero_ps(), one = _mm_set1_ps(1.0f);
    const __m128 width = _mm_set1_ps(halfWidth), minusWidth = _mm_set1_ps(-halfWidth);
    const __m128 held = _mm_sub_ps(_mm_min_ps(_mm_add_ps(a.distance, a.half), width),
                                   _mm_max_ps(_mm_sub_ps(a.distance, a.half), minusWidth));
    const __m128 coverage = _mm_min_ps(_mm_max_ps(_mm_div_ps(held, _mm_add_ps(a.half, a.half)), zero), one);
    const __m128i kept = _mm_cmplt_epi32(_mm_setr_epi32(0, 1, 2, 3), _mm_set1_epi32(lanes));
    const __m128i values = _mm_and_si128(
        kept, _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(coverage, _mm_set1_ps(255.0f)), _mm_set1_ps(0.5f))));
    const __m128i words = _mm_packs_epi32(values, values);
    const __m128i bytes = _mm_packus_epi16(words, words);
    int old = 0;
    __builtin_memcpy(&old, cover, 4);
    const int raised = _mm_cvtsi128_si32(_mm_max_epu8(bytes, _mm_cvtsi32_si128(old)));
    __builtin_memcpy(cover, &raised, 4);
  }

 private:
  __m128 ux_, uy_, vy_, along0_, length_, onLine_, ax_;
};
#endif

}  // namespace

void CoverStrokeRun(std::uint8_t* cover, int from, int to, float py, const StrokeShape& k) {
  int x = from;
#if defined(__SSE2__)
  const FourPixels four(py, k);
  for (; x <= to; x += 4) FourPixels::Raise(cover + x, four.Across(x), k.halfWidth, to - x + 1);
#else
  const float vy = py - k.ay;
  for (; x <= to; ++x)
    cover[x] = std::max(cover[x], CoverageOf(AcrossOf(x + 0.5f - k.ax, vy, k), k.halfWidth));
#endif
}

void CoverCasedRun(std::uint8_t* cover, std::uint8_t* under, int from, int to, float py, const StrokeShape& k,
                   float casingHalfWidth) {
  int x = from;
#if defined(__SSE2__)
  const FourPixels four(py, k);
  for (; x <= to; x += 4) {
    const AcrossFour across = four.Across(x);
    FourPixels::Raise(cover + x, across, k.halfWidth, to - x + 1);
    FourPixels::Raise(under + x, across, casingHalfWidth, to - x + 1);
  }
#else
  const float vy = py - k.ay;
  for (; x <= to; ++x) {
    const Across across = AcrossOf(x + 0.5f - k.ax, vy, k);
    cover[x] = std::max(cover[x], CoverageOf(across, k.halfWidth));
    under[x] = std::max(under[x], CoverageOf(across, casingHalfWidth));
  }
#endif
}
