#pragma once
// The machines as the debugger and the front end see them: one type per
// processor and board, each saying how to execute one instruction, how to
// run, where the program counter is and what byte an address holds. Code
// that works on any machine is a template over one of these, so each gets
// its own loops with nothing to decide per instruction.

#include <cstdint>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/mcs4.h"
#include "core/mcs4_step.h"
#include "core/messages.h"
#include "core/run_loop.h"

// The machine that Quodlet has always emulated.
struct CompatibleCpu {
    using State = MachineState;
    static constexpr bool kMcs4 = false;
    static void Step(State& state, Messages& messages) { StepInstruction(state, messages); }
    // Under the Run's rules: bounded by programLength and 0xFFF.
    template <typename Observer>
    static RunStop Run(State& state, Messages& messages, int32_t programLength, Observer& observer,
                       int64_t& executed) {
        return RunInstructions(state, messages, programLength, observer, executed);
    }
    static int32_t Pc(const State& state) { return state.pc; }
    // The byte an instruction fetch finds there: 0 beyond program memory.
    static int32_t ByteAt(const State& state, int32_t address) {
        const auto index = static_cast<uint32_t>(address);
        return index < state.RomImage.size() ? state.RomImage[index] & 0xFF : 0;
    }
};

// The MCS-4 system on one of its boards. A run has no end of its own.
template <Mcs4Board board>
struct Mcs4Cpu {
    using State = Mcs4State;
    static constexpr bool kMcs4 = true;
    static constexpr Mcs4Board kBoard = board;
    static void Step(State& state, Messages& /*messages*/) { StepMcs4<board>(state); }
    template <typename Observer>
    static RunStop Run(State& state, Messages& /*messages*/, int32_t /*programLength*/,
                       Observer& observer, int64_t& executed) {
        return RunMcs4<board>(state, observer, executed);
    }
    static int32_t Pc(const State& state) { return Mcs4Pc(state); }
    static int32_t ByteAt(const State& state, int32_t address) {
        return state.rom[static_cast<size_t>(address & (kMcs4RomBytes - 1))];
    }
};
