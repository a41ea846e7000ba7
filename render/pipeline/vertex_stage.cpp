#include "render/pipeline/vertex_stage.h"

#include "render/types/d3dx_math.h"

VertexStageSetup MakeVertexStageSetup(DWORD fvf, const D3DMATRIX& world, const D3DMATRIX& view,
                                      const D3DMATRIX& projection, bool lighting,
                                      const LightingModel& lightingModel) {
  VertexStageSetup setup;
  setup.fvf = fvf;
  setup.lighting = lighting;
  D3DXMatrixMultiply(&setup.worldView, &world, &view);
  D3DXMatrixMultiply(&setup.worldViewProjection, &setup.worldView, &projection);
  InverseTranspose3x3(setup.worldView, setup.normalMatrix);
  setup.lightingModel = lightingModel;
  return setup;
}

void TransformVertex(const VertexStageSetup& setup, const Vertex& in, ClipVertex* out) {
  const D3DMATRIX& m = setup.worldViewProjection;
  const D3DVECTOR& p = in.position;
  out->x = p.x * m.m[0][0] + p.y * m.m[1][0] + p.z * m.m[2][0] + m.m[3][0];
  out->y = p.x * m.m[0][1] + p.y * m.m[1][1] + p.z * m.m[2][1] + m.m[3][1];
  out->z = p.x * m.m[0][2] + p.y * m.m[1][2] + p.z * m.m[2][2] + m.m[3][2];
  out->w = p.x * m.m[0][3] + p.y * m.m[1][3] + p.z * m.m[2][3] + m.m[3][3];
  const bool textured = (setup.fvf & D3DFVF_TEX1) != 0;
  out->u = textured ? in.u : 0.0f;
  out->v = textured ? in.v : 0.0f;
}

void ShadeVertex(const VertexStageSetup& setup, const Vertex& in, ClipVertex* out) {
  const bool hasDiffuse = (setup.fvf & D3DFVF_DIFFUSE) != 0;
  if (!setup.lighting) {
    const Rgb colour = ColourFromD3DColor(hasDiffuse ? in.diffuse : 0xFFFFFFFFu);
    out->r = colour.r;
    out->g = colour.g;
    out->b = colour.b;
    return;
  }
  const D3DVECTOR position = TransformPoint(in.position, setup.worldView);
  const bool hasNormal = (setup.fvf & D3DFVF_NORMAL) != 0;
  D3DVECTOR normal{0, 0, 0};
  if (hasNormal) {
    const D3DVECTOR& n = in.normal;
    const float(&m)[3][3] = setup.normalMatrix;
    // Row vector times the inverse transpose: n' = n * (M^-1)^T.
    normal = {n.x * m[0][0] + n.y * m[1][0] + n.z * m[2][0], n.x * m[0][1] + n.y * m[1][1] + n.z * m[2][1],
              n.x * m[0][2] + n.y * m[1][2] + n.z * m[2][2]};
  }
  const Rgb colour = LightVertex(setup.lightingModel, position, hasNormal ? &normal : nullptr, in.diffuse);
  out->r = colour.r;
  out->g = colour.g;
  out->b = colour.b;
}
