#pragma once
// The per-tick view work: held keys step the view every 50 ms, the camera follows the view,
// the sun lights follow the clock, and the view and world transforms go to the device.
#include "app/view_state.h"
#include "base/platform.h"
#include "calc/degree_tables.h"
#include "render/device/device.h"
#include "settings/view_settings.h"

struct ViewContext {
  ViewState& view;
  const KeyFlags& keys;
  Clock& clock;
  ViewSettings& settings;
  const DegreeTables& tables;
};

// Applies held keys in 50 ms steps (writing Rotation, Tilt and Distance on each step),
// places the camera, and sets the fill mode when S or W is held.
HRESULT UpdateView(ViewContext& context, Direct3DDevice8* device);

// Whether a view step with no key held leaves `view` as it is: its Rotation and Tilt already
// lie in their ranges (a step with no key held only brings them in).
bool IsSettledView(const ViewState& view);

// Moves the Offset while Ctrl+Left or Ctrl+Right is held and places the four sun lights
// from the local date and time.
HRESULT UpdateSunLights(ViewContext& context, Direct3DDevice8* device);

// The sun's position for a date and time and an Offset in degrees.
D3DVECTOR SunPosition(const LocalDateTime& when, double offsetDegrees);

// Sets the view transform from the camera, resets model slot 0's world matrix to the
// identity, and sets the world transform.
HRESULT ApplyViewTransforms(const ViewState& view, Direct3DDevice8* device, D3DMATRIX modelMatrices[2]);
