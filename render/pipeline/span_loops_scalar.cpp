#include "render/pipeline/span_loops.h"
#include "render/pipeline/triangle_spans.h"

namespace {

// Pixel `k` of a run.
template <bool kDepthTest, bool kTextured, bool kPowerOfTwo>
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
  const int red = ChannelToByte((start[kSpanRed] + offset * step[kSpanRed]) * w);
  const int green = ChannelToByte((start[kSpanGreen] + offset * step[kSpanGreen]) * w);
  const int blue = ChannelToByte((start[kSpanBlue] + offset * step[kSpanBlue]) * w);
  if constexpr (kTextured) {
    const float u = (start[kSpanU] + offset * step[kSpanU]) * w;
    const float v = (start[kSpanV] + offset * step[kSpanV]) * w;
    int column = FloorToInt(u * setup.textureWidthF);
    int row = FloorToInt(v * setup.textureHeightF);
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

template <bool kDepthTest, bool kTextured, bool kPowerOfTwo>
void FillOneByOne(const TriangleSpans& triangle, const SpanSetup& setup, const RasterTarget& target) {
  SpanRuns runs;
  for (RunWalker walker(triangle, target.width); walker.Next(&runs);) {
    for (const SpanRun& run : runs) {
      std::uint32_t* colour = target.colour + run.offset;
      float* depth = target.depth != nullptr ? target.depth + run.offset : nullptr;
      for (int k = 0; k < run.count; ++k)
        FillPixel<kDepthTest, kTextured, kPowerOfTwo>(setup, run.start, colour, depth, k);
    }
  }
}

template <bool kDepthTest>
SpanLoop ForTexture(bool textured, bool powerOfTwoTexture) {
  if (!textured) return &FillOneByOne<kDepthTest, false, false>;
  if (powerOfTwoTexture) return &FillOneByOne<kDepthTest, true, true>;
  return &FillOneByOne<kDepthTest, true, false>;
}

}  // namespace

SpanLoop ScalarSpanLoop(bool depthTest, bool textured, bool powerOfTwoTexture) {
  return depthTest ? ForTexture<true>(textured, powerOfTwoTexture)
                   : ForTexture<false>(textured, powerOfTwoTexture);
}
