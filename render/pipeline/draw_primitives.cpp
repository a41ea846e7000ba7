#include "render/pipeline/draw_primitives.h"

#include <algorithm>

#include "render/pipeline/clip_stage.h"
#include "render/pipeline/lighting.h"
#include "render/pipeline/raster_stage.h"
#include "render/pipeline/vertex_stage.h"
#include "render/pipeline/viewport_mapping.h"

namespace {

// What has been worked out for a vertex so far: bits, set once each.
enum VertexProgress : std::uint8_t { kUntouched = 0, kTransformed = 1, kMapped = 2, kShaded = 4 };

struct DrawContext {
  VertexStageSetup vertexSetup;
  const Vertex* vertices;
  DrawScratch* scratch;
  GuardBand guardBand;
  RasterTarget target;
  PixelPipeline pixels;
  DWORD fillMode;
  DWORD cullMode;
};

LightingModel MakeLightingModel(const DrawInputs& inputs, DWORD fvf) {
  LightingModel model;
  for (const LightSlot& slot : inputs.lights) {
    if (slot.enabled && model.lightCount < kMaxActiveLights)
      model.lights[model.lightCount++] = MakeCameraSpaceLight(slot.light, inputs.view);
  }
  model.globalAmbient = ColourFromD3DColor(inputs.renderStates.ambient);
  const D3DMATERIAL8& material = inputs.material;
  model.materialAmbient = {material.Ambient.r, material.Ambient.g, material.Ambient.b};
  model.materialDiffuse = {material.Diffuse.r, material.Diffuse.g, material.Diffuse.b};
  model.materialEmissive = {material.Emissive.r, material.Emissive.g, material.Emissive.b};
  model.diffuseFromVertexColour = (fvf & D3DFVF_DIFFUSE) != 0;
  return model;
}

PixelPipeline MakePixelPipeline(const DrawInputs& inputs, const RasterTarget& target, DWORD fvf) {
  PixelPipeline pixels;
  pixels.depthTest = inputs.renderStates.zEnable != D3DZB_FALSE && target.depth != nullptr;
  if ((fvf & D3DFVF_TEX1) != 0) pixels.texture = inputs.texture.get();
  return pixels;
}

// Position and outcode.
void EnsureTransformed(DrawContext& context, std::uint32_t index) {
  DrawScratch& scratch = *context.scratch;
  if (scratch.progress[index] != kUntouched) return;
  ClipVertex& vertex = scratch.clipVertices[index];
  TransformVertex(context.vertexSetup, context.vertices[index], &vertex);
  scratch.outcodes[index] = ComputeOutcode(vertex, context.guardBand);
  scratch.progress[index] = kTransformed;
}

// The place on screen of a vertex that needs no clipping, only for triangles that are not
// rejected whole: most vertices of a globe seen from inside lie off the screen's sides.
void EnsureMapped(DrawContext& context, std::uint32_t index) {
  DrawScratch& scratch = *context.scratch;
  if ((scratch.progress[index] & kMapped) != 0) return;
  scratch.screenVertices[index] =
      MapToViewport(scratch.clipVertices[index], context.target.width, context.target.height);
  scratch.progress[index] |= kMapped;
}

// The colour, lit only for vertices of triangles that are drawn.
void EnsureShaded(DrawContext& context, std::uint32_t index) {
  DrawScratch& scratch = *context.scratch;
  if ((scratch.progress[index] & kShaded) != 0) return;
  ClipVertex& vertex = scratch.clipVertices[index];
  ShadeVertex(context.vertexSetup, context.vertices[index], &vertex);
  if ((scratch.progress[index] & kMapped) != 0) {
    ScreenVertex& screen = scratch.screenVertices[index];
    screen.r = vertex.r;
    screen.g = vertex.g;
    screen.b = vertex.b;
  }
  scratch.progress[index] |= kShaded;
}

// Twice the signed screen area; positive when the vertices run clockwise (y grows downwards).
std::int64_t SignedArea(const ScreenVertex* vertices, int count) {
  std::int64_t area = 0;
  for (int i = 1; i + 1 < count; ++i) {
    area += static_cast<std::int64_t>(vertices[i].x - vertices[0].x) * (vertices[i + 1].y - vertices[0].y) -
            static_cast<std::int64_t>(vertices[i + 1].x - vertices[0].x) * (vertices[i].y - vertices[0].y);
  }
  return area;
}

bool IsCulled(DWORD cullMode, std::int64_t signedArea) {
  if (cullMode == D3DCULL_CW) return signedArea > 0;
  if (cullMode == D3DCULL_CCW) return signedArea < 0;
  return false;
}

// A triangle seen edge-on has no winding and covers nothing: it is dropped in every fill mode.
bool IsDropped(const DrawContext& context, const ScreenVertex* vertices, int count) {
  const std::int64_t area = SignedArea(vertices, count);
  return area == 0 || IsCulled(context.cullMode, area);
}

void DrawScreenPolygon(const DrawContext& context, const ScreenVertex* vertices, int count,
                       const bool* edgeIsOriginal) {
  if (context.fillMode == D3DFILL_SOLID) {
    for (int i = 1; i + 1 < count; ++i)
      FillTriangle(context.target, context.pixels, vertices[0], vertices[i], vertices[i + 1]);
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (edgeIsOriginal[i]) DrawLine(context.target, context.pixels, vertices[i], vertices[(i + 1) % count]);
  }
}

void DrawTriangle(DrawContext& context, const std::uint32_t corner[3]) {
  static constexpr bool kAllOriginal[3] = {true, true, true};
  DrawScratch& scratch = *context.scratch;
  for (int i = 0; i < 3; ++i) EnsureTransformed(context, corner[i]);
  const Outcode a = scratch.outcodes[corner[0]];
  const Outcode b = scratch.outcodes[corner[1]];
  const Outcode c = scratch.outcodes[corner[2]];
  if (((a | b | c) & kNotFinite) != 0 || (a & b & c) != 0) return;

  const Outcode planes = (a | b | c) & kClipPlanes;
  if (planes == 0) {
    ScreenVertex triangle[3];
    for (int i = 0; i < 3; ++i) {
      EnsureMapped(context, corner[i]);
      triangle[i] = scratch.screenVertices[corner[i]];
    }
    // Culled before lighting: half of a closed mesh faces away.
    if (IsDropped(context, triangle, 3)) return;
    for (int i = 0; i < 3; ++i) {
      EnsureShaded(context, corner[i]);
      triangle[i] = scratch.screenVertices[corner[i]];
    }
    DrawScreenPolygon(context, triangle, 3, kAllOriginal);
    return;
  }
  for (int i = 0; i < 3; ++i) EnsureShaded(context, corner[i]);
  ClipVertex triangle[3] = {scratch.clipVertices[corner[0]], scratch.clipVertices[corner[1]],
                            scratch.clipVertices[corner[2]]};
  ClipPolygon polygon;
  ClipTriangle(triangle[0], triangle[1], triangle[2], planes, context.guardBand, &polygon);
  if (polygon.count < 3) return;
  ScreenVertex screen[kMaxPolygonVertices];
  for (int i = 0; i < polygon.count; ++i) {
    // Cut points lie within the guard band up to rounding; anything else is not drawn.
    if ((ComputeOutcode(polygon.vertices[i], context.guardBand) & kNotFinite) != 0 ||
        !(polygon.vertices[i].w > 0.0f))
      return;
    screen[i] = MapToViewport(polygon.vertices[i], context.target.width, context.target.height);
  }
  if (IsDropped(context, screen, polygon.count)) return;
  DrawScreenPolygon(context, screen, polygon.count, polygon.edgeIsOriginal);
}

}  // namespace

void DrawIndexedTriangles(const DrawInputs& inputs, const RasterTarget& target, DrawScratch& scratch,
                          DWORD fvf, const Vertex* vertices, std::uint32_t vertexCount,
                          const std::uint32_t* indices, std::uint32_t triangleCount) {
  if (scratch.progress.size() < vertexCount) {
    scratch.clipVertices.resize(vertexCount);
    scratch.screenVertices.resize(vertexCount);
    scratch.outcodes.resize(vertexCount);
    scratch.progress.resize(vertexCount);
  }
  std::fill(scratch.progress.begin(), scratch.progress.begin() + vertexCount, kUntouched);

  DrawContext context{MakeVertexStageSetup(fvf, inputs.world, inputs.view, inputs.projection,
                                           inputs.renderStates.lighting != 0, MakeLightingModel(inputs, fvf)),
                      vertices,
                      &scratch,
                      MakeGuardBand(target.width, target.height),
                      target,
                      MakePixelPipeline(inputs, target, fvf),
                      inputs.renderStates.fillMode,
                      inputs.renderStates.cullMode};
  for (std::uint32_t t = 0; t < triangleCount; ++t)
    DrawTriangle(context, indices + 3 * static_cast<std::size_t>(t));
}
