#pragma once
// A PDF or SVG station map made in memory: the Earth picture embedded once over the map's
// square, the overlays as paths and text over it, the title block under it.
#include <QImage>
#include <string>

#include "draw/draw_list.h"
#include "stationmap/map_page.h"
#include "stationmap/map_picture_file.h"

struct VectorMapPage {
  MapPictureKind kind = MapPictureKind::Pdf;  // Pdf or Svg
  PageLayout layout;
  QImage picture;       // layout.pictureSize pixels square
  DrawList overlays;    // in the picture's pixels
  DrawList titleBlock;  // in the picture's pixels too, from the block's top left corner
  std::string title;    // the document's title
};

// The file's bytes, or false with the problem in words that follow "--out: ".
bool PaintVectorMap(const VectorMapPage& page, std::string& bytes, std::string& problem);
