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

// ScaledChannelToByte on eight lanes, as ints that the saturating packs below take to 0..255:
// the rasterizer bounds colours so that a scaled channel stays within an int, and NaN becomes
// the most negative int, which packs to 0.
AVX2_FUNCTION inline __m256i ScaledChannelToInts(__m256 scaled) { return _mm256_cvttps_epi32(scaled); }

// Three channels of eight lanes as bytes: per 128-bit half b0..b3, g0..g3, r0..r3, then zeros.
AVX2_FUNCTION inline __m256i ChannelBytes(__m256 red, __m256 green, __m256 blue) {
  const __m256i redWords = _mm256_packs_epi32(ScaledChannelToInts(red), _mm256_setzero_si256());
  const __m256i blueGreenWords = _mm256_packs_epi32(ScaledChannelToInts(blue), ScaledChannelToInts(green));
  return _mm256_packus_epi16(blueGreenWords, redWords);
}

// The channel bytes gathered into pixels b g r 0.
AVX2_FUNCTION inline __m256i BytesToRgb(__m256i bytes) {
  const __m256i order = _mm256_setr_epi8(0, 4, 8, 12, 1, 5, 9, 12, 2, 6, 10, 12, 3, 7, 11, 12,  //
                                         0, 4, 8, 12, 1, 5, 9, 12, 2, 6, 10, 12, 3, 7, 11, 12);
  return _mm256_shuffle_epi8(bytes, order);
}

// MultiplyBytes on sixteen lanes of 0..255 values held in 16 bits: with p = a b + 128 below
// 65536, (p + (p >> 8)) >> 8 is the high half of p * 257.
AVX2_FUNCTION inline __m256i MultiplyByteWords(__m256i a, __m256i b) {
  const __m256i product = _mm256_add_epi16(_mm256_mullo_epi16(a, b), _mm256_set1_epi16(128));
  return _mm256_mulhi_epu16(product, _mm256_set1_epi16(257));
}

// The lit colour's bytes (as ChannelBytes lays them out) shuffled into the 16-bit layout of the
// texels of pixels 0, 1 (4, 5) and 2, 3 (6, 7): b g r 0 per pixel.
struct ColourWords {
  __m256i first, second;
};

AVX2_FUNCTION inline ColourWords ToColourWords(__m256i colourBytes) {
  constexpr char z = -128;  // a shuffle index that gives a zero byte
  const __m256i firstPixels = _mm256_setr_epi8(0, z, 4, z, 8, z, z, z, 1, z, 5, z, 9, z, z, z,  //
                                               0, z, 4, z, 8, z, z, z, 1, z, 5, z, 9, z, z, z);
  const __m256i secondPixels = _mm256_setr_epi8(2, z, 6, z, 10, z, z, z, 3, z, 7, z, 11, z, z, z,  //
                                                2, z, 6, z, 10, z, z, z, 3, z, 7, z, 11, z, z, z);
  return {_mm256_shuffle_epi8(colourBytes, firstPixels), _mm256_shuffle_epi8(colourBytes, secondPixels)};
}

// Modulate on eight lanes: each byte of the texel times the same channel of the lit colour, both
// widened to 16 bits so that one multiply takes two channels of four pixels. The alpha byte meets
// the colour's zero and comes out zero.
AVX2_FUNCTION inline __m256i ModulateLanes(__m256i texel, const ColourWords& colour) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i low = MultiplyByteWords(_mm256_unpacklo_epi8(texel, zero), colour.first);
  const __m256i high = MultiplyByteWords(_mm256_unpackhi_epi8(texel, zero), colour.second);
  return _mm256_packus_epi16(low, high);
}

// What the loop keeps for a whole triangle.
struct TriangleLanes {
  __m256 step[kSpanAttributeCount];
  __m256i columnMask, rowMask;
  __m128i rowShift;
  const int* texels;
  // A flat colour, as bytes and as the words that modulate texels.
  __m256i flatColourBytes;
  ColourWords flatColourWords;
};

// Writes eight pixels; those outside `write` keep what the target held.
AVX2_FUNCTION inline void StorePixels(std::uint32_t* colour, __m256i pixels, __m256i write) {
  __m256i* destination = reinterpret_cast<__m256i*>(colour);
  // A group written whole needs nothing of what the target held.
  if (_mm256_movemask_epi8(write) == -1) {
    _mm256_storeu_si256(destination, pixels);
  } else {
    _mm256_storeu_si256(destination, _mm256_blendv_epi8(_mm256_loadu_si256(destination), pixels, write));
  }
}

// Textured groups waiting for their texels. A group's work is one long chain (the division, the
// texel index, the gather, the modulation), too long for the processor to overlap with the next
// group's; so the groups of a stretch are taken up to their texel index first, and then their
// texels are fetched and their colours written together, where the fetches overlap. With a flat
// colour the groups' colours are the triangle's.
template <bool kFlatColour>
class TexelFetches {
 public:
  AVX2_FUNCTION void Add(std::uint32_t* colour, __m256i write, __m256i index, __m256i colourBytes) {
    Pending& pending = pending_[count_++];
    pending.colour = colour;
    pending.write = write;
    pending.index = index;
    if constexpr (!kFlatColour) pending.colourBytes = colourBytes;
  }

  bool Full() const { return count_ == kCapacity; }

  AVX2_FUNCTION void Finish(const TriangleLanes& lanes) {
    for (int i = 0; i < count_; ++i) {
      const Pending& pending = pending_[i];
      // Indices are masked into the texture, so lanes that are not written may fetch too.
      const __m256i texel = _mm256_i32gather_epi32(lanes.texels, pending.index, 4);
      const __m256i pixels = kFlatColour ? ModulateLanes(texel, lanes.flatColourWords)
                                         : ModulateLanes(texel, ToColourWords(pending.colourBytes));
      StorePixels(pending.colour, pixels, pending.write);
    }
    count_ = 0;
  }

 private:
  static constexpr int kCapacity = 32;
  struct Pending {
    __m256i write, index, colourBytes;
    std::uint32_t* colour;
  };
  int count_ = 0;
  Pending pending_[kCapacity];
};

// Eight pixels of a run from `colour` and `depth`, at offsets `offsets` from its start. A
// partial group writes only the lanes in `inRun`, and its loads and stores reach into the
// target's padding past the run, writing back what they read. A textured group is left to
// `fetches` once its texel indices are known.
template <bool kDepthTest, bool kTextured, bool kFlatColour, bool kPartial>
AVX2_FUNCTION inline void FillGroup(const TriangleLanes& lanes, const float* start, __m256 offsets,
                                    std::uint32_t* colour, float* depth, __m256i inRun,
                                    TexelFetches<kFlatColour>& fetches) {
  const __m256* step = lanes.step;
  __m256i write = inRun;
  if constexpr (kDepthTest) {
    const __m256 z = Attribute(start, step, kSpanDepth, offsets);
    const __m256 stored = _mm256_loadu_ps(depth);
    const __m256i passes = _mm256_castps_si256(_mm256_cmp_ps(z, stored, _CMP_LE_OQ));
    write = kPartial ? _mm256_and_si256(write, passes) : passes;
    if (_mm256_testz_si256(write, write)) return;
    _mm256_storeu_ps(depth, kPartial || _mm256_movemask_ps(_mm256_castsi256_ps(write)) != 0xFF
                                ? _mm256_blendv_ps(stored, z, _mm256_castsi256_ps(write))
                                : z);
  }
  if constexpr (!kTextured && kFlatColour) {
    StorePixels(colour, BytesToRgb(lanes.flatColourBytes), write);
    return;
  }
  const __m256 w = _mm256_div_ps(_mm256_set1_ps(1.0f), Attribute(start, step, kSpanRhw, offsets));
  __m256i colourBytes = lanes.flatColourBytes;
  if constexpr (!kFlatColour)
    colourBytes = ChannelBytes(_mm256_mul_ps(Attribute(start, step, kSpanRed, offsets), w),
                               _mm256_mul_ps(Attribute(start, step, kSpanGreen, offsets), w),
                               _mm256_mul_ps(Attribute(start, step, kSpanBlue, offsets), w));
  if constexpr (kTextured) {
    // Never below zero but for rounding, so truncating takes the floor.
    const __m256 column = _mm256_mul_ps(Attribute(start, step, kSpanU, offsets), w);
    const __m256 row = _mm256_mul_ps(Attribute(start, step, kSpanV, offsets), w);
    const __m256i texelColumn = _mm256_and_si256(_mm256_cvttps_epi32(column), lanes.columnMask);
    const __m256i texelRow = _mm256_and_si256(_mm256_cvttps_epi32(row), lanes.rowMask);
    fetches.Add(colour, write, _mm256_or_si256(_mm256_sll_epi32(texelRow, lanes.rowShift), texelColumn),
                colourBytes);
    if (fetches.Full()) fetches.Finish(lanes);
  } else {
    StorePixels(colour, BytesToRgb(colourBytes), write);
  }
}

template <bool kDepthTest, bool kTextured, bool kFlatColour>
AVX2_FUNCTION void FillEightAtATime(const TriangleSpans& triangle, const SpanSetup& setup,
                                    const RasterTarget& target) {
  TriangleLanes lanes;
  for (int i = 0; i < kSpanAttributeCount; ++i) lanes.step[i] = _mm256_set1_ps(setup.step[i]);
  lanes.columnMask = _mm256_set1_epi32(setup.textureWidth - 1);
  lanes.rowMask = _mm256_set1_epi32(setup.textureHeight - 1);
  lanes.rowShift = _mm_cvtsi32_si128(setup.textureWidthLog2);
  lanes.texels = reinterpret_cast<const int*>(setup.texels);
  const FlatColour& flat = setup.flatColour;
  lanes.flatColourBytes = ChannelBytes(_mm256_set1_ps(static_cast<float>(flat.red)),
                                       _mm256_set1_ps(static_cast<float>(flat.green)),
                                       _mm256_set1_ps(static_cast<float>(flat.blue)));
  lanes.flatColourWords = ToColourWords(lanes.flatColourBytes);
  // Pixel offsets within a run are whole numbers far below 2^24, so stepping them in floats is exact.
  const __m256 laneOffsets = _mm256_set_ps(7, 6, 5, 4, 3, 2, 1, 0);
  const __m256 eight = _mm256_set1_ps(8);
  const __m256i everyLane = _mm256_set1_epi32(-1);

  SpanRuns runs;
  TexelFetches<kFlatColour> fetches;
  for (RunWalker walker(triangle, target.width); walker.Next(&runs);) {
    for (const SpanRun& run : runs) {
      std::uint32_t* colour = target.colour + run.offset;
      float* depth = target.depth != nullptr ? target.depth + run.offset : nullptr;
      const int count = run.count;
      __m256 offsets = laneOffsets;
      int k = 0;
      for (; k + 8 <= count; k += 8, offsets = _mm256_add_ps(offsets, eight))
        FillGroup<kDepthTest, kTextured, kFlatColour, false>(
            lanes, run.start, offsets, colour + k, kDepthTest ? depth + k : nullptr, everyLane, fetches);
      if (k < count) {
        const __m256i inRun = _mm256_castps_si256(
            _mm256_cmp_ps(offsets, _mm256_set1_ps(static_cast<float>(count)), _CMP_LT_OQ));
        FillGroup<kDepthTest, kTextured, kFlatColour, true>(lanes, run.start, offsets, colour + k,
                                                            kDepthTest ? depth + k : nullptr, inRun, fetches);
      }
    }
  }
  if constexpr (kTextured) fetches.Finish(lanes);
}

template <bool kFlatColour>
SpanLoop ForDepthTest(bool depthTest, bool textured) {
  if (depthTest)
    return textured ? &FillEightAtATime<true, true, kFlatColour>
                    : &FillEightAtATime<true, false, kFlatColour>;
  return textured ? &FillEightAtATime<false, true, kFlatColour>
                  : &FillEightAtATime<false, false, kFlatColour>;
}

}  // namespace

SpanLoop Avx2SpanLoop(bool depthTest, bool textured, bool flatColour) {
  if (!__builtin_cpu_supports("avx2")) return nullptr;
  return flatColour ? ForDepthTest<true>(depthTest, textured) : ForDepthTest<false>(depthTest, textured);
}

#else

SpanLoop Avx2SpanLoop(bool, bool, bool) { return nullptr; }

#endif
