// One tick of the interactive loop on the shipped globe: view update, sun lights,
// transforms, the frame with its caption, and event processing (a stand-in window, so the
// X server's repaint is not in it). Run: build/bench/tick_bench --benchmark_repetitions=9
//   --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include "support/program_rig.h"

namespace {

struct TickRig : StandInServices {
  Program program{Services(SKERROWEN_BINARY_DIR)};
};

void BM_Tick(benchmark::State& state, bool turning) {
  TickRig rig;
  rig.program.SetUpPass();
  if (!rig.program.flags().Running || !rig.messages.shown.empty()) {
    state.SkipWithError("the globe did not load; build the earth_data target first");
    return;
  }
  rig.program.keys().LeftHeld = turning;
  for (auto _ : state) {
    rig.clock.ticks += 10;
    rig.program.Tick();
  }
  benchmark::DoNotOptimize(rig.pictures.Picture1.Pixels()[0]);
}

BENCHMARK_CAPTURE(BM_Tick, idle, false)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_Tick, turning, true)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
