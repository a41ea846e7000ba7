#include "app/work_beside_events.h"

#include <malloc.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

StationMapResult MakeStationMapBesideEvents(
    const StationMapMaker& make, const StationMapRequest& request, FileStore& files, WorkStop& stop,
    const std::function<void(std::string_view phase, double fraction)>& show) {
  struct Shared {
    std::mutex mutex;
    std::condition_variable changed;
    std::string phase = "Starting";
    double fraction = 0;
    bool done = false;
  } shared;
  StationMapResult result;
  StoppableFileStore stoppableFiles(files, stop);
  std::jthread worker([&] {
    StationMapResult made = make(
        request,
        [&](std::string_view phase, double fraction) {
          const std::lock_guard lock(shared.mutex);
          shared.phase = phase;
          shared.fraction = fraction;
          return !stop.Asked();
        },
        stoppableFiles);
    const std::lock_guard lock(shared.mutex);
    result = std::move(made);
    shared.done = true;
    shared.changed.notify_all();
  });
  for (;;) {
    std::string phase;
    double fraction = 0;
    {
      std::unique_lock lock(shared.mutex);
      if (shared.changed.wait_for(lock, std::chrono::milliseconds(16), [&] { return shared.done; })) break;
      phase = shared.phase;
      fraction = shared.fraction;
    }
    show(phase, fraction);
  }
  worker.join();
  // The map's picture, bands and encoder buffers were freed on other threads, into arenas the
  // allocator keeps for them; hand those pages back, or every map of a new size would leave
  // its peak resident for the rest of the run.
  ::malloc_trim(0);
  return result;
}
