#pragma once
// The window's view: the values the store keeps and the map centre derived from them, the
// camera placed from them on every tick, and the held keys that move them.
#include <cstdint>
#include <string>

#include "render/types/d3d_types.h"
#include "settings/map_centre.h"

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

struct ViewState : ViewValues {
  D3DVECTOR EyePos{0, 0, 0};
  D3DVECTOR LookAt{0, 0, 0};
  std::uint32_t ViewLastStep = 0;  // tick count of the last view step; never reset
};

D3DVECTOR MakeVector(float x, float y, float z);

// "Skerrowen, Long:  006 Lat:  52 Radius: 3340" for the derived values of `view`.
std::string FrameCaption(const ViewValues& view);
