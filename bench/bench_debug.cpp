// The debugger: its engine alone (a Run with breakpoints set and the
// history recording, against the bare core right beside it; one Step Back
// deep into a long Run; toggling) and its commands in the window (the Run
// command with breakpoints, Step Back with the repaint, Toggle Breakpoint
// with its mark).

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <limits>
#include <memory>
#include <utility>
#include <vector>

#include "bench/bench_programs.h"
#include "bench/bench_window.h"
#include "core/machine_state.h"
#include "debug/breakpoints.h"
#include "debug/debug_run.h"
#include "debug/history.h"
#include "frontend/app.h"
#include "frontend/breakpoint_marks.h"
#include "frontend/controls.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/headless/headless_layer.h"

namespace {

using Clock = std::chrono::steady_clock;

// This machine is shared: a Run and the core beside it are both timed in
// the CPU time of this thread, so that time the scheduler gives to other
// processes counts against neither.
double ThreadSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CoreSeconds (bench_programs.h) in thread CPU time.
[[gnu::noinline]] double CoreThreadSeconds(const std::vector<int32_t>& program, int64_t steps) {
    auto state = std::make_unique<MachineState>();
    PlaceProgram(*state, program);
    state->running = 1;
    SilentMessages messages;
    const double start = ThreadSeconds();
    for (int64_t i = 0; i < steps; ++i) StepInstruction(*state, messages);
    benchmark::ClobberMemory();
    return ThreadSeconds() - start;
}

// Ends a Run after a number of instructions, as Escape held after so many
// event takes does in the window.
struct StopAfter {
    int64_t limit;
    RunStop StopBefore(const MachineState& /*state*/, int64_t executed) {
        return executed >= limit ? RunStop::Escape : RunStop::None;
    }
    void AfterStep(const MachineState& /*state*/) {}
    RunStop AtCheckpoint(const MachineState& /*state*/) { return RunStop::None; }
};

// 16 breakpoints spread over the address space, none of them in the JUN
// loop at 000.
void SetSixteenBreakpoints(Breakpoints& breakpoints) {
    for (int32_t k = 1; k <= 16; ++k) ToggleBreakpoint(breakpoints, k * 0xF0 + 3);
}

// A debugger Run of 000 JUN 000 (the Run benchmarks' program), one per
// iteration, timed from the call to its return, then the bare core for as
// many instructions. Arguments: breakpoints set (0 or 16); whether the Run
// records its history, as every Run in the window does (1), or the
// breakpoints alone are measured on the plain Run's loop (0).
void BM_DebugRun(benchmark::State& bench) {
    const int32_t breakpointCount = static_cast<int32_t>(bench.range(0));
    const bool recording = bench.range(1) != 0;
    constexpr int64_t kSteps = int64_t{1} << 24;
    auto state = std::make_unique<MachineState>();
    PlaceProgram(*state, JunLoop());
    Breakpoints breakpoints;
    if (breakpointCount == 16) SetSixteenBreakpoints(breakpoints);
    auto history = std::make_unique<History>();
    SilentMessages messages;
    bool allRan = true;
    const auto run = [&] {
        state->pc = 0;
        HistoryBarrier(*history);
        StopAfter inner{kSteps};
        int64_t executed = 0;
        const double start = ThreadSeconds();
        if (recording) {
            executed = RunDebug<CompatibleCpu, DebugGoal::Run>(*state, messages, 32, breakpoints,
                                                               *history, inner)
                           .executed;
        } else {
            // The breakpoint test alone, on the Run's loop.
            struct BreakpointsOnly {
                const Breakpoints& breakpoints;
                StopAfter& inner;
                RunStop StopBefore(const MachineState& s, int64_t executed) {
                    if (executed > 0 && HasBreakpoint(breakpoints, s.pc))
                        return RunStop::Breakpoint;
                    return inner.StopBefore(s, executed);
                }
                void AfterStep(const MachineState& /*s*/) {}
            } observer{breakpoints, inner};
            RunInstructions(*state, messages, 32, observer, executed);
        }
        const double seconds = ThreadSeconds() - start;
        allRan = allRan && executed == kSteps;
        return seconds;
    };
    MeasureAgainstCore(bench, kSteps, run, [] { return CoreThreadSeconds(JunLoop(), kSteps); });
    if (!allRan) bench.SkipWithError("a Run stopped early");
}

// One Step Back after a recorded Run of the mixed program (every
// instruction group, calls included) of `range(0)` instructions. 1,000,000
// leaves 575 instructions to execute again from the newest snapshot;
// 1,003,520 (a multiple of the snapshot interval) the most there can be,
// 4095. Each iteration steps back once, then (untimed) executes that
// instruction again so that every Step Back starts from the same point.
void BM_StepBackAfterRun(benchmark::State& bench) {
    const int64_t runLength = bench.range(0);
    auto state = std::make_unique<MachineState>();
    PlaceProgram(*state, MixedProgram());
    Breakpoints breakpoints;
    auto history = std::make_unique<History>();
    SilentMessages messages;
    StopAfter inner{runLength};
    RunDebug<CompatibleCpu, DebugGoal::Run>(*state, messages, 0xFFF, breakpoints, *history, inner);
    if (HistoryLength(*history) != runLength) {
        bench.SkipWithError("the Run did not record every instruction");
        return;
    }
    double worst = 0;
    bool allStepped = true;
    for (auto _ : bench) {
        const double start = ThreadSeconds();
        allStepped = StepBack(*history, *state) && allStepped;
        const double seconds = ThreadSeconds() - start;
        bench.SetIterationTime(seconds);
        worst = std::max(worst, seconds);
        StepRecorded<CompatibleCpu>(*state, messages, *history);
    }
    if (!allStepped) bench.SkipWithError("Step Back refused");
    bench.counters["worst_ms"] = worst * 1e3;
    bench.counters["history_MB"] =
        static_cast<double>(history->snapshots.size() * sizeof(MachineSnapshot)) / (1 << 20);
}

// The history when full: its memory, and that a Step Back there is no slower.
void BM_StepBackFullHistory(benchmark::State& bench) {
    auto state = std::make_unique<MachineState>();
    PlaceProgram(*state, MixedProgram());
    Breakpoints breakpoints;
    auto history = std::make_unique<History>();
    SilentMessages messages;
    StopAfter inner{kHistoryInstructions + 3 * kSnapshotInterval};
    RunDebug<CompatibleCpu, DebugGoal::Run>(*state, messages, 0xFFF, breakpoints, *history, inner);
    for (auto _ : bench) {
        StepBack(*history, *state);
        bench.PauseTiming();
        StepRecorded<CompatibleCpu>(*state, messages, *history);
        bench.ResumeTiming();
    }
    bench.counters["reach_instr"] = static_cast<double>(HistoryLength(*history));
    bench.counters["history_MB"] =
        static_cast<double>(history->snapshots.capacity() * sizeof(MachineSnapshot)) / (1 << 20);
}

// Toggling a breakpoint and testing one, at addresses all over the range.
void BM_ToggleBreakpoint(benchmark::State& bench) {
    Breakpoints breakpoints;
    int32_t address = 0;
    int64_t set = 0;
    for (auto _ : bench) {
        address = (address + 0x9E37) & 0xFFFF;
        ToggleBreakpoint(breakpoints, address);
        set += HasBreakpoint(breakpoints, address) ? 1 : 0;
        benchmark::DoNotOptimize(set);
    }
    bench.SetItemsProcessed(static_cast<int64_t>(bench.iterations()));
}

// The window's Run command itself (which records every instruction), with
// 0 or 16 breakpoints set, none hit, on the in-memory layer (window 0) or
// the Qt window (1): 000 JUN 000, Escape after 2^24 instructions, against the bare
// core for as many instructions, both in wall-clock time as bench_run.cpp
// measures the plain Run.
void BM_RunCommand(benchmark::State& bench) {
    const bool sixteen = bench.range(0) == 16;
    const bool qt = bench.range(1) != 0;
    constexpr int64_t kSteps = int64_t{1} << 24;
    std::unique_ptr<BenchWindow> window;
    std::unique_ptr<HeadlessLayer> headless;
    std::unique_ptr<Workbench> headlessWorkbench;
    Workbench* workbench = nullptr;
    WindowLayer* layer = nullptr;
    if (qt) {
        window = std::make_unique<BenchWindow>();
        if (!window->Open()) {
            bench.SkipWithError("the main window could not be opened and painted");
            return;
        }
        workbench = window->workbench.get();
        layer = &window->layer;
    } else {
        headless = std::make_unique<HeadlessLayer>();
        headlessWorkbench = std::make_unique<Workbench>();
        if (!StartMainWindow(*headlessWorkbench, *headless)) {
            bench.SkipWithError("the window could not be opened");
            return;
        }
        workbench = headlessWorkbench.get();
        layer = headless.get();
    }
    PlaceProgram(workbench->state, JunLoop());
    if (sixteen) SetSixteenBreakpoints(workbench->breakpoints);
    double runSeconds = 0;
    double coreSeconds = 0;
    double runCpuSeconds = 0;
    double coreCpuSeconds = 0;
    bool allRan = true;
    // The Run's wall-clock and CPU seconds.
    const auto run = [&] {
        workbench->state.pc = 0;
        workbench->programLength = 32;
        HistoryBarrier(workbench->history);
        if (qt) {
            window->layer.HoldEscapeAfter(kSteps / kSnapshotInterval);
        } else {
            headless->HoldEscapeAfter(static_cast<int32_t>(kSteps / kSnapshotInterval));
        }
        const Clock::time_point start = Clock::now();
        const double cpuStart = ThreadSeconds();
        RunProgram(*workbench, *layer);
        const double cpuSeconds = ThreadSeconds() - cpuStart;
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        // Past the history's reach the oldest instructions give way.
        allRan = allRan && workbench->state.pc == 0 &&
                 HistoryLength(workbench->history) >= kHistoryInstructions - kSnapshotInterval;
        return std::pair{seconds, cpuSeconds};
    };
    run();  // warm-up: the history's memory comes into use once per session
    for (auto _ : bench) {
        const auto [seconds, cpuSeconds] = run();
        runCpuSeconds += cpuSeconds;
        bench.SetIterationTime(seconds);
        runSeconds += seconds;
        coreSeconds += CoreSeconds(JunLoop(), kSteps);
        coreCpuSeconds += CoreThreadSeconds(JunLoop(), kSteps);
    }
    if (!allRan) bench.SkipWithError("a Run ended before Escape or missed instructions");
    // The same ratio in this thread's CPU time, which time given to other
    // processes on this shared machine does not disturb.
    bench.counters["cpu_ratio_to_core"] = coreCpuSeconds / runCpuSeconds;
    SetRatioCounters(bench, static_cast<double>(bench.iterations()) * kSteps, runSeconds,
                     coreSeconds);
}

// Step Back in the Qt window 1,000,000 instructions into a Run of the mixed
// program, including the repaint it causes (processEvents). Each iteration
// steps back once; then, untimed, Step executes that instruction again.
void BM_StepBackInWindow(benchmark::State& bench) {
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    Workbench& workbench = *window.workbench;
    PlaceProgram(workbench.state, MixedProgram());
    workbench.programLength = 0xFFF;
    // A Run stops on Escape at a multiple of the event stride; Steps make up
    // the rest.
    constexpr int64_t kInstructions = 1000000;
    window.layer.HoldEscapeAfter(kInstructions / kSnapshotInterval);
    RunProgram(workbench, window.layer);
    window.layer.HoldEscapeAfter(std::numeric_limits<int64_t>::max() / 2);
    for (int64_t k = 0; k < kInstructions % kSnapshotInterval; ++k)
        StepCommand(workbench, window.layer);
    if (HistoryLength(workbench.history) != 1000000) {
        bench.SkipWithError("the Run did not record a million instructions");
        return;
    }
    QCoreApplication::processEvents();
    double worst = 0;
    for (auto _ : bench) {
        const Clock::time_point start = Clock::now();
        StepBackCommand(workbench, window.layer);
        QCoreApplication::processEvents();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        bench.SetIterationTime(seconds);
        worst = std::max(worst, seconds);
        StepCommand(workbench, window.layer);
        QCoreApplication::processEvents();
    }
    bench.counters["worst_ms"] = worst * 1e3;
}

// Toggle Breakpoint on a selected line of the Qt window's listing, with the
// repaint of its mark.
void BM_ToggleBreakpointInWindow(benchmark::State& bench) {
    BenchWindow window;
    if (!window.Open()) {
        bench.SkipWithError("the main window could not be opened and painted");
        return;
    }
    Workbench& workbench = *window.workbench;
    SetSixteenBreakpoints(workbench.breakpoints);
    window.layer.SelectLine(Control::kCodeListing, 7);
    for (auto _ : bench) {
        ToggleBreakpointCommand(workbench, window.layer);
        QCoreApplication::processEvents();
    }
    if (window.layer.GetLineMark(Control::kCodeListing, 7).empty() ==
        HasBreakpoint(workbench.breakpoints, 7))
        bench.SkipWithError("the mark does not follow the breakpoint");
}

}  // namespace

BENCHMARK(BM_RunCommand)
    ->ArgNames({"breakpoints", "qt"})
    ->ArgsProduct({{0, 16}, {0, 1}})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepBackInWindow)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToggleBreakpointInWindow)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DebugRun)
    ->ArgNames({"breakpoints", "history"})
    ->Args({16, 0})
    ->Args({0, 1})
    ->Args({16, 1})
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StepBackAfterRun)
    ->Arg(1000000)
    ->Arg(1003520)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_StepBackFullHistory)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ToggleBreakpoint);
