#pragma once
// Paints a draw list onto 24-bit pixel rows, anti-aliased. The picture is worked on in bands
// of rows, shared out among threads; each band paints every item of the list in order, so
// the work and the memory follow what is drawn, not the picture's area, and nothing outside
// the picture costs more than finding that it lies outside.
#include "draw/draw_list.h"
#include "draw/raster_target.h"
#include "draw/text_shaper.h"

struct RasterPainting {
  int threads = 0;             // 0: one per core; a small list is painted on the calling thread
  TextShaper* text = nullptr;  // labels are left out without it
};

void PaintRaster(const DrawList& list, const RasterTarget& target, const RasterPainting& how = {});
