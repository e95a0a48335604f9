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
