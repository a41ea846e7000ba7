#pragma once
// Transform and lighting of single vertices. The draw call runs them lazily, once per vertex it
// actually needs, however many triangles share the vertex.
#include "render/pipeline/lighting.h"
#include "render/pipeline/pipeline_vertex.h"
#include "render/types/d3d_types.h"
#include "render/types/vertex.h"

struct VertexStageSetup {
  DWORD fvf = 0;
  bool lighting = false;
  D3DMATRIX worldView;
  D3DMATRIX worldViewProjection;
  float normalMatrix[3][3];
  LightingModel lightingModel;
};

VertexStageSetup MakeVertexStageSetup(DWORD fvf, const D3DMATRIX& world, const D3DMATRIX& view,
                                      const D3DMATRIX& projection, bool lighting,
                                      const LightingModel& lightingModel);

// Clip-space position and texture coordinates; the colour is left for ShadeVertex.
void TransformVertex(const VertexStageSetup& setup, const Vertex& in, ClipVertex* out);

// The vertex colour: lit when lighting is on, else the vertex's own colour (white without one).
void ShadeVertex(const VertexStageSetup& setup, const Vertex& in, ClipVertex* out);
