#pragma once
// Paints a draw list as paths and text onto any Qt paint device (a PDF or SVG writer): lines
// and outlines stay lines, labels stay text a viewer can search and copy, over their halos.
#include <QPainter>
#include <QString>

#include "draw/draw_list.h"

// The list's pixels become `scale` units of the painter's device; the painter's state is
// left as it was.
void PaintVector(QPainter& painter, const DrawList& list, const QString& fontFamily, double scale = 1);
