// Eight adjacent pixels of a run at once, with AVX2, for processors that have it.
#include "render/pipeline/span_loops.h"
#include "render/pipeline/triangle_spans.h"

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define SKERROWEN_HAVE_AVX2_LOOPS 1
#include <immintrin.h>
#endif

#if defined(SKERROWEN_HAVE_AVX2_LOOPS)

// Built for AVX2 whatever the compiler's default target; only called after the processor has
// been asked.
#define AVX2_FUNCTION __attribute__((target("avx2")))

namespace {

AVX2_FUNCTION inline __m256 Attribute(const float* start, const __m256* step, int attribute, __m256 offsets) {
  return _mm256_add_ps(_mm256_set1_ps(start[attribute]), _mm256_mul_ps(offsets, step[attribute]));
}

// ChannelToByte on three channels of eight lanes, packed as 0x00RRGGBB. Only the top is clamped
// in floats (min returns its second operand, a NaN, for NaN lanes); the conversion turns NaN
// into the most negative int, and the saturating packs take everything below 0 to 0.
AVX2_FUNCTION inline __m256i ChannelToInts(__m256 channel) {
  const __m256 scaled = _mm256_add_ps(_mm256_mul_ps(channel, _mm256_set1_ps(255.0f)), _mm256_set1_ps(0.5f));
  return _mm256_cvttps_epi32(_mm256_min_ps(_mm256_set1_ps(255.0f), scaled));
}

AVX2_FUNCTION inline __m256i ChannelsToRgb(__m256 red, __m256 green, __m256 blue) {
  const __m256i redWords = _mm256_packs_epi32(ChannelToInts(red), _mm256_setzero_si256());
  const __m256i blueGreenWords = _mm256_packs_epi32(ChannelToInts(blue), ChannelToInts(green));
  // Per 128-bit half: bytes b0..b3, g0..g3, r0..r3, then zeros; gathered into pixels b g r 0.
  const __m256i bytes = _mm256_packus_epi16(blueGreenWords, redWords);
  const __m256i order = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 12, 2, 6, 10, 12, 3, 7, 11, 12,  //
                                         0, 4, 8, 12, 1, 5, 9, 12, 2, 6, 10, 12, 3, 7, 11, 12);
  return _mm256_shuffle_epi8(bytes, order);
}

// floor, as FloorToInt for in-range values; out-of-range lanes give some int.
AVX2_FUNCTION inline __m256i FloorToInts(__m256 values) {
  return _mm256_cvttps_epi32(_mm256_floor_ps(values));
}

// MultiplyBytes on sixteen lanes of 0..255 values held in 16 bits: the sums stay below 65536.
AVX2_FUNCTION inline __m256i MultiplyByteWords(__m256i a, __m256i b) {
  const __m256i product = _mm256_add_epi16(_mm256_mullo_epi16(a, b), _mm256_set1_epi16(128));
  return _mm256_srli_epi16(_mm256_add_epi16(product, _mm256_srli_epi16(product, 8)), 8);
}

// Modulate on eight lanes: each byte of the texel times the same byte of `colour` (0x00RRGGBB),
// widened to 16 bits so that one multiply takes two channels of four pixels; the alpha byte
// meets colour's zero and comes out zero.
AVX2_FUNCTION inline __m256i ModulateLanes(__m256i texel, __m256i colour) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low =
      MultiplyByteWords(_mm256_unpacklo_epi8(texel, zero), _mm256_unpacklo_epi8(colour, zero));
  const __m256i high =
      MultiplyByteWords(_mm256_unpackhi_epi8(texel, zero), _mm256_unpackhi_epi8(colour, zero));
  return _mm256_packus_epi16(low, high);
}

// The last group of a run is masked to its length: its loads and stores stay within the target's
// padding and write back what they read.
template <bool kDepthTest, bool kTextured>
AVX2_FUNCTION void FillEightAtATime(const TriangleSpans& triangle, const SpanSetup& setup,
                                    const RasterTarget& target) {
  __m256 step[kSpanAttributeCount];
  for (int i = 0; i < kSpanAttributeCount; ++i) step[i] = _mm256_set1_ps(setup.step[i]);
  const __m256i columnMask = _mm256_set1_epi32(setup.textureWidth - 1);
  const __m256i rowMask = _mm256_set1_epi32(setup.textureHeight - 1);
  const __m128i rowShift = _mm_cvtsi32_si128(setup.textureWidthLog2);
  const __m256 textureWidth = _mm256_set1_ps(setup.textureWidthF);
  const __m256 textureHeight = _mm256_set1_ps(setup.textureHeightF);
  // Pixel offsets within a run are whole numbers far below 2^24, so stepping them in floats is exact.
  const __m256 laneOffsets = _mm256_set_ps(7, 6, 5, 4, 3, 2, 1, 0);
  const __m256 eight = _mm256_set1_ps(8);
  const int* texels = reinterpret_cast<const int*>(setup.texels);

  SpanRuns runs;
  for (RunWalker walker(triangle, target.width); walker.Next(&runs);) {
    for (const SpanRun& run : runs) {
      const float* start = run.start;
      std::uint32_t* colour = target.colour + run.offset;
      float* depth = target.depth != nullptr ? target.depth + run.offset : nullptr;
      const int count = run.count;
      const __m256 laneCount = _mm256_set1_ps(static_cast<float>(count));
      __m256 offsets = laneOffsets;
      for (int k = 0; k < count; k += 8, offsets = _mm256_add_ps(offsets, eight)) {
        __m256i write = _mm256_castps_si256(_mm256_cmp_ps(offsets, laneCount, _CMP_LT_OQ));
        if constexpr (kDepthTest) {
          const __m256 z = Attribute(start, step, kSpanDepth, offsets);
          const __m256 stored = _mm256_loadu_ps(depth + k);
          write = _mm256_and_si256(write, _mm256_castps_si256(_mm256_cmp_ps(z, stored, _CMP_LE_OQ)));
          if (_mm256_testz_si256(write, write)) continue;
          _mm256_storeu_ps(depth + k, _mm256_blendv_ps(stored, z, _mm256_castsi256_ps(write)));
        }
        const __m256 w = _mm256_div_ps(_mm256_set1_ps(1.0f), Attribute(start, step, kSpanRhw, offsets));
        const __m256i rgb = ChannelsToRgb(_mm256_mul_ps(Attribute(start, step, kSpanRed, offsets), w),
                                          _mm256_mul_ps(Attribute(start, step, kSpanGreen, offsets), w),
                                          _mm256_mul_ps(Attribute(start, step, kSpanBlue, offsets), w));
        __m256i pixels;
        if constexpr (kTextured) {
          const __m256 u = _mm256_mul_ps(Attribute(start, step, kSpanU, offsets), w);
          const __m256 v = _mm256_mul_ps(Attribute(start, step, kSpanV, offsets), w);
          const __m256i texelColumn =
              _mm256_and_si256(FloorToInts(_mm256_mul_ps(u, textureWidth)), columnMask);
          const __m256i texelRow = _mm256_and_si256(FloorToInts(_mm256_mul_ps(v, textureHeight)), rowMask);
          const __m256i index = _mm256_or_si256(_mm256_sll_epi32(texelRow, rowShift), texelColumn);
          // Only the lanes that get written fetch a texel.
          const __m256i texel = _mm256_mask_i32gather_epi32(_mm256_setzero_si256(), texels, index, write, 4);
          pixels = ModulateLanes(texel, rgb);
        } else {
          pixels = rgb;
        }
        __m256i* destination = reinterpret_cast<__m256i*>(colour + k);
        // A group written whole needs nothing of what the target held.
        if (_mm256_movemask_epi8(write) == -1) {
          _mm256_storeu_si256(destination, pixels);
        } else {
          _mm256_storeu_si256(destination,
                              _mm256_blendv_epi8(_mm256_loadu_si256(destination), pixels, write));
        }
      }
    }
  }
}

}  // namespace

SpanLoop Avx2SpanLoop(bool depthTest, bool textured) {
  if (!__builtin_cpu_supports("avx2")) return nullptr;
  if (depthTest) return textured ? &FillEightAtATime<true, true> : &FillEightAtATime<true, false>;
  return textured ? &FillEightAtATime<false, true> : &FillEightAtATime<false, false>;
}

#else

SpanLoop Avx2SpanLoop(bool, bool) { return nullptr; }

#endif
