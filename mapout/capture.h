#pragma once
// The capture that the window's Alt release takes after Alt+Print Screen.
#include <optional>

#include "base/picture.h"
#include "base/surface.h"
#include "mapout/map_files.h"

enum class CaptureResult {
  NoPicture,  // the clipboard held no picture: nothing stored (a grey square is not a map)
  Stored,     // the picture became Picture4's and the map pair is stored
  NotStored,  // the picture became Picture4's but the pair could not be stored (already told)
};

// `clipboard` is the clipboard's bitmap, if any. It becomes `picture4`'s picture at the
// top-left: a smaller one shows on Picture4's grey, a larger one is cut to its inner area.
// Then Picture4 is stored as a map pair named from `centre`. The caller logs its key
// release line afterwards whatever the result.
CaptureResult StoreCapture(const std::optional<Picture>& clipboard, Surface& picture4,
                           const MapCentre& centre, MapStore& store);
