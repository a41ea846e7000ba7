#pragma once
// How a station map shows its overlays: the plan's lines, marks and labels as a draw list,
// each line over a dark halo and each label outlined in black so they read on sea, land and
// ice alike. Labels are measured and laid out here: whole inside the picture, never one over
// another, the map's own first.
#include "draw/draw_list.h"
#include "draw/text_shaper.h"
#include "stationmap/overlay_plan.h"

// The text size for a map of `size` pixels.
double LabelPixels(int size);

// Takes the plan's lines over as it goes, so pass it with std::move when it is not needed after.
DrawList OverlayDrawList(OverlayPlan plan, TextShaper& text);
