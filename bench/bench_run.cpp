// The Run command in the in-memory window layer: what the run loop itself
// (event poll, Escape poll, lamps) adds to the core, without a real window.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdint>
#include <memory>

#include "bench/bench_programs.h"
#include "debug/history.h"
#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/headless/headless_layer.h"

namespace {

using Clock = std::chrono::steady_clock;

// 000 JUN 000 below programLength 32, Escape held after `steps`
// instructions: one Run per iteration, timed from the call to its return.
// The bare core runs as many instructions right after, for the ratio.
void RunHeadless(benchmark::State& bench, MachineKind machine) {
    const auto steps = static_cast<int32_t>(bench.range(0));
    HeadlessLayer layer;
    auto workbench = std::make_unique<Workbench>();
    if (!StartMainWindow(*workbench, layer)) {
        bench.SkipWithError("the window could not be opened");
        return;
    }
    PlaceProgram(workbench->state, JunLoop());
    SelectMachine(*workbench, layer, machine);
    SyncMcs4Rom(*workbench);
    workbench->mcs4.test = 1;  // as in its bare core's run
    bool allRan = true;
    const auto run = [&] {
        workbench->state.pc = 0;
        workbench->mcs4.stack[static_cast<size_t>(workbench->mcs4.sp)] = 0;
        workbench->programLength = 32;
        layer.HoldEscapeAfter(steps / kSnapshotInterval);
        const int32_t pollsBefore = layer.escapePolls;
        const Clock::time_point start = Clock::now();
        RunProgram(*workbench, layer);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // One poll per event take; the one that saw Escape ran no instruction.
        allRan = allRan && layer.escapePolls - pollsBefore - 1 == steps / kSnapshotInterval;
        return seconds;
    };
    MeasureAgainstCore(bench, steps, run, [steps, machine] {
        return IsMcs4(machine) ? Mcs4CoreSeconds(JunLoop(), steps) : CoreSeconds(JunLoop(), steps);
    });
    if (!allRan) bench.SkipWithError("a Run ended before Escape");
}

void BM_RunHeadless(benchmark::State& bench) {
    RunHeadless(bench, MachineKind::Compatible);
}
// The MCS-4 system's Run against its own bare core.
void BM_Mcs4RunHeadless(benchmark::State& bench) {
    RunHeadless(bench, MachineKind::Mcs4);
}

}  // namespace

// Few iterations of many instructions: the poll counter of the layer is
// 32-bit.
BENCHMARK(BM_RunHeadless)
    ->Arg(1 << 24)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mcs4RunHeadless)
    ->Arg(1 << 24)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
