// The command-line runner without a trace: what its stops (the interrupt
// flag, the step count, the stop addresses) add to the core.

#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <memory>
#include <sstream>

#include "bench/bench_programs.h"
#include "runner/runner.h"

namespace {

using Clock = std::chrono::steady_clock;

// 000 JUN 000 below programLength 32, --steps ending the run, a breakpoint
// set where the loop never goes and the interrupt flag read throughout: one
// run per iteration, timed from the call to its return. The bare core runs
// as many instructions right after, for the ratio.
void BM_RunnerRun(benchmark::State& bench) {
    const int64_t steps = bench.range(0);
    auto state = std::make_unique<MachineState>();
    PlaceProgram(*state, JunLoop());
    RunOptions options;
    options.maxSteps = steps;
    options.breaks = {0x800};
    SilentMessages messages;
    std::ostringstream trace;
    const volatile std::sig_atomic_t interrupted = 0;
    double runSeconds = 0;
    double coreSeconds = 0;
    bool allRan = true;
    for (auto _ : bench) {
        ResetCpu(*state);
        const Clock::time_point start = Clock::now();
        const RunOutcome outcome = RunMachine(*state, 32, options, messages, trace, &interrupted);
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        allRan = allRan && outcome.stop == RunStop::Steps && outcome.instructions == steps;
        bench.SetIterationTime(seconds);
        runSeconds += seconds;
        coreSeconds += CoreSeconds(JunLoop(), steps);
    }
    if (!allRan) bench.SkipWithError("a run ended before its step count");
    SetRatioCounters(bench, static_cast<double>(bench.iterations()) * static_cast<double>(steps),
                     runSeconds, coreSeconds);
}

}  // namespace

BENCHMARK(BM_RunnerRun)
    ->Arg(1 << 24)
    ->UseManualTime()
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond);
