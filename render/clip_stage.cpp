#include "render/clip_stage.h"

#include <cmath>
#include <utility>

namespace {

constexpr float kMinimumW = 1e-5f;

// Signed distance to a plane, positive inside.
float PlaneDistance(Outcode plane, const ClipVertex& v, const GuardBand& band) {
  switch (plane) {
    case kOutsideNear:
      return v.z;
    case kOutsideFar:
      return v.w - v.z;
    case kOutsideMinimumW:
      return v.w - kMinimumW;
    case kOutsideGuardLeft:
      return band.xLimit * v.w + v.x;
    case kOutsideGuardRight:
      return band.xLimit * v.w - v.x;
    case kOutsideGuardTop:
      return band.yLimit * v.w - v.y;
    default:
      return band.yLimit * v.w + v.y;
  }
}

float Lerp(float from, float to, float t) { return from + (to - from) * t; }

// Always interpolated from the inside vertex towards the outside one, so that two triangles
// sharing a cut edge produce bit-identical cut points and no crack opens between them.
ClipVertex Intersect(const ClipVertex& inside, const ClipVertex& outside, float insideDistance,
                     float outsideDistance) {
  const float t = insideDistance / (insideDistance - outsideDistance);
  return {Lerp(inside.x, outside.x, t), Lerp(inside.y, outside.y, t), Lerp(inside.z, outside.z, t),
          Lerp(inside.w, outside.w, t), Lerp(inside.r, outside.r, t), Lerp(inside.g, outside.g, t),
          Lerp(inside.b, outside.b, t), Lerp(inside.u, outside.u, t), Lerp(inside.v, outside.v, t)};
}

void ClipAgainstPlane(Outcode plane, const GuardBand& band, const ClipPolygon& in, ClipPolygon* out) {
  out->count = 0;
  const auto emit = [out](const ClipVertex& vertex, bool edgeIsOriginal, bool vertexIsOriginal) {
    out->vertices[out->count] = vertex;
    out->edgeIsOriginal[out->count] = edgeIsOriginal;
    out->vertexIsOriginal[out->count] = vertexIsOriginal;
    ++out->count;
  };
  for (int i = 0; i < in.count; ++i) {
    const int next = (i + 1) % in.count;
    const ClipVertex& from = in.vertices[i];
    const ClipVertex& to = in.vertices[next];
    const float fromDistance = PlaneDistance(plane, from, band);
    const float toDistance = PlaneDistance(plane, to, band);
    const bool fromInside = fromDistance >= 0.0f;
    const bool toInside = toDistance >= 0.0f;
    if (fromInside && toInside) {
      emit(to, in.edgeIsOriginal[next], in.vertexIsOriginal[next]);
    } else if (fromInside) {
      // The polygon leaves here and runs along the plane until it comes back in.
      emit(Intersect(from, to, fromDistance, toDistance), false, false);
    } else if (toInside) {
      emit(Intersect(to, from, toDistance, fromDistance), in.edgeIsOriginal[i], false);
      emit(to, in.edgeIsOriginal[next], in.vertexIsOriginal[next]);
    }
  }
}

}  // namespace

GuardBand MakeGuardBand(int viewportWidth, int viewportHeight) {
  return {1.0f + 2.0f * kGuardBandPixels / static_cast<float>(viewportWidth),
          1.0f + 2.0f * kGuardBandPixels / static_cast<float>(viewportHeight)};
}

Outcode ComputeOutcode(const ClipVertex& v, const GuardBand& band) {
  if (!std::isfinite(v.x) || !std::isfinite(v.y) || !std::isfinite(v.z) || !std::isfinite(v.w))
    return kNotFinite;
  Outcode code = 0;
  if (!(v.z >= 0.0f)) code |= kOutsideNear;
  if (!(v.z <= v.w)) code |= kOutsideFar;
  if (!(v.w >= kMinimumW)) code |= kOutsideMinimumW;
  if (!(v.x >= -band.xLimit * v.w)) code |= kOutsideGuardLeft;
  if (!(v.x <= band.xLimit * v.w)) code |= kOutsideGuardRight;
  if (!(v.y <= band.yLimit * v.w)) code |= kOutsideGuardTop;
  if (!(v.y >= -band.yLimit * v.w)) code |= kOutsideGuardBottom;
  if ((code & (kOutsideNear | kOutsideMinimumW)) == 0) {
    if (v.x < -v.w) code |= kBeyondViewportLeft;
    if (v.x > v.w) code |= kBeyondViewportRight;
    if (v.y > v.w) code |= kBeyondViewportTop;
    if (v.y < -v.w) code |= kBeyondViewportBottom;
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
  for (int i = 0; i < 3; ++i) current->edgeIsOriginal[i] = current->vertexIsOriginal[i] = true;
  for (Outcode plane = 1; plane & kClipPlanes; plane <<= 1) {
    if ((planes & plane) == 0) continue;
    ClipAgainstPlane(plane, guardBand, *current, other);
    std::swap(current, other);
    if (current->count < 3) break;
  }
  if (current != polygon) *polygon = *current;
}
