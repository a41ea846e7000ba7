#include "draw/blend_run.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr int kLargestShare = (1 << 15) - 1;

inline std::int16_t ShareOf(float sharePerCoverage, int coverage) {
  return static_cast<std::int16_t>(
      std::min(kLargestShare, static_cast<int>(static_cast<float>(coverage) * sharePerCoverage + 0.5f)));
}

inline std::uint8_t Mix(int pixel, int colour, int share) {
  return static_cast<std::uint8_t>(pixel + (((colour - pixel) * share + (1 << 14)) >> 15));
}

inline bool NoneOfEight(const std::uint8_t* cover) {
  std::uint64_t eight;
  std::memcpy(&eight, cover, 8);
  return eight == 0;
}

#if defined(__SSE2__)
// The shares of eight pixels, each laid over its three channels: three vectors of eight.
inline void SharesOfEight(const std::uint8_t* cover, const BlendColour& colour, __m128i* laid) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(cover)), zero);
  const __m128 per = _mm_set1_ps(colour.sharePerCoverage), half = _mm_set1_ps(0.5f);
  const __m128i low =
      _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpacklo_epi16(words, zero)), per), half));
  const __m128i high =
      _mm_cvttps_epi32(_mm_add_ps(_mm_mul_ps(_mm_cvtepi32_ps(_mm_unpackhi_epi16(words, zero)), per), half));
  // Saturating to 32767, the largest share.
  const __m128i s = _mm_packs_epi32(low, high);
  const __m128i lows = _mm_unpacklo_epi64(s, s), highs = _mm_unpackhi_epi64(s, s);
  laid[0] = _mm_shufflelo_epi16(_mm_shufflehi_epi16(lows, _MM_SHUFFLE(2, 2, 1, 1)), _MM_SHUFFLE(1, 0, 0, 0));
  laid[1] = _mm_shufflelo_epi16(_mm_shufflehi_epi16(s, _MM_SHUFFLE(1, 0, 0, 0)), _MM_SHUFFLE(3, 3, 3, 2));
  laid[2] = _mm_shufflehi_epi16(_mm_shufflelo_epi16(highs, _MM_SHUFFLE(2, 2, 1, 1)), _MM_SHUFFLE(3, 3, 3, 2));
}

// Eight pixels, 24 bytes, as three vectors of eight 16-bit channels.
struct EightPixels {
  __m128i part[3];

  explicit EightPixels(const std::uint8_t* bytes) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
    const __m128i last = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + 16));
    part[0] = _mm_unpacklo_epi8(first, zero);
    part[1] = _mm_unpackhi_epi8(first, zero);
    part[2] = _mm_unpacklo_epi8(last, zero);
  }

  void Store(std::uint8_t* bytes) const {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(bytes), _mm_packus_epi16(part[0], part[1]));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(bytes + 16), _mm_packus_epi16(part[2], part[2]));
  }

  // Mixes in `colour` by the coverage of each of the eight pixels: the difference times the
  // share as a 32-bit product, rounded and shifted back.
  void Mix(const std::uint8_t* cover, const BlendColour& colour) {
    __m128i shares[3];
    SharesOfEight(cover, colour, shares);
    const __m128i half = _mm_set1_epi32(1 << 14);
    for (int k = 0; k < 3; ++k) {
      const __m128i channels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colour.pattern + 8 * k));
      const __m128i difference = _mm_sub_epi16(channels, part[k]);
      const __m128i low = _mm_mullo_epi16(difference, shares[k]),
                    high = _mm_mulhi_epi16(difference, shares[k]);
      const __m128i first = _mm_srai_epi32(_mm_add_epi32(_mm_unpacklo_epi16(low, high), half), 15);
      const __m128i second = _mm_srai_epi32(_mm_add_epi32(_mm_unpackhi_epi16(low, high), half), 15);
      part[k] = _mm_add_epi16(part[k], _mm_packs_epi32(first, second));
    }
  }
};
#endif

}  // namespace

void BlendPixel(std::uint8_t* pixel, const BlendColour& colour, std::uint8_t coverage) {
  const int share = colour.share[coverage];
  pixel[0] = Mix(pixel[0], colour.channel[0], share);
  pixel[1] = Mix(pixel[1], colour.channel[1], share);
  pixel[2] = Mix(pixel[2], colour.channel[2], share);
}

BlendColour BlendColourOf(DrawColour colour, bool bgr) {
  BlendColour ready;
  ready.channel[0] = bgr ? colour.b : colour.r;
  ready.channel[1] = colour.g;
  ready.channel[2] = bgr ? colour.r : colour.b;
  for (int k = 0; k < 24; ++k) ready.pattern[k] = ready.channel[k % 3];
  ready.sharePerCoverage = static_cast<float>(colour.a * 32768.0 / 65025.0);
  for (int coverage = 0; coverage < 256; ++coverage)
    ready.share[coverage] = ShareOf(ready.sharePerCoverage, coverage);
  return ready;
}

void BlendRun(std::uint8_t* row, const std::uint8_t* cover, int from, int to, const BlendColour& colour) {
  int x = from;
#if defined(__SSE2__)
  for (; x + 8 <= to; x += 8) {
    if (NoneOfEight(cover + x)) continue;
    EightPixels pixels(row + 3 * x);
    pixels.Mix(cover + x, colour);
    pixels.Store(row + 3 * x);
  }
#endif
  for (; x < to; ++x) {
    if (cover[x] != 0) BlendPixel(row + 3 * x, colour, cover[x]);
  }
}

void BlendCasedRun(std::uint8_t* row, const std::uint8_t* under, const std::uint8_t* cover, int from, int to,
                   const BlendColour& casing, const BlendColour& colour) {
  int x = from;
#if defined(__SSE2__)
  for (; x + 8 <= to; x += 8) {
    // The line lies within its casing.
    if (NoneOfEight(under + x)) continue;
    EightPixels pixels(row + 3 * x);
    pixels.Mix(under + x, casing);
    pixels.Mix(cover + x, colour);
    pixels.Store(row + 3 * x);
  }
#endif
  for (; x < to; ++x) {
    if (under[x] != 0) BlendPixel(row + 3 * x, casing, under[x]);
    if (cover[x] != 0) BlendPixel(row + 3 * x, colour, cover[x]);
  }
}
