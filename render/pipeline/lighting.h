#pragma once
// Per-vertex lighting in camera space: ambient, diffuse from point lights, emissive; the sum is
// clamped to 0..1 once, after all lights. Specular is not lit (the device never turns it on).
#include <cstdint>

#include "render/types/d3d_types.h"

struct Rgb {
  float r, g, b;
};

struct CameraSpaceLight {
  Rgb diffuse;
  Rgb ambient;
  D3DVECTOR position;
  float range;
  float attenuation0, attenuation1, attenuation2;
};

constexpr int kMaxActiveLights = 8;

struct LightingModel {
  int lightCount = 0;
  CameraSpaceLight lights[kMaxActiveLights];
  Rgb globalAmbient{0, 0, 0};  // the AMBIENT render state
  Rgb materialAmbient{0, 0, 0};
  Rgb materialDiffuse{0, 0, 0};
  Rgb materialEmissive{0, 0, 0};
  bool diffuseFromVertexColour = false;
};

// Takes the point light `light` (given in world space) into camera space through `view`.
CameraSpaceLight MakeCameraSpaceLight(const D3DLIGHT8& light, const D3DMATRIX& view);

Rgb ColourFromD3DColor(D3DCOLOR colour);

// `position` and `normal` are in camera space; `normal` is null for a vertex without one.
Rgb LightVertex(const LightingModel& model, const D3DVECTOR& position, const D3DVECTOR* normal,
                D3DCOLOR vertexDiffuse);
