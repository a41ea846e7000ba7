// The scalar, SSE2 and AVX2 span loops (as far as the processor has them) must draw identical
// pixels: the vector ones mask their last group to the run, read and write back pixels past its
// end, and must leave those untouched.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "render/pipeline/pipeline_vertex.h"
#include "render/pipeline/raster_stage.h"

namespace {

constexpr int kWidth = 61;  // odd, so runs end at every position within a group
constexpr int kHeight = 37;

struct Surfaces {
  std::vector<std::uint32_t> colour =
      std::vector<std::uint32_t>(kWidth * kHeight + kRasterTargetPadding, 0x123456);
  std::vector<float> depth = std::vector<float>(kWidth * kHeight + kRasterTargetPadding, 0.75f);
  RasterTarget Target() { return {colour.data(), depth.data(), kWidth, kHeight}; }
};

ScreenVertex Corner(double x, double y, float z, float rhw, float shade, float u, float v) {
  ScreenVertex vertex{};
  vertex.x = static_cast<std::int32_t>(x * kSubpixelOne);
  vertex.y = static_cast<std::int32_t>(y * kSubpixelOne);
  vertex.z = z;
  vertex.rhw = rhw;
  vertex.r = shade;
  vertex.g = 1.0f - shade;
  vertex.b = shade * 0.5f;
  vertex.u = u;
  vertex.v = v;
  return vertex;
}

// The shades of each triangle's three corners.
struct Shades {
  float first = 0.1f, second = 0.9f, third = 0.5f;
};

// A fan of slim and wide triangles at varied depths and perspective, overlapping each other,
// so that runs of every length from one pixel up occur, and depth both passes and fails.
std::vector<ScreenVertex> Scene(const Shades& shades) {
  std::vector<ScreenVertex> corners;
  for (int i = 0; i < 24; ++i) {
    const double x = 1.3 + i * 2.37, y = 0.6 + (i % 5) * 1.9;
    const float z = 0.2f + 0.03f * static_cast<float>(i % 7);
    corners.push_back(Corner(x, y, z, 1.0f, shades.first, -0.3f, 0.2f));
    corners.push_back(Corner(x + 0.5 + i % 9, y + 25.3, z + 0.5f, 0.25f, shades.second, 2.7f, 3.1f));
    corners.push_back(
        Corner(x - 3.1 + (i % 4) * 2.2, y + 14.8 + i % 3, 0.9f - z, 0.6f, shades.third, 1.1f, -1.4f));
  }
  // Last, one triangle over most of the target, in front of some and behind others: long runs, and
  // more groups of pixels than the loops hold back at a time.
  corners.push_back(Corner(0.4, 0.7, 0.1f, 0.9f, shades.first, 0.0f, 0.0f));
  corners.push_back(Corner(60.6, 3.2, 0.8f, 0.3f, shades.second, 3.3f, 0.4f));
  corners.push_back(Corner(5.3, 36.4, 0.5f, 0.5f, shades.third, 0.6f, 2.9f));
  return corners;
}

std::vector<std::uint32_t> Draw(const PixelPipeline& pipeline, const Shades& shades) {
  Surfaces surfaces;
  const std::vector<ScreenVertex> corners = Scene(shades);
  for (std::size_t i = 0; i + 2 < corners.size(); i += 3)
    FillTriangle(surfaces.Target(), pipeline, corners[i], corners[i + 1], corners[i + 2]);
  std::vector<std::uint32_t> result(surfaces.colour);
  for (float d : surfaces.depth) result.push_back(static_cast<std::uint32_t>(d * 1e7f));
  return result;
}

std::shared_ptr<Texture> Checker(int width, int height) {
  auto texture = std::make_shared<Texture>();
  texture->width = width;
  texture->height = height;
  for (int i = 0; i < width * height; ++i) texture->texels.push_back(0xFF000000u | (i * 2654435761u >> 8));
  return texture;
}

void ExpectAllWidthsAgree(PixelPipeline pipeline, const Shades& shades = {}) {
  pipeline.widestSpanLoop = SpanLoopKind::kScalar;
  const std::vector<std::uint32_t> scalar = Draw(pipeline, shades);
  // Something must have been drawn, and something left as it was, for the comparison to mean much.
  EXPECT_NE(std::count(scalar.begin(), scalar.begin() + kWidth * kHeight, 0x123456u), 0);
  EXPECT_NE(std::count(scalar.begin(), scalar.begin() + kWidth * kHeight, 0x123456u), kWidth * kHeight);
  pipeline.widestSpanLoop = SpanLoopKind::kSse2;
  EXPECT_EQ(Draw(pipeline, shades), scalar) << "SSE2 loop";
  pipeline.widestSpanLoop = SpanLoopKind::kAvx2;
  EXPECT_EQ(Draw(pipeline, shades), scalar) << "AVX2 loop";
}

TEST(SpanLoops, TexturedWithDepthTest) {
  const auto texture = Checker(16, 8);
  PixelPipeline pipeline;
  pipeline.depthTest = true;
  pipeline.texture = texture.get();
  ExpectAllWidthsAgree(pipeline);
}

TEST(SpanLoops, UntexturedWithDepthTest) {
  PixelPipeline pipeline;
  pipeline.depthTest = true;
  ExpectAllWidthsAgree(pipeline);
}

TEST(SpanLoops, TexturedWithoutDepthTest) {
  const auto texture = Checker(4, 32);
  PixelPipeline pipeline;
  pipeline.texture = texture.get();
  ExpectAllWidthsAgree(pipeline);
}

TEST(SpanLoops, UntexturedWithoutDepthTest) { ExpectAllWidthsAgree(PixelPipeline{}); }

// A colour shared by a triangle's corners is drawn as that colour by every loop, here one whose
// 127.5 levels the interpolation's rounding would split between 127 and 128.
TEST(SpanLoops, FlatColoursAreDrawnAlike) {
  const auto texture = Checker(16, 16);
  PixelPipeline pipeline;
  pipeline.depthTest = true;
  ExpectAllWidthsAgree(pipeline, {0.5f, 0.5f, 0.5f});
  pipeline.texture = texture.get();
  ExpectAllWidthsAgree(pipeline, {0.5f, 0.5f, 0.5f});
}

// Colours below 0, above 1, far above (beyond an int once scaled to bytes) and NaN are clamped
// the same way by every loop.
TEST(SpanLoops, ColoursOutsideTheirRangeAreClampedAlike) {
  const auto texture = Checker(8, 8);
  PixelPipeline pipeline;
  pipeline.depthTest = true;
  ExpectAllWidthsAgree(pipeline, {-2.0f, 5e9f, 1.5f});
  pipeline.texture = texture.get();
  ExpectAllWidthsAgree(pipeline, {-2.0f, 5e9f, 1.5f});
  ExpectAllWidthsAgree(pipeline, {std::numeric_limits<float>::quiet_NaN(), 0.5f, 0.5f});
}

}  // namespace
