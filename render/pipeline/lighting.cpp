#include "render/pipeline/lighting.h"

#include <cmath>

#include "render/types/d3dx_math.h"

namespace {

Rgb ToRgb(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b}; }

float Clamp01(float value) { return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f; }

// Distance attenuation; 0 when the vertex is out of the light's reach. Fills `toLight` with the
// unit vector from the vertex towards the light.
float LightReach(const CameraSpaceLight& light, const D3DVECTOR& position, D3DVECTOR* toLight) {
  *toLight = Subtract(light.position, position);
  const float distance = std::sqrt(Dot(*toLight, *toLight));
  if (!(distance <= light.range)) return 0.0f;
  if (distance > 0.0f) *toLight = {toLight->x / distance, toLight->y / distance, toLight->z / distance};
  const float denominator =
      light.attenuation0 + light.attenuation1 * distance + light.attenuation2 * distance * distance;
  // All three factors zero would divide by zero; such a light is taken as unattenuated.
  return denominator > 0.0f ? 1.0f / denominator : 1.0f;
}

}  // namespace

CameraSpaceLight MakeCameraSpaceLight(const D3DLIGHT8& light, const D3DMATRIX& view) {
  CameraSpaceLight out{};
  out.diffuse = ToRgb(light.Diffuse);
  out.ambient = ToRgb(light.Ambient);
  out.position = TransformPoint(light.Position, view);
  out.range = light.Range;
  out.attenuation0 = light.Attenuation0;
  out.attenuation1 = light.Attenuation1;
  out.attenuation2 = light.Attenuation2;
  return out;
}

Rgb ColourFromD3DColor(D3DCOLOR colour) {
  return {static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
          static_cast<float>((colour >> 8) & 0xFF) / 255.0f, static_cast<float>(colour & 0xFF) / 255.0f};
}

Rgb LightVertex(const LightingModel& model, const D3DVECTOR& position, const D3DVECTOR* normal,
                D3DCOLOR vertexDiffuse) {
  const D3DVECTOR n = normal != nullptr ? *normal : D3DVECTOR{0, 0, 0};
  Rgb ambientLight = model.globalAmbient;
  Rgb diffuseLight{0, 0, 0};
  for (int l = 0; l < model.lightCount; ++l) {
    const CameraSpaceLight& light = model.lights[l];
    D3DVECTOR toLight;
    const float reach = LightReach(light, position, &toLight);
    if (reach == 0.0f) continue;
    ambientLight.r += light.ambient.r * reach;
    ambientLight.g += light.ambient.g * reach;
    ambientLight.b += light.ambient.b * reach;
    // Not capped at 1: a normal longer than one brightens; only the final sum is clamped.
    const float facing = Dot(n, toLight);
    if (facing > 0.0f) {
      diffuseLight.r += light.diffuse.r * facing * reach;
      diffuseLight.g += light.diffuse.g * facing * reach;
      diffuseLight.b += light.diffuse.b * facing * reach;
    }
  }
  const Rgb diffuseSource =
      model.diffuseFromVertexColour ? ColourFromD3DColor(vertexDiffuse) : model.materialDiffuse;
  const Rgb& ambient = model.materialAmbient;
  const Rgb& emissive = model.materialEmissive;
  return {Clamp01(ambient.r * ambientLight.r + diffuseSource.r * diffuseLight.r + emissive.r),
          Clamp01(ambient.g * ambientLight.g + diffuseSource.g * diffuseLight.g + emissive.g),
          Clamp01(ambient.b * ambientLight.b + diffuseSource.b * diffuseLight.b + emissive.b)};
}
