#pragma once
// Paints the overlays of a station map: antialiased lines, each over a dark halo, and labels
// outlined in black, so they read on sea, land and ice alike.
#include <QImage>
#include <QString>

#include "stationmap/overlay_plan.h"

// The text size for a map of `size` pixels.
double LabelPixels(int size);

// `upsideDown`: the image's rows are stored bottom-up (a bitmap file's order), so the plan's
// top row is the image's last.
void PaintOverlays(QImage& image, bool upsideDown, const OverlayPlan& plan, const QString& fontFamily);

// The family of the labels' font (DejaVu Sans Bold from fonts-dejavu-core), loaded once;
// the default family when the font file is missing.
QString LabelFontFamily();
