#include "render/pipeline/span_loops.h"
#include "render/pipeline/triangle_spans.h"

namespace {

// Pixel `k` of a run.
template <bool kDepthTest, bool kTextured, bool kPowerOfTwo, bool kFlatColour>
inline void FillPixel(const SpanSetup& setup, const float* start, std::uint32_t* colour, float* depth,
                      int k) {
  const float* step = setup.step;
  const float offset = static_cast<float>(k);
  if constexpr (kDepthTest) {
    const float z = start[kSpanDepth] + offset * step[kSpanDepth];
    if (!(z <= depth[k])) return;
    depth[k] = z;
  }
  const float w = 1.0f / (start[kSpanRhw] + offset * step[kSpanRhw]);
  const FlatColour& flat = setup.flatColour;
  const int red =
      kFlatColour ? flat.red : ScaledChannelToByte((start[kSpanRed] + offset * step[kSpanRed]) * w);
  const int green =
      kFlatColour ? flat.green : ScaledChannelToByte((start[kSpanGreen] + offset * step[kSpanGreen]) * w);
  const int blue =
      kFlatColour ? flat.blue : ScaledChannelToByte((start[kSpanBlue] + offset * step[kSpanBlue]) * w);
  if constexpr (kTextured) {
    // Texture coordinates are never below zero but for rounding, so truncating takes the floor.
    int column = TruncateToInt((start[kSpanU] + offset * step[kSpanU]) * w);
    int row = TruncateToInt((start[kSpanV] + offset * step[kSpanV]) * w);
    if constexpr (kPowerOfTwo) {
      column &= setup.textureWidth - 1;
      row &= setup.textureHeight - 1;
    } else {
      column %= setup.textureWidth;
      row %= setup.textureHeight;
      if (column < 0) column += setup.textureWidth;
      if (row < 0) row += setup.textureHeight;
    }
    colour[k] = Modulate(setup.texels[row * setup.textureWidth + column], red, green, blue);
  } else {
    colour[k] = PackRgb(red, green, blue);
  }
}

template <bool kDepthTest, bool kTextured, bool kPowerOfTwo, bool kFlatColour>
void FillOneByOne(const TriangleSpans& triangle, const SpanSetup& setup, const RasterTarget& target) {
  SpanRuns runs;
  for (RunWalker walker(triangle, target.width); walker.Next(&runs);) {
    for (const SpanRun& run : runs) {
      std::uint32_t* colour = target.colour + run.offset;
      float* depth = target.depth != nullptr ? target.depth + run.offset : nullptr;
      for (int k = 0; k < run.count; ++k)
        FillPixel<kDepthTest, kTextured, kPowerOfTwo, kFlatColour>(setup, run.start, colour, depth, k);
    }
  }
}

template <bool kDepthTest, bool kFlatColour>
SpanLoop ForTexture(bool textured, bool powerOfTwoTexture) {
  if (!textured) return &FillOneByOne<kDepthTest, false, false, kFlatColour>;
  if (powerOfTwoTexture) return &FillOneByOne<kDepthTest, true, true, kFlatColour>;
  return &FillOneByOne<kDepthTest, true, false, kFlatColour>;
}

}  // namespace

SpanLoop ScalarSpanLoop(bool depthTest, bool textured, bool powerOfTwoTexture, bool flatColour) {
  if (flatColour)
    return depthTest ? ForTexture<true, true>(textured, powerOfTwoTexture)
                     : ForTexture<false, true>(textured, powerOfTwoTexture);
  return depthTest ? ForTexture<true, false>(textured, powerOfTwoTexture)
                   : ForTexture<false, false>(textured, powerOfTwoTexture);
}
