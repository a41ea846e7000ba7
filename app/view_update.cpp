#include "app/view_update.h"

#include <cmath>

#include "base/number_text.h"
#include "render/types/d3dx_math.h"

namespace {

constexpr std::uint32_t kViewStepMs = 50;
constexpr double kDegree = 0.017453277777777776;  // 3.14159 / 180, the tables' own factor
constexpr double kGlobeRadius = 20;

// Out-of-range values jump to the other end of the range rather than wrapping by remainder.
int WrapDegrees(int degrees) {
  if (degrees < 0) degrees = 360;
  if (degrees > 360) degrees = 0;
  return degrees;
}

// Tilt stays within 0..90 and 271..360 (-89..0); 91..270 snap to the nearer end.
int LimitTilt(int tilt) {
  tilt = WrapDegrees(tilt);
  if (tilt > 90 && tilt <= 270) tilt = tilt < 180 ? 90 : 271;
  return tilt;
}

float Product(float a, float b, double c) { return static_cast<float>(static_cast<double>(a) * b * c); }

void MakeViewStep(ViewContext& c) {
  ViewState& v = c.view;
  v.ViewLastStep = c.clock.GetTickCount();
  int rotation = v.Rotation;
  if (c.keys.LeftHeld) rotation += 1;
  if (c.keys.RightHeld) rotation -= 1;
  v.Rotation = static_cast<std::int16_t>(WrapDegrees(rotation));
  int tilt = v.Tilt;
  if (c.keys.UpHeld) tilt += 1;
  if (c.keys.DownHeld) tilt -= 1;
  v.Tilt = static_cast<std::int16_t>(LimitTilt(tilt));
  double distance = v.Distance;
  if (c.keys.PageDownHeld) distance = (distance - kGlobeRadius) * 1.01 + kGlobeRadius;
  if (c.keys.PageUpHeld) distance = (distance - kGlobeRadius) * 0.99 + kGlobeRadius;
  // Zooming out past the largest number a double holds would give "Infinity": the view stays.
  if (IsUsableDistance(distance)) v.Distance = distance;
  c.settings.WriteRotationTiltDistance(v);
}

}  // namespace

HRESULT UpdateView(ViewContext& c, Direct3DDevice8* device) {
  ViewState& v = c.view;
  // Unsigned 32-bit difference: the tick counter's wrap after 49.7 days does not stop the steps.
  if (c.clock.GetTickCount() - v.ViewLastStep >= kViewStepMs) MakeViewStep(c);

  // The table index must be 0..360 even before the first step has brought stored values in.
  const int r = WrapDegrees(v.Rotation);
  const int t = LimitTilt(v.Tilt);
  const float* cosT = c.tables.CosTable;
  const float* sinT = c.tables.SinTable;
  v.EyePos = MakeVector(Product(cosT[r], cosT[t], v.Distance), static_cast<float>(sinT[t] * v.Distance),
                        Product(sinT[r], cosT[t], v.Distance));
  v.LookAt = MakeVector(Product(cosT[r], cosT[t], kGlobeRadius), static_cast<float>(sinT[t] * kGlobeRadius),
                        Product(sinT[r], cosT[t], kGlobeRadius));

  HRESULT result = D3D_OK;
  if (c.keys.SHeld) result = device->SetRenderState(D3DRS_FILLMODE, D3DFILL_SOLID);
  if (c.keys.WHeld && SUCCEEDED(result)) result = device->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME);
  return result;
}

bool IsSettledView(const ViewState& view) {
  return WrapDegrees(view.Rotation) == view.Rotation && LimitTilt(view.Tilt) == view.Tilt;
}

D3DVECTOR SunPosition(const LocalDateTime& when, double offsetDegrees) {
  const int dayNum = (when.month - 1) * 30 + when.day;
  const float seasonAngle = static_cast<float>(dayNum * kDegree - 1.4137155);
  float timeAngle = static_cast<float>(when.DayFraction() * 360 * kDegree);
  timeAngle = static_cast<float>(static_cast<double>(timeAngle) + seasonAngle + offsetDegrees * kDegree);
  return MakeVector(static_cast<float>(200 * std::cos(timeAngle)),
                    static_cast<float>(123 * std::sin(seasonAngle)),
                    static_cast<float>(200 * std::sin(timeAngle)));
}

HRESULT UpdateSunLights(ViewContext& c, Direct3DDevice8* device) {
  ViewState& v = c.view;
  const LocalDateTime now = c.clock.Now();
  // Nearest whole number, ties to even, then the remainder with the dividend's sign:
  // -5 + 1 + 360 gives 356, and decrements from 0 run -1, -2, ... -359, 0.
  if (c.keys.CtrlLeftHeld) v.Offset = std::fmod(RoundHalfEven(v.Offset + 1 + 360), 360.0);
  if (c.keys.CtrlRightHeld) v.Offset = std::fmod(RoundHalfEven(v.Offset - 1), 360.0);
  if (v.Offset == 0) v.Offset = 0;  // no "-0" in the store
  if (c.keys.CtrlLeftHeld || c.keys.CtrlRightHeld) c.settings.WriteOffset(v);

  D3DLIGHT8 light{};
  light.Type = D3DLIGHT_POINT;
  light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
  light.Position = SunPosition(now, v.Offset);
  light.Range = 300;
  light.Attenuation0 = 1;
  for (DWORD i = 0; i < 4; ++i) {
    HRESULT result = device->SetLight(i, light);
    if (SUCCEEDED(result)) result = device->LightEnable(i, 1);
    if (FAILED(result)) return result;
  }
  return D3D_OK;
}

HRESULT ApplyViewTransforms(const ViewState& view, Direct3DDevice8* device, D3DMATRIX modelMatrices[2]) {
  const D3DVECTOR up = MakeVector(0, 1, 0);
  D3DVECTOR at = view.LookAt;
  // At Distance 20 the eye stands on the point it looks at; looking at the globe's centre
  // instead gives the view that Distances just above 20 give, and no undefined matrix.
  if (view.EyePos.x == at.x && view.EyePos.y == at.y && view.EyePos.z == at.z) at = MakeVector(0, 0, 0);
  D3DMATRIX viewMatrix;
  D3DXMatrixLookAtLH(&viewMatrix, &view.EyePos, &at, &up);
  HRESULT result = device->SetTransform(D3DTS_VIEW, viewMatrix);

  D3DMATRIX rotation, translation;
  D3DXMatrixIdentity(&modelMatrices[0]);
  D3DXMatrixMultiply(&modelMatrices[0], &modelMatrices[0], D3DXMatrixRotationY(&rotation, 0));
  D3DXMatrixMultiply(&modelMatrices[0], &modelMatrices[0], D3DXMatrixTranslation(&translation, 0, 0, 0));

  D3DMATRIX world;
  D3DXMatrixScaling(&world, 1, 1, 1);
  if (SUCCEEDED(result)) result = device->SetTransform(D3DTS_WORLD, world);
  return result;
}
