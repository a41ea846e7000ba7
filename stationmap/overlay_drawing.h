#pragma once
// How a station map shows its overlays: the plan's lines, marks and labels as a draw list,
// each line over a dark halo and each label outlined in black so they read on sea, land and
// ice alike. Labels are measured here and kept whole inside the picture.
#include "draw/draw_list.h"
#include "draw/text_shaper.h"
#include "stationmap/overlay_plan.h"

// The text size for a map of `size` pixels.
double LabelPixels(int size);

DrawList OverlayDrawList(const OverlayPlan& plan, TextShaper& text);
