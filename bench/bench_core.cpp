// Instructions per second of StepInstruction on three endless programs.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "data/examples.h"

namespace {

struct SilentMessages : Messages {
    void Show(const std::string&, const std::string&) override {}
};

// The squaring example with its exit test turned into JCN TN, which never
// jumps: after the set-up it runs the loop body 0x04..0x11 forever.
std::vector<int32_t> EndlessSquareLoop() {
    std::vector<int32_t> program(ExampleSquare.begin(), ExampleSquare.end());
    program[0x0D] = 0x11;
    return program;
}

// One round touches every instruction group: RAM, status and ports, the
// register arithmetic, the accumulator group, a call and return, taken JCN,
// ISZ, FIN, JIN and JUN.
const std::vector<int32_t> MixedProgram = [] {
    std::vector<int32_t> program = {
        0x20, 0x3C,  // 000 FIM P0 3C
        0x21,        // 002 SRC P0
        0xD7,        // 003 LDM 7
        0xE0,        // 004 WRM
        0xE1,        // 005 WMP
        0xE2,        // 006 WRR
        0xE4,        // 007 WR0
        0xEB,        // 008 ADM
        0xE9,        // 009 RDM
        0xE8,        // 00A SBM
        0xEA,        // 00B RDR
        0xEC,        // 00C RD0
        0xFD,        // 00D DCL
        0x62,        // 00E INC R2
        0xA2,        // 00F LD R2
        0x82,        // 010 ADD R2
        0x92,        // 011 SUB R2
        0xB4,        // 012 XCH R4
        0xF2,        // 013 IAC
        0xFB,        // 014 DAA
        0xF5,        // 015 RAL
        0xF6,        // 016 RAR
        0xFC,        // 017 KBP
        0xF8,        // 018 DAC
        0xF4,        // 019 CMA
        0xF3,        // 01A CMC
        0xF7,        // 01B TCC
        0xF9,        // 01C TCS
        0xFA,        // 01D STC
        0xF1,        // 01E CLC
        0xF0,        // 01F CLB
        0x50, 0x30,  // 020 JMS 030
        0x00,        // 022 NOP
        0x1C, 0x26,  // 023 JCN AN 026   BBL left 3
        0x00,        // 025 (skipped)
        0x75, 0x28,  // 026 ISZ R5 028   either way to 028
        0x32,        // 028 FIN P1       R2R3 := ROM 03C
        0x26, 0x2D,  // 029 FIM P3 2D
        0x37,        // 02B JIN P3
        0x00,        // 02C (skipped)
        0x40, 0x00,  // 02D JUN 000
    };
    program.resize(0x3D, 0);
    program[0x30] = 0xC3;  // 030 BBL 3
    program[0x3C] = 0x5A;  // 03C data for FIN
    return program;
}();

const std::vector<int32_t> JunLoop = {0x40, 0x00};  // 000 JUN 000

void StepProgram(benchmark::State& bench, const std::vector<int32_t>& program) {
    constexpr int StepsPerIteration = 1000;
    auto state = std::make_unique<MachineState>();
    std::copy(program.begin(), program.end(), state->RomImage.begin());
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
    StepProgram(bench, MixedProgram);
}
void BM_JunLoop(benchmark::State& bench) {
    StepProgram(bench, JunLoop);
}

}  // namespace

BENCHMARK(BM_SquareLoop);
BENCHMARK(BM_MixedProgram);
BENCHMARK(BM_JunLoop);
