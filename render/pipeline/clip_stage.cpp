#include "render/pipeline/clip_stage.h"

#include <cmath>
#include <utility>

namespace {

constexpr float kMinimumW = 1e-5f;

// Signed distance to a plane, positive inside. In double: with coordinates near the float
// limit, the guard band's multiple of w would overflow in float.
double PlaneDistance(Outcode plane, const ClipVertex& v, const GuardBand& band) {
  const double x = v.x, y = v.y, z = v.z, w = v.w;
  switch (plane) {
    case kOutsideNear:
      return z;
    case kOutsideFar:
      return w - z;
    case kOutsideMinimumW:
      return w - kMinimumW;
    case kOutsideGuardLeft:
      return band.xLimit * w + x;
    case kOutsideGuardRight:
      return band.xLimit * w - x;
    case kOutsideGuardTop:
      return band.yLimit * w - y;
    default:
      return band.yLimit * w + y;
  }
}

// The point where the plane cuts the edge, as the average of the ends weighted by their
// distances: it stays between them even when one end is enormous and the other tiny, where
// start + (end - start) * t would cancel to nothing. Always computed from the inside end's
// side, so that two triangles sharing a cut edge get bit-identical cut points and no crack opens.
ClipVertex Intersect(const ClipVertex& inside, const ClipVertex& outside, double insideDistance,
                     double outsideDistance) {
  const double total = insideDistance - outsideDistance;
  const auto cut = [&](float in, float out) {
    return static_cast<float>((insideDistance * out - outsideDistance * in) / total);
  };
  return {cut(inside.x, outside.x), cut(inside.y, outside.y), cut(inside.z, outside.z),
          cut(inside.w, outside.w), cut(inside.r, outside.r), cut(inside.g, outside.g),
          cut(inside.b, outside.b), cut(inside.u, outside.u), cut(inside.v, outside.v)};
}

void ClipAgainstPlane(Outcode plane, const GuardBand& band, const ClipPolygon& in, ClipPolygon* out) {
  out->count = 0;
  const auto emit = [out](const ClipVertex& vertex, bool edgeIsOriginal) {
    out->vertices[out->count] = vertex;
    out->edgeIsOriginal[out->count] = edgeIsOriginal;
    ++out->count;
  };
  for (int i = 0; i < in.count; ++i) {
    const int next = (i + 1) % in.count;
    const ClipVertex& from = in.vertices[i];
    const ClipVertex& to = in.vertices[next];
    const double fromDistance = PlaneDistance(plane, from, band);
    const double toDistance = PlaneDistance(plane, to, band);
    const bool fromInside = fromDistance >= 0.0;
    const bool toInside = toDistance >= 0.0;
    if (fromInside && toInside) {
      emit(to, in.edgeIsOriginal[next]);
    } else if (fromInside) {
      // The polygon leaves here and runs along the plane until it comes back in.
      emit(Intersect(from, to, fromDistance, toDistance), false);
    } else if (toInside) {
      emit(Intersect(to, from, toDistance, fromDistance), in.edgeIsOriginal[i]);
      emit(to, in.edgeIsOriginal[next]);
    }
  }
}

}  // namespace

GuardBand MakeGuardBand(int viewportWidth, int viewportHeight) {
  return {1.0f + 2.0f * kGuardBandPixels / static_cast<float>(viewportWidth),
          1.0f + 2.0f * kGuardBandPixels / static_cast<float>(viewportHeight)};
}

Outcode ComputeOutcode(const ClipVertex& v, const GuardBand& band) {
  // In double, a sum of floats cannot overflow: it is finite exactly when all four are.
  if (!std::isfinite(static_cast<double>(v.x) + v.y + v.z + v.w)) return kNotFinite;
  // The planes' distances as PlaneDistance gives them, each tested without a branch: a vertex's
  // side of a plane follows the mesh irregularly, and this runs for every vertex of every draw.
  const double x = v.x, y = v.y, z = v.z, w = v.w;
  const double guardX = band.xLimit * w, guardY = band.yLimit * w;
  Outcode code = (z < 0.0 ? kOutsideNear : 0u) | (w - z < 0.0 ? kOutsideFar : 0u) |
                 (w - kMinimumW < 0.0 ? kOutsideMinimumW : 0u) | (guardX + x < 0.0 ? kOutsideGuardLeft : 0u) |
                 (guardX - x < 0.0 ? kOutsideGuardRight : 0u) | (guardY - y < 0.0 ? kOutsideGuardTop : 0u) |
                 (guardY + y < 0.0 ? kOutsideGuardBottom : 0u);
  if ((code & (kOutsideNear | kOutsideMinimumW)) == 0) {
    code |= (v.x < -v.w ? kBeyondViewportLeft : 0u) | (v.x > v.w ? kBeyondViewportRight : 0u) |
            (v.y > v.w ? kBeyondViewportTop : 0u) | (v.y < -v.w ? kBeyondViewportBottom : 0u);
  }
  return code;
}

void ClipTriangle(const ClipVertex& a, const ClipVertex& b, const ClipVertex& c, Outcode planes,
                  const GuardBand& guardBand, ClipPolygon* polygon) {
  ClipPolygon scratch;
  ClipPolygon* current = polygon;
  ClipPolygon* other = &scratch;
  current->count = 3;
  current->vertices[0] = a;
  current->vertices[1] = b;
  current->vertices[2] = c;
  for (int i = 0; i < 3; ++i) current->edgeIsOriginal[i] = true;
  for (Outcode plane = 1; plane & kClipPlanes; plane <<= 1) {
    if ((planes & plane) == 0) continue;
    ClipAgainstPlane(plane, guardBand, *current, other);
    std::swap(current, other);
    if (current->count < 3) break;
  }
  if (current != polygon) *polygon = *current;
}
