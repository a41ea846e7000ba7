#include "render/triangle_spans.h"

#include "render/four_pixel_group.h"
#include "render/span_loops_avx2.h"

namespace {

enum class DepthMode { kOff, kLessEqualWrite, kGeneral };

bool IsPowerOfTwo(int value) { return value > 0 && (value & (value - 1)) == 0; }

int Log2(int powerOfTwo) {
  int bits = 0;
  while ((1 << bits) < powerOfTwo) ++bits;
  return bits;
}

// Pixel `k` of a run. The loops over several pixels at once compute the same values with the
// same float operations in the same order, so every loop gives identical pixels.
template <DepthMode kDepth, bool kTextured, bool kPowerOfTwo>
inline void FillPixel(const FillSetup& setup, const float* start, std::uint32_t* colour, float* depth,
                      int k) {
  const float* step = setup.step;
  const float offset = static_cast<float>(k);
  if constexpr (kDepth != DepthMode::kOff) {
    const float z = start[kSpanDepth] + offset * step[kSpanDepth];
    if constexpr (kDepth == DepthMode::kLessEqualWrite) {
      if (!(z <= depth[k])) return;
      depth[k] = z;
    } else {
      if (!DepthPasses(setup.depthCompare, z, depth[k])) return;
      if (setup.depthWrite) depth[k] = z;
    }
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

template <DepthMode kDepth, bool kTextured, bool kPowerOfTwo>
void FillOneByOne(const TriangleSpans& triangle, const FillSetup& setup, const RasterTarget& target) {
  RunWalker runs(triangle);
  int row, column, count;
  float start[kSpanAttributeCount];
  while (runs.Next(&row, &column, &count)) {
    AttributesAt(triangle, row, column, start);
    const std::size_t offset = static_cast<std::size_t>(row) * target.width + column;
    std::uint32_t* colour = target.colour + offset;
    float* depth = target.depth != nullptr ? target.depth + offset : nullptr;
    for (int k = 0; k < count; ++k) FillPixel<kDepth, kTextured, kPowerOfTwo>(setup, start, colour, depth, k);
  }
}

#if defined(__SSE2__)

// Four pixels at a time, the last group of a run masked to its length (hence the target's
// padding).
template <DepthMode kDepth, bool kTextured>
void FillFourAtATime(const TriangleSpans& triangle, const FillSetup& setup, const RasterTarget& target) {
  const FourPixelGroup group(setup);
  RunWalker runs(triangle);
  int row, column, count;
  float start[kSpanAttributeCount];
  while (runs.Next(&row, &column, &count)) {
    AttributesAt(triangle, row, column, start);
    const std::size_t offset = static_cast<std::size_t>(row) * target.width + column;
    std::uint32_t* colour = target.colour + offset;
    float* depth = target.depth != nullptr ? target.depth + offset : nullptr;
    for (int k = 0; k < count; k += 4)
      group.Fill<kDepth == DepthMode::kLessEqualWrite, kTextured>(start, colour, depth, k, count);
  }
}

#endif

template <DepthMode kDepth, bool kTextured, bool kPowerOfTwo>
TriangleFillFunction FillFunctionFor([[maybe_unused]] FillLoopWidth widest) {
#if defined(__SSE2__)
  if constexpr (kDepth != DepthMode::kGeneral && (kPowerOfTwo || !kTextured)) {
    if (widest != FillLoopWidth::kOnePixel) return &FillFourAtATime<kDepth, kTextured>;
  }
#endif
  return &FillOneByOne<kDepth, kTextured, kPowerOfTwo>;
}

template <DepthMode kDepth>
TriangleFillFunction ChooseTexturing(bool textured, bool powerOfTwo, FillLoopWidth widest) {
  if (!textured) return FillFunctionFor<kDepth, false, false>(widest);
  if (powerOfTwo) return FillFunctionFor<kDepth, true, true>(widest);
  return FillFunctionFor<kDepth, true, false>(widest);
}

TriangleFillFunction ChooseFillFunction(const PixelPipeline& pipeline) {
  const bool textured = pipeline.texture != nullptr;
  const bool powerOfTwo =
      textured && IsPowerOfTwo(pipeline.texture->width) && IsPowerOfTwo(pipeline.texture->height);
  const bool lessEqualWrite = pipeline.depthCompare == DepthCompare::kLessEqual && pipeline.depthWrite;
  const FillLoopWidth widest = pipeline.widestFillLoop;
  if (widest == FillLoopWidth::kEightPixels && (!pipeline.depthTest || lessEqualWrite) &&
      (!textured || powerOfTwo)) {
    if (const TriangleFillFunction wide = ChooseAvx2FillFunction(pipeline.depthTest, textured)) return wide;
  }
  if (!pipeline.depthTest) return ChooseTexturing<DepthMode::kOff>(textured, powerOfTwo, widest);
  if (lessEqualWrite) return ChooseTexturing<DepthMode::kLessEqualWrite>(textured, powerOfTwo, widest);
  return ChooseTexturing<DepthMode::kGeneral>(textured, powerOfTwo, widest);
}

FillSetup MakeFillSetup(const TriangleSpans& triangle, const PixelPipeline& pipeline) {
  FillSetup setup{};
  for (int i = 0; i < kSpanAttributeCount; ++i) setup.step[i] = static_cast<float>(triangle.ddx[i]);
  setup.depthCompare = pipeline.depthCompare;
  setup.depthWrite = pipeline.depthWrite;
  if (pipeline.texture != nullptr) {
    setup.texels = pipeline.texture->texels.data();
    setup.textureWidth = pipeline.texture->width;
    setup.textureHeight = pipeline.texture->height;
    setup.textureWidthLog2 = IsPowerOfTwo(setup.textureWidth) ? Log2(setup.textureWidth) : 0;
    setup.textureWidthF = static_cast<float>(setup.textureWidth);
    setup.textureHeightF = static_cast<float>(setup.textureHeight);
  }
  return setup;
}

}  // namespace

void FillTriangleSpans(const TriangleSpans& triangle, const RasterTarget& target,
                       const PixelPipeline& pipeline) {
  ChooseFillFunction(pipeline)(triangle, MakeFillSetup(triangle, pipeline), target);
}
