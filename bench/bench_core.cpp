// Instructions per second of StepInstruction on three endless programs.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "bench/bench_programs.h"
#include "core/instruction.h"
#include "core/machine_state.h"

namespace {

void StepProgram(benchmark::State& bench, const std::vector<int32_t>& program) {
    constexpr int StepsPerIteration = 1000;
    auto state = std::make_unique<MachineState>();
    PlaceProgram(*state, program);
    state->running = 1;  // an error in the program would clear it
    SilentMessages messages;
    for (auto _ : bench) {
        for (int i = 0; i < StepsPerIteration; ++i) StepInstruction(*state, messages);
        benchmark::ClobberMemory();
    }
    if (state->running == 0) bench.SkipWithError("the program hit an instruction the core rejects");
    bench.SetItemsProcessed(static_cast<int64_t>(bench.iterations()) * StepsPerIteration);
}

void BM_SquareLoop(benchmark::State& bench) {
    StepProgram(bench, EndlessSquareLoop());
}
void BM_MixedProgram(benchmark::State& bench) {
    StepProgram(bench, MixedProgram());
}
void BM_JunLoop(benchmark::State& bench) {
    StepProgram(bench, JunLoop());
}

}  // namespace

BENCHMARK(BM_SquareLoop);
BENCHMARK(BM_MixedProgram);
BENCHMARK(BM_JunLoop);

namespace {

// The MCS-4 system's core against the compatible one on the same program,
// side by side in one process: `ratio_to_compatible` is the compatible
// core's time over the MCS-4 core's for the same number of instructions.
void Mcs4AgainstCompatible(benchmark::State& bench, const std::vector<int32_t>& program) {
    constexpr int64_t kSteps = 1 << 22;
    double mcs4Seconds = 0;
    double compatibleSeconds = 0;
    for (auto _ : bench) {
        const double seconds = Mcs4CoreSeconds(program, kSteps);
        bench.SetIterationTime(seconds);
        mcs4Seconds += seconds;
        compatibleSeconds += CoreSeconds(program, kSteps);
    }
    const double instructions = static_cast<double>(bench.iterations()) * kSteps;
    bench.counters["instr_per_s"] = instructions / mcs4Seconds;
    bench.counters["compatible_instr_per_s"] = instructions / compatibleSeconds;
    bench.counters["ratio_to_compatible"] = compatibleSeconds / mcs4Seconds;
}

void BM_Mcs4SquareLoop(benchmark::State& bench) {
    Mcs4AgainstCompatible(bench, EndlessSquareLoop());
}
void BM_Mcs4MixedProgram(benchmark::State& bench) {
    Mcs4AgainstCompatible(bench, MixedProgram());
}
void BM_Mcs4JunLoop(benchmark::State& bench) {
    Mcs4AgainstCompatible(bench, JunLoop());
}

}  // namespace

BENCHMARK(BM_Mcs4SquareLoop)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mcs4MixedProgram)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Mcs4JunLoop)->UseManualTime()->Iterations(20)->Unit(benchmark::kMillisecond);
