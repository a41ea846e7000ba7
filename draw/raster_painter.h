#pragma once
// Paints a draw list onto 24-bit pixel rows, anti-aliased. The picture is worked on in bands
// of rows, shared out among threads; each band paints every item of the list in order, so
// the work and the memory follow what is drawn, not the picture's area, and nothing outside
// the picture costs more than finding that it lies outside.
#include <memory>

#include "draw/draw_list.h"
#include "draw/raster_target.h"
#include "draw/text_shaper.h"

struct RasterPainting {
  int threads = 0;             // 0: one per core; a small list is painted on the calling thread
  TextShaper* text = nullptr;  // labels are left out without it
};

void PaintRaster(const DrawList& list, const RasterTarget& target, const RasterPainting& how = {});

// A draw list made ready for a picture of a given size: lines cut into pieces, labels into
// their glyphs' outlines, each sorted into the bands of rows it reaches. It needs no pixels,
// so it can be made while the picture is, and it needs the text shaper no more.
class PreparedDrawing {
 public:
  PreparedDrawing();
  PreparedDrawing(PreparedDrawing&&) noexcept;
  PreparedDrawing& operator=(PreparedDrawing&&) noexcept;
  ~PreparedDrawing();

  // Nothing to paint: no list was prepared, or it held no items.
  bool Empty() const;

 private:
  friend PreparedDrawing PrepareRaster(const DrawList&, int, int, TextShaper*);
  friend void PaintPrepared(const PreparedDrawing&, const RasterTarget&, int);
  struct Items;
  std::unique_ptr<Items> items_;
};

PreparedDrawing PrepareRaster(const DrawList& list, int width, int height, TextShaper* text);

// Paints onto `target`, which must have the size the drawing was prepared for; a drawing of
// another size paints nothing. `threads` as RasterPainting's.
void PaintPrepared(const PreparedDrawing& drawing, const RasterTarget& target, int threads = 0);
