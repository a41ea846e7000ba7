// One tick of the interactive loop on the shipped globe: view update, sun lights,
// transforms, the frame with its caption, and event processing (a stand-in window, so the
// X server's repaint is not in it). Run: build/bench/tick_bench --benchmark_repetitions=9
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "support/program_rig.h"

namespace {

struct TickRig : StandInServices {
  Program program{Services(SKERROWEN_BINARY_DIR)};
};

// idle: no key held within one second of the clock, so the tick rests: it only processes the
// events (the loop then waits instead of ticking); sun: the clock's second moves on every tick,
// so every frame is drawn, as once a second at rest; turning: Left held and every tick a 50 ms
// view step, so every frame is drawn.
enum class Case { Idle, Sun, Turning };

void BM_Tick(benchmark::State& state, Case which) {
  TickRig rig;
  rig.program.SetUpPass();
  if (!rig.program.flags().Running || !rig.messages.shown.empty()) {
    state.SkipWithError("the globe did not load; build the earth_data target first");
    return;
  }
  rig.program.keys().LeftHeld = which == Case::Turning;
  std::vector<double> tickMs;
  for (auto _ : state) {
    rig.clock.ticks += which == Case::Turning ? 50 : 10;
    if (which == Case::Sun) rig.clock.now.second = (rig.clock.now.second + 1) % 60;
    const auto begin = std::chrono::steady_clock::now();
    rig.program.Tick();
    tickMs.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - begin).count());
  }
  // As in render_bench: on a machine shared with other work, the fastest and the middle tick
  // say more than the mean.
  std::sort(tickMs.begin(), tickMs.end());
  state.counters["tick_ms_min"] = tickMs.front();
  state.counters["tick_ms_median"] = tickMs[tickMs.size() / 2];
  state.counters["frames_kept"] = static_cast<double>(rig.program.renderer().Device()->FramesKept());
  benchmark::DoNotOptimize(rig.pictures.Picture1.Pixels()[0]);
}

BENCHMARK_CAPTURE(BM_Tick, idle, Case::Idle)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Tick, sun, Case::Sun)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Tick, turning, Case::Turning)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
