#include "app/window_progress.h"

void WindowProgress::ProcessEvents() {
  const std::uint32_t now = clock_.GetTickCount();
  if (now - lastRepaint_ >= kRepaintMs) {
    lastRepaint_ = now;
    picture1_.MarkChanged();
  }
  window_.DoEvents();
}
