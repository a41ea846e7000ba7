#include "render/lighting.h"

#include <cmath>

namespace {

float Dot(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Normalize(float v[3]) {
  const float length = std::sqrt(Dot(v, v));
  if (length == 0.0f) return;
  for (int i = 0; i < 3; ++i) v[i] /= length;
}

void TransformDirection(const D3DVECTOR& d, const D3DMATRIX& m, float out[3]) {
  for (int i = 0; i < 3; ++i) out[i] = d.x * m.m[0][i] + d.y * m.m[1][i] + d.z * m.m[2][i];
}

Rgb ToRgb(const D3DCOLORVALUE& c) { return {c.r, c.g, c.b}; }

float Clamp01(float value) { return value > 0.0f ? (value < 1.0f ? value : 1.0f) : 0.0f; }

// Distance attenuation times the spot cone factor; 0 when the vertex is out of the light's reach.
// Fills `toLight` with the unit vector from the vertex towards the light.
float LightReach(const CameraSpaceLight& light, const float position[3], float toLight[3]) {
  if (light.type == D3DLIGHT_DIRECTIONAL) {
    for (int i = 0; i < 3; ++i) toLight[i] = light.toLight[i];
    return 1.0f;
  }
  for (int i = 0; i < 3; ++i) toLight[i] = light.position[i] - position[i];
  const float distance = std::sqrt(Dot(toLight, toLight));
  if (!(distance <= light.range)) return 0.0f;
  if (distance > 0.0f)
    for (int i = 0; i < 3; ++i) toLight[i] /= distance;
  const float denominator =
      light.attenuation0 + light.attenuation1 * distance + light.attenuation2 * distance * distance;
  // All three factors zero would divide by zero; such a light is taken as unattenuated.
  float reach = denominator > 0.0f ? 1.0f / denominator : 1.0f;
  if (light.type == D3DLIGHT_SPOT) {
    const float rho = -Dot(toLight, light.spotAxis);
    if (rho <= light.cosHalfPhi) return 0.0f;
    if (rho < light.cosHalfTheta) {
      const float inCone = (rho - light.cosHalfPhi) / (light.cosHalfTheta - light.cosHalfPhi);
      reach *= light.falloff == 1.0f ? inCone : std::pow(inCone, light.falloff);
    }
  }
  return reach;
}

}  // namespace

CameraSpaceLight MakeCameraSpaceLight(const D3DLIGHT8& light, const D3DMATRIX& view) {
  CameraSpaceLight out{};
  out.type = light.Type;
  out.diffuse = ToRgb(light.Diffuse);
  out.ambient = ToRgb(light.Ambient);
  const D3DVECTOR& p = light.Position;
  for (int i = 0; i < 3; ++i)
    out.position[i] = p.x * view.m[0][i] + p.y * view.m[1][i] + p.z * view.m[2][i] + view.m[3][i];
  TransformDirection(light.Direction, view, out.spotAxis);
  Normalize(out.spotAxis);
  for (int i = 0; i < 3; ++i) out.toLight[i] = -out.spotAxis[i];
  out.range = light.Range;
  out.attenuation0 = light.Attenuation0;
  out.attenuation1 = light.Attenuation1;
  out.attenuation2 = light.Attenuation2;
  out.cosHalfTheta = std::cos(light.Theta / 2.0f);
  out.cosHalfPhi = std::cos(light.Phi / 2.0f);
  out.falloff = light.Falloff;
  return out;
}

Rgb ColourFromD3DColor(D3DCOLOR colour) {
  return {static_cast<float>((colour >> 16) & 0xFF) / 255.0f,
          static_cast<float>((colour >> 8) & 0xFF) / 255.0f, static_cast<float>(colour & 0xFF) / 255.0f};
}

Rgb LightVertex(const LightingModel& model, const float position[3], const float* normal,
                D3DCOLOR vertexDiffuse) {
  float n[3] = {0, 0, 0};
  if (normal != nullptr) {
    for (int i = 0; i < 3; ++i) n[i] = normal[i];
    if (model.normalizeNormals) Normalize(n);
  }
  Rgb ambientLight = model.globalAmbient;
  Rgb diffuseLight{0, 0, 0};
  for (int l = 0; l < model.lightCount; ++l) {
    const CameraSpaceLight& light = model.lights[l];
    float toLight[3];
    const float reach = LightReach(light, position, toLight);
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
