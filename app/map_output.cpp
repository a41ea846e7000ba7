#include "app/map_output.h"

#include "app/window_progress.h"
#include "mapout/capture.h"
#include "mapout/post_process.h"

namespace {

MapCentre CentreOf(const ViewState& view) { return MapCentre{view.Long, view.Lat, view.Radius}; }

}  // namespace

MapOutput::MapOutput(ProgramServices& services, MessageBoxes& messages)
    : services_(services), log_(services.files, messages), store_(services.files, messages) {}

void MapOutput::TakeCapture(const ViewState& view) {
  StoreCapture(services_.clipboard.ReadBitmap(), services_.pictures.Picture4, CentreOf(view), store_);
}

void MapOutput::PostProcessMap(const ViewState& view) {
  Pictures& p = services_.pictures;
  WindowProgress progress(services_.window, p.Picture1, services_.clock);
  RedrawContext context{p.Picture1, p.Picture2, p.Picture3, p.Picture4, CentreOf(view),
                        progress,   store_,     random_,    &buffers_};
  ::PostProcessMap(context);
  p.Picture1.MarkChanged();
}
