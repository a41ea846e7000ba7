#pragma once
// Progress of long work shown in the main window: the caption, and the window's events
// handled between steps, with Picture1 repainted at most about 60 times a second so that
// showing progress never costs more than the work.
#include <cstdint>
#include <string>

#include "base/platform.h"
#include "base/surface.h"
#include "mapout/post_process.h"
#include "ui/main_window.h"

class WindowProgress : public RedrawProgress {
 public:
  WindowProgress(MainWindow& window, Surface& picture1, Clock& clock)
      : window_(window), picture1_(picture1), clock_(clock), lastRepaint_(clock.GetTickCount()) {}
  void SetCaption(const std::string& text) override { window_.SetCaption(text); }
  void ProcessEvents() override;

 private:
  static constexpr std::uint32_t kRepaintMs = 16;
  MainWindow& window_;
  Surface& picture1_;
  Clock& clock_;
  std::uint32_t lastRepaint_;
};
