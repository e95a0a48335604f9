#pragma once
// The endless programs the benchmarks run, and the core's own speed on the
// JUN loop, against which the Run benchmarks measure themselves.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/mcs4.h"
#include "core/mcs4_step.h"
#include "data/examples.h"

struct SilentMessages : Messages {
    void Show(const std::string&, const std::string&) override {}
};

// The squaring example with its exit test turned into JCN TN, which never
// jumps: after the set-up it runs the loop body 0x04..0x11 forever.
inline std::vector<int32_t> EndlessSquareLoop() {
    std::vector<int32_t> program(ExampleSquare.begin(), ExampleSquare.end());
    program[0x0D] = 0x11;
    return program;
}

// One round touches every instruction group: RAM, status and ports, the
// register arithmetic, the accumulator group, a call and return, taken JCN,
// ISZ, FIN, JIN and JUN.
inline std::vector<int32_t> MixedProgram() {
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
}

// 000 JUN 000: the cheapest endless program, the one the Run benchmarks use.
inline std::vector<int32_t> JunLoop() {
    return {0x40, 0x00};
}

// Puts a program at address 0 of ROM.
inline void PlaceProgram(MachineState& state, const std::vector<int32_t>& program) {
    std::copy(program.begin(), program.end(), state.RomImage.begin());
}

// The counters every Run-against-core benchmark reports: instructions a
// second in the run and in the bare core, and the core's time over the run's.
inline void SetRatioCounters(benchmark::State& bench, double instructions, double runSeconds,
                             double coreSeconds) {
    bench.counters["instr_per_s"] = instructions / runSeconds;
    bench.counters["core_instr_per_s"] = instructions / coreSeconds;
    bench.counters["ratio_to_core"] = coreSeconds / runSeconds;
}

// The measuring loop of a Run-against-core benchmark: `run` (one Run of
// `instructions` instructions, returning its seconds) once untimed, since
// the history's memory comes into use with page faults once per session,
// then per iteration the Run timed and `core` (returning the bare core's
// seconds for as many instructions) right beside it; then the counters.
template <typename Run, typename Core>
void MeasureAgainstCore(benchmark::State& bench, double instructions, Run run, Core core) {
    run();
    double runSeconds = 0;
    double coreSeconds = 0;
    for (auto _ : bench) {
        const double seconds = run();
        bench.SetIterationTime(seconds);
        runSeconds += seconds;
        coreSeconds += core();
    }
    SetRatioCounters(bench, static_cast<double>(bench.iterations()) * instructions, runSeconds,
                     coreSeconds);
}

// Seconds the bare core takes for `steps` instructions of `program`: the
// yardstick of the Run benchmarks, timed in the same process right beside
// them so that both see the same machine conditions. Never inlined, so that
// every benchmark measures with the same code.
[[gnu::noinline]] inline double CoreSeconds(const std::vector<int32_t>& program, int64_t steps) {
    auto state = std::make_unique<MachineState>();
    PlaceProgram(*state, program);
    state->running = 1;
    SilentMessages messages;
    const auto start = std::chrono::steady_clock::now();
    for (int64_t i = 0; i < steps; ++i) StepInstruction(*state, messages);
    benchmark::ClobberMemory();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(end - start).count();
}

// The same for the MCS-4 system on a board: its bare core, the yardstick of
// its Run benchmarks. TEST is held at 1, so that the endless squaring loop's
// JCN 11 (TZ there) does not jump, as on the compatible machine.
template <Mcs4Board board = Mcs4Board::Plain>
[[gnu::noinline]] double Mcs4CoreSeconds(const std::vector<int32_t>& program, int64_t steps) {
    auto state = std::make_unique<Mcs4State>();
    LoadMcs4Rom(*state, board, program.data(), static_cast<int32_t>(program.size()));
    state->test = 1;
    const auto start = std::chrono::steady_clock::now();
    for (int64_t i = 0; i < steps; ++i) StepMcs4<board>(*state);
    benchmark::ClobberMemory();
    const auto end = std::chrono::steady_clock::now();
    return std::chrono::duration<double>(end - start).count();
}
