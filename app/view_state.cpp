#include "app/view_state.h"

#include "base/number_text.h"

D3DVECTOR MakeVector(float x, float y, float z) { return D3DVECTOR{x, y, z}; }

std::string FrameCaption(const ViewValues& view) {
  // All digits: a radius from a huge stored Distance has hundreds of them.
  return "Skerrowen, Long: " + view.LongText + " Lat: " + view.LatText +
         " Radius: " + FormatZeroPadded(view.Radius, 1);
}
