#include "base/work_stop.h"

#include <thread>

bool WorkStop::WaitForFiles(std::chrono::milliseconds patience) const {
  const auto giveUp = std::chrono::steady_clock::now() + patience;
  while (WritingFiles()) {
    if (std::chrono::steady_clock::now() >= giveUp) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

bool StoppableFileStore::WriteWholeFiles(const std::vector<WholeFile>& files, WriteFailure* failure,
                                         const StopAsked& stop) {
  // Counted as writing before the stop is looked at: an asker that then sees no writer
  // knows that this write sees its stop and begins nothing.
  stop_.writers_.fetch_add(1);
  bool written = false;
  if (stop_.Asked()) {
    if (failure != nullptr) *failure = WriteFailure{0, 0, "stopped", false, true};
  } else {
    written = files_.WriteWholeFiles(files, failure, [&] { return stop_.Asked() || (stop && stop()); });
  }
  stop_.writers_.fetch_sub(1);
  return written;
}
