#pragma once
// Executing instructions back to back under a Run's rules, shared by the
// window's Run (and the commands built on it) and the command-line runner.
//
// The rules: the bound is tested before the first instruction, so a Run
// starting past the program's length executes nothing; the instruction at
// programLength itself still runs; after each instruction, pc past
// programLength or at 0xFFF ends the Run, and so does an instruction the
// machine does not execute (StepInstruction clears `running`). The caller
// decides everything else through an observer:
//
//   bool StopBefore(const MachineState& state, int64_t executed);
//       asked before every instruction, `executed` counting those done so
//       far in this Run; true ends the Run before the instruction.
//   void AfterStep(const MachineState& state);
//       told after every instruction.
//
// The observer is a template parameter so that its checks are inlined into
// the loop: a Run pays for them once per instruction.

#include <algorithm>
#include <cstdint>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/messages.h"

enum class RunEnd {
    Bound,     // pc passed programLength or reached 0xFFF, or started past programLength
    Error,     // an instruction the machine does not execute; a message was shown
    Observer,  // the observer asked to stop
};

template <typename Observer>
RunEnd RunInstructions(MachineState& state, Messages& messages, int32_t programLength,
                       Observer& observer, int64_t& executed) {
    executed = 0;
    if (state.pc > programLength) return RunEnd::Bound;
    // pc past either bound ends the Run alike, and neither moves meanwhile.
    const int32_t lastPc = std::min(programLength, kLastAddress - 1);
    state.running = 1;
    // The first question is asked apart, so that inside the loop the
    // compiler knows `executed` is positive and drops an observer's test
    // for the first instruction from every other.
    if (observer.StopBefore(state, 0)) return RunEnd::Observer;
    for (;;) {
        StepInstruction(state, messages);
        ++executed;
        observer.AfterStep(state);
        // One branch for both ends, which are rare.
        if ((state.running == 0) | (state.pc > lastPc)) [[unlikely]] {
            return state.running == 0 ? RunEnd::Error : RunEnd::Bound;
        }
        if (observer.StopBefore(state, executed)) return RunEnd::Observer;
    }
}
