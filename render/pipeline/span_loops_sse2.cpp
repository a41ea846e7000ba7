// Four adjacent pixels of a run at once, with SSE2 (every x86-64 processor has it), for processors
// without AVX2.
#include "render/pipeline/span_loops.h"
#include "render/pipeline/triangle_spans.h"

#if defined(__SSE2__)
#include <emmintrin.h>

namespace {

inline __m128 Attribute(const float* start, const float* step, int attribute, __m128 offsets) {
  return _mm_add_ps(_mm_set1_ps(start[attribute]), _mm_mul_ps(offsets, _mm_set1_ps(step[attribute])));
}

// ScaledChannelToByte on four lanes.
inline __m128i ScaledChannelsToBytes(__m128 scaled) {
  // max and min return their second operand for NaN lanes, as the scalar clamp does.
  scaled = _mm_min_ps(_mm_max_ps(scaled, _mm_setzero_ps()), _mm_set1_ps(255.0f));
  return _mm_cvttps_epi32(scaled);
}

// MultiplyBytes on four lanes of values 0..255: the 16-bit multiply suffices, as the products
// fit in the low halves and the high halves multiply zeros.
inline __m128i MultiplyByteLanes(__m128i a, __m128i b) {
  const __m128i product = _mm_add_epi32(_mm_mullo_epi16(a, b), _mm_set1_epi32(128));
  return _mm_srli_epi32(_mm_add_epi32(product, _mm_srli_epi32(product, 8)), 8);
}

inline __m128i PackRgbLanes(__m128i red, __m128i green, __m128i blue) {
  return _mm_or_si128(_mm_or_si128(_mm_slli_epi32(red, 16), _mm_slli_epi32(green, 8)), blue);
}

inline __m128i Select(__m128i mask, __m128i chosen, __m128i other) {
  return _mm_or_si128(_mm_and_si128(mask, chosen), _mm_andnot_si128(mask, other));
}

// Pixels k .. k + 3 of a run of `count` (from `colour` and `depth`); those from `count` on are
// read and written back unchanged. Power-of-two textures only: the texel address is a shift and
// a mask.
template <bool kDepthTest, bool kTextured, bool kFlatColour>
inline void FillFour(const SpanSetup& setup, const float* start, std::uint32_t* colour, float* depth, int k,
                     int count) {
  const float* step = setup.step;
  const __m128i lanes = _mm_add_epi32(_mm_set1_epi32(k), _mm_set_epi32(3, 2, 1, 0));
  const __m128 offsets = _mm_cvtepi32_ps(lanes);
  __m128i write = _mm_cmplt_epi32(lanes, _mm_set1_epi32(count));
  if constexpr (kDepthTest) {
    const __m128 z = Attribute(start, step, kSpanDepth, offsets);
    const __m128 stored = _mm_loadu_ps(depth + k);
    write = _mm_and_si128(write, _mm_castps_si128(_mm_cmple_ps(z, stored)));
    if (_mm_movemask_epi8(write) == 0) return;
    _mm_storeu_ps(depth + k, _mm_castsi128_ps(Select(write, _mm_castps_si128(z), _mm_castps_si128(stored))));
  }
  const __m128 w = _mm_div_ps(_mm_set1_ps(1.0f), Attribute(start, step, kSpanRhw, offsets));
  const FlatColour& flat = setup.flatColour;
  const __m128i red = kFlatColour
                          ? _mm_set1_epi32(flat.red)
                          : ScaledChannelsToBytes(_mm_mul_ps(Attribute(start, step, kSpanRed, offsets), w));
  const __m128i green =
      kFlatColour ? _mm_set1_epi32(flat.green)
                  : ScaledChannelsToBytes(_mm_mul_ps(Attribute(start, step, kSpanGreen, offsets), w));
  const __m128i blue = kFlatColour
                           ? _mm_set1_epi32(flat.blue)
                           : ScaledChannelsToBytes(_mm_mul_ps(Attribute(start, step, kSpanBlue, offsets), w));
  __m128i pixels;
  if constexpr (kTextured) {
    const __m128 u = _mm_mul_ps(Attribute(start, step, kSpanU, offsets), w);
    const __m128 v = _mm_mul_ps(Attribute(start, step, kSpanV, offsets), w);
    const __m128i column = _mm_and_si128(_mm_cvttps_epi32(u), _mm_set1_epi32(setup.textureWidth - 1));
    const __m128i row = _mm_and_si128(_mm_cvttps_epi32(v), _mm_set1_epi32(setup.textureHeight - 1));
    alignas(16) std::int32_t index[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(index),
                    _mm_or_si128(_mm_sll_epi32(row, _mm_cvtsi32_si128(setup.textureWidthLog2)), column));
    const std::uint32_t* texels = setup.texels;
    const __m128i texel =
        _mm_set_epi32(static_cast<int>(texels[index[3]]), static_cast<int>(texels[index[2]]),
                      static_cast<int>(texels[index[1]]), static_cast<int>(texels[index[0]]));
    const __m128i byteMask = _mm_set1_epi32(0xFF);
    pixels = PackRgbLanes(MultiplyByteLanes(_mm_and_si128(_mm_srli_epi32(texel, 16), byteMask), red),
                          MultiplyByteLanes(_mm_and_si128(_mm_srli_epi32(texel, 8), byteMask), green),
                          MultiplyByteLanes(_mm_and_si128(texel, byteMask), blue));
  } else {
    pixels = PackRgbLanes(red, green, blue);
  }
  __m128i* destination = reinterpret_cast<__m128i*>(colour + k);
  _mm_storeu_si128(destination, Select(write, pixels, _mm_loadu_si128(destination)));
}

// The last group of a run is masked to its length (hence the target's padding).
template <bool kDepthTest, bool kTextured, bool kFlatColour>
void FillFourAtATime(const TriangleSpans& triangle, const SpanSetup& setup, const RasterTarget& target) {
  SpanRuns runs;
  for (RunWalker walker(triangle, target.width); walker.Next(&runs);) {
    for (const SpanRun& run : runs) {
      std::uint32_t* colour = target.colour + run.offset;
      float* depth = target.depth != nullptr ? target.depth + run.offset : nullptr;
      for (int k = 0; k < run.count; k += 4)
        FillFour<kDepthTest, kTextured, kFlatColour>(setup, run.start, colour, depth, k, run.count);
    }
  }
}

template <bool kFlatColour>
SpanLoop ForDepthTest(bool depthTest, bool textured) {
  if (depthTest)
    return textured ? &FillFourAtATime<true, true, kFlatColour> : &FillFourAtATime<true, false, kFlatColour>;
  return textured ? &FillFourAtATime<false, true, kFlatColour> : &FillFourAtATime<false, false, kFlatColour>;
}

}  // namespace

SpanLoop Sse2SpanLoop(bool depthTest, bool textured, bool flatColour) {
  return flatColour ? ForDepthTest<true>(depthTest, textured) : ForDepthTest<false>(depthTest, textured);
}

#else

SpanLoop Sse2SpanLoop(bool, bool, bool) { return nullptr; }

#endif
