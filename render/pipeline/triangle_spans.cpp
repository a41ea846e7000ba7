#include "render/pipeline/triangle_spans.h"

#include <bit>

namespace {

// Without a popcount instruction in the build, std::has_single_bit is a library call per triangle.
bool IsPowerOfTwo(int value) { return value > 0 && (value & (value - 1)) == 0; }

SpanLoop ChooseSpanLoop(const PixelPipeline& pipeline, bool flatColour) {
  const bool textured = pipeline.texture != nullptr;
  const bool powerOfTwo =
      textured && IsPowerOfTwo(pipeline.texture->width) && IsPowerOfTwo(pipeline.texture->height);
  if (!textured || powerOfTwo) {
    if (pipeline.widestSpanLoop == SpanLoopKind::kAvx2) {
      if (const SpanLoop loop = Avx2SpanLoop(pipeline.depthTest, textured, flatColour)) return loop;
    }
    if (pipeline.widestSpanLoop != SpanLoopKind::kScalar) {
      if (const SpanLoop loop = Sse2SpanLoop(pipeline.depthTest, textured, flatColour)) return loop;
    }
  }
  return ScalarSpanLoop(pipeline.depthTest, textured, powerOfTwo, flatColour);
}

SpanSetup MakeSpanSetup(const TriangleSpans& triangle, const PixelPipeline& pipeline) {
  SpanSetup setup{};
  for (int i = 0; i < kSpanAttributeCount; ++i) setup.step[i] = static_cast<float>(triangle.ddx[i]);
  setup.flatColour = triangle.flatColour;
  if (pipeline.texture != nullptr) {
    setup.texels = pipeline.texture->texels.data();
    setup.textureWidth = pipeline.texture->width;
    setup.textureHeight = pipeline.texture->height;
    setup.textureWidthLog2 =
        IsPowerOfTwo(setup.textureWidth) ? std::countr_zero(static_cast<unsigned>(setup.textureWidth)) : 0;
  }
  return setup;
}

}  // namespace

void FillTriangleSpans(const TriangleSpans& triangle, const RasterTarget& target,
                       const PixelPipeline& pipeline) {
  ChooseSpanLoop(pipeline, triangle.flatColour.present)(triangle, MakeSpanSetup(triangle, pipeline), target);
}
