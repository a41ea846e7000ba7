#include "render/pipeline/viewport_mapping.h"

#include <cmath>
#include <cstdint>

ScreenVertex MapToViewport(const ClipVertex& vertex, int width, int height) {
  const double rhw = 1.0 / vertex.w;
  const double screenX = (vertex.x * rhw + 1.0) * width * 0.5;
  const double screenY = (1.0 - vertex.y * rhw) * height * 0.5;
  ScreenVertex out;
  out.x = static_cast<std::int32_t>(std::floor(screenX * kSubpixelOne + 0.5));
  out.y = static_cast<std::int32_t>(std::floor(screenY * kSubpixelOne + 0.5));
  out.z = static_cast<float>(vertex.z * rhw);
  out.rhw = static_cast<float>(rhw);
  out.r = vertex.r;
  out.g = vertex.g;
  out.b = vertex.b;
  out.u = vertex.u;
  out.v = vertex.v;
  return out;
}
