#pragma once
// Executing instructions back to back under a Run's rules, shared by the
// window's Run (and the commands built on it) and the command-line runner,
// and the one list of reasons why such a run ends.
//
// The compatible machine's rules: the bound is tested before the first
// instruction, so a Run starting past the program's length executes
// nothing; the instruction at programLength itself still runs; after each
// instruction, pc past programLength or at 0xFFF ends the Run, and so does
// an instruction the machine does not execute (StepInstruction clears
// `running`). The caller decides everything else through an observer:
//
//   RunStop StopBefore(const MachineState& state, int64_t executed);
//       asked before every instruction, `executed` counting those done so
//       far in this Run; anything but RunStop::None ends the Run before the
//       instruction, for that reason.
//   void AfterStep(const MachineState& state);
//       told after every instruction.
//
// The observer is a template parameter so that its checks are inlined into
// the loop: a Run pays for them once per instruction.

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/messages.h"

// Why a run ended. One list for the core's loop, the debugger, the window
// and the runner; each ends a run for the reasons it knows.
enum class RunStop : uint8_t {
    None,         // not ended: what an observer answers to let the run go on
    Bound,        // compatible machine: pc passed programLength or reached 0xFFF
    Error,        // compatible machine: an instruction it does not execute (a message said so)
    Breakpoint,   // before an instruction at a breakpoint (the runner's --break)
    Until,        // before the instruction at the run's target: Run to Cursor, --until
    Returned,     // Step Over: the subroutine has returned
    Steps,        // the runner's --steps were executed
    Escape,       // the user held Escape
    Interrupted,  // Ctrl+C, or the session asked the program to end
    Undefined,    // MCS-4 system, when asked: before an undefined opcode
    Overflow,     // MCS-4 system, when asked: before a fourth nested JMS or a BBL with none pushed
    Idle,         // the Busicom's runner: every key pressed, and the calculator idle again
    Stuck,        // the Busicom's runner: the program stopped taking keys
};

// The word for a stop in the runner's output: "bound", "error", "break",
// "until", "returned", "steps", "escape", "interrupted", "undefined",
// "overflow", "idle", "stuck" ("none" for None).
std::string_view StopWord(RunStop stop);

template <typename Observer>
RunStop RunInstructions(MachineState& state, Messages& messages, int32_t programLength,
                        Observer& observer, int64_t& executed) {
    executed = 0;
    if (state.pc > programLength) return RunStop::Bound;
    // pc past either bound ends the Run alike, and neither moves meanwhile.
    const int32_t lastPc = std::min(programLength, kLastAddress - 1);
    state.running = 1;
    // The first question is asked apart, so that inside the loop the
    // compiler knows `executed` is positive and drops an observer's test
    // for the first instruction from every other.
    if (const RunStop stop = observer.StopBefore(state, 0); stop != RunStop::None) return stop;
    for (;;) {
        StepInstruction(state, messages);
        ++executed;
        observer.AfterStep(state);
        // One branch for both ends, which are rare.
        if ((state.running == 0) | (state.pc > lastPc)) [[unlikely]] {
            return state.running == 0 ? RunStop::Error : RunStop::Bound;
        }
        if (const RunStop stop = observer.StopBefore(state, executed); stop != RunStop::None) {
            return stop;
        }
    }
}
