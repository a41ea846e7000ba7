// The program's map outputs: the log, the capture on the Alt release, and the software
// redraw after the loop.
#include "app/map_production.h"
#include "mapout/capture.h"
#include "mapout/log_file.h"
#include "mapout/map_files.h"
#include "mapout/post_process.h"
#include "base/uniform_random.h"

namespace {

// The redraw reports after every column; the window repaints at most about 60 times a
// second so that showing progress never costs more than the work.
class WindowProgress : public RedrawProgress {
 public:
  WindowProgress(MainWindow& window, Surface& picture1, Clock& clock)
      : window_(window), picture1_(picture1), clock_(clock), lastRepaint_(clock.GetTickCount()) {}
  void SetCaption(const std::string& text) override { window_.SetCaption(text); }
  void ProcessEvents() override {
    const std::uint32_t now = clock_.GetTickCount();
    if (now - lastRepaint_ >= kRepaintMs) {
      lastRepaint_ = now;
      picture1_.MarkChanged();
    }
    window_.DoEvents();
  }

 private:
  static constexpr std::uint32_t kRepaintMs = 16;
  MainWindow& window_;
  Surface& picture1_;
  Clock& clock_;
  std::uint32_t lastRepaint_;
};

}  // namespace

Program::~Program() = default;

void Program::InitMapProduction() {
  maps_ = std::make_unique<MapProduction>(services_.files, messages_);
}

void Program::WriteLog(const std::string& text) { maps_->log.WriteLog(text); }

void Program::TakeCapture() {
  StoreCapture(services_.clipboard.ReadBitmap(), services_.pictures.Picture4,
               MapCentre{view_.Long, view_.Lat, view_.Radius}, maps_->store);
}

void Program::PostProcessMap() {
  Pictures& p = services_.pictures;
  WindowProgress progress(services_.window, p.Picture1, services_.clock);
  RedrawContext context{p.Picture1, p.Picture2, p.Picture3, p.Picture4, MapCentre{view_.Long, view_.Lat, view_.Radius},
                        progress, maps_->store, maps_->random, &maps_->buffers};
  ::PostProcessMap(context);
  p.Picture1.MarkChanged();
}
