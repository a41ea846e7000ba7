#pragma once
// Labels' ink boxes estimated from the font's glyph metrics, which Qt keeps: a fraction of the
// cost of measuring their outlines, and within a pixel of it.
#include "stationmap/label_layout.h"

QuickMeasure QuickLabelMeasure();
