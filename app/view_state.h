#pragma once
// The view: where the camera stands around the globe, the sun's offset, and the map centre
// and radius derived from them once per frame.
#include <cstdint>
#include <string>

#include "render/types/d3d_types.h"

// Held keys, set and cleared by the window's key handlers, read by the view update.
struct KeyFlags {
  bool PageDownHeld = false;
  bool PageUpHeld = false;
  bool LeftHeld = false;
  bool RightHeld = false;
  bool UpHeld = false;
  bool DownHeld = false;
  bool WHeld = false;
  bool SHeld = false;
  bool CtrlLeftHeld = false;
  bool CtrlRightHeld = false;
  bool operator==(const KeyFlags&) const = default;
};

struct ViewState {
  // Whole degrees: Rotation 0..360, Tilt 0..90 or 271..360 (standing for -89..0) once a
  // view step has run.
  std::int16_t Rotation = 0;
  std::int16_t Tilt = 0;
  double Distance = 0;  // scene units from the globe's centre; the globe's radius is 20
  double Offset = 0;    // degrees added to the sun's hour angle

  // Derived once per frame by the map-centre rule.
  std::int16_t LongDeg = 0;
  std::int16_t LatDeg = 0;
  std::string LongText;
  std::string LatText;
  double Long = 0;
  double Lat = 0;
  double Radius = 0;  // kilometres, whole number

  D3DVECTOR EyePos{0, 0, 0};
  D3DVECTOR LookAt{0, 0, 0};
  std::uint32_t ViewLastStep = 0;  // tick count of the last view step; never reset
};

D3DVECTOR MakeVector(float x, float y, float z);

// The map radius in kilometres that a camera Distance stands for, rounded to a whole number.
double MapRadiusKm(double distance);

// A Distance the view may hold: finite, and with a finite map radius, so that no caption,
// map name, side file or stored value ever reads "Infinity".
bool IsUsableDistance(double distance);

// Derives LongDeg, LatDeg, LongText, LatText, Long, Lat and Radius from Rotation, Tilt and
// Distance.
void ApplyMapCentreRule(ViewState& view);

// "Skerrowen, Long:  006 Lat:  52 Radius: 3340" for the derived values of `view`.
std::string FrameCaption(const ViewState& view);
