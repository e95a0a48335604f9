#pragma once
// The debugger's ways of executing: a single recorded Step, and a Run, Step
// Over or Run to Cursor on the Run's own loop (core/run_loop.h) with the
// breakpoints tested and every instruction recorded in the history. The
// caller's own observer is asked as the Run's loop asks any observer
// (StopBefore, AfterStep), and besides at checkpoints:
//
//   bool AtCheckpoint(const MachineState& state);
//       asked before the first instruction and then at every snapshot of
//       the history, every kSnapshotInterval instructions; true ends the
//       run there. Work a caller does now and then (the window takes an
//       event and looks at Escape) costs a run nothing per instruction
//       there: it shares the history's count.
//
// How these runs end besides the Run's own rules: before an instruction at
// a breakpoint, and for Run to Cursor before the instruction at the cursor,
// but never before the first instruction, so that a run started on a
// breakpoint moves on. Step Over starts on a JMS and ends once the number of
// BBL executed has caught up with the number of JMS executed (the JMS itself
// included): the subroutine has returned, which in every ordinary case leaves
// pc at the address after the JMS at the depth it started from.
//
// The depth is counted, not read off the stack pointer: the stack is three
// slots used circularly, so the stack pointer comes back to the same value
// three calls deeper (a recursive subroutine passing the JMS's return address
// again would stop there), and a fourth nested call overwrites the oldest
// return address. When that address was this JMS's, the matching BBL takes
// the machine somewhere else; Step Over stops right there, after the return,
// rather than run on in search of an address the program no longer returns to.

#include <cstdint>

#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/messages.h"
#include "core/run_loop.h"
#include "debug/breakpoints.h"
#include "debug/history.h"

enum class DebugGoal {
    Run,          // run on until a breakpoint or the Run's own rules end it
    StepOver,     // run until the JMS at pc has returned
    RunToCursor,  // run until pc reaches the target address
};

// Which of the debugger's checks ended a run, if any.
enum class DebugStop {
    None,        // the Run's own rules or the caller's observer ended it
    Breakpoint,  // before an instruction at a breakpoint
    Goal,        // Step Over: the subroutine returned; Run to Cursor: pc reached the target
};

struct DebugRunResult {
    RunEnd end = RunEnd::Bound;
    DebugStop stop = DebugStop::None;
    int64_t executed = 0;  // instructions executed, all of them recorded
};

// The opcode StepInstruction would fetch at pc (0 beyond program memory).
inline int32_t OpcodeAtPc(const MachineState& state) {
    const auto index = static_cast<uint32_t>(state.pc);
    return index < state.RomImage.size() ? state.RomImage[index] & 0xFF : 0;
}

// Whether the instruction at pc is a JMS, the only one Step Over runs over.
inline bool AtCall(const MachineState& state) {
    return (OpcodeAtPc(state) & 0xF0) == 0x50;
}

// What the instruction at pc does to the call depth: +1 for JMS, -1 for BBL.
inline int32_t CallDepthChange(const MachineState& state) {
    const int32_t group = OpcodeAtPc(state) >> 4;
    return group == 0x5 ? 1 : group == 0xC ? -1 : 0;
}

// The observer a debugger run puts around the caller's. The goal is a
// template parameter so that a plain Run pays only for the breakpoint test
// and the history's count.
template <DebugGoal goal, typename Inner>
struct DebugObserver {
    const Breakpoints& breakpoints;
    History& history;
    Inner& inner;
    int32_t target = 0;       // RunToCursor: the address to reach
    int32_t depth = 0;        // StepOver: JMS executed minus BBL executed
    int32_t depthChange = 0;  // StepOver: CallDepthChange of the instruction about to run
    // Instructions until the history's next snapshot: counted here rather
    // than in the history so that the count can live in a register. It is
    // counted down before each instruction but the first, for the one
    // before; RunDebug counts the last instruction of a run that ends
    // without asking.
    int32_t untilSnapshot = kSnapshotInterval;
    DebugStop stop = DebugStop::None;

    bool StopBefore(const MachineState& state, int64_t executed) {
        if (executed > 0) [[likely]] {
            if (--untilSnapshot == 0) [[unlikely]] {
                TakeIntervalSnapshot(history, state);
                untilSnapshot = kSnapshotInterval;
                if (inner.AtCheckpoint(state)) return true;
            }
            if constexpr (goal == DebugGoal::RunToCursor) {
                if (state.pc == target) [[unlikely]] {
                    stop = DebugStop::Goal;
                    return true;
                }
            }
            if constexpr (goal == DebugGoal::StepOver) {
                if (depth <= 0) [[unlikely]] {
                    stop = DebugStop::Goal;
                    return true;
                }
            }
            // After an instruction the Run goes on only with pc below 0xFFF.
            if (HasBreakpointInRange(breakpoints, state.pc)) [[unlikely]] {
                stop = DebugStop::Breakpoint;
                return true;
            }
        } else if (inner.AtCheckpoint(state)) {
            return true;
        }
        if (inner.StopBefore(state, executed)) return true;
        if constexpr (goal == DebugGoal::StepOver) depthChange = CallDepthChange(state);
        return false;
    }

    void AfterStep(const MachineState& state) {
        if constexpr (goal == DebugGoal::StepOver) depth += depthChange;
        inner.AfterStep(state);
    }
};

// Runs under the Run's rules (see core/run_loop.h; it sets `running` and
// leaves it for the caller) towards `goal`, recording every instruction.
// `target` is Run to Cursor's address and unused otherwise.
template <DebugGoal goal, typename Inner>
DebugRunResult RunDebug(MachineState& state, Messages& messages, int32_t programLength,
                        const Breakpoints& breakpoints, History& history, Inner& inner,
                        int32_t target = 0) {
    BeginRecording(history, state);
    DebugObserver<goal, Inner> observer{breakpoints, history, inner, target};
    observer.untilSnapshot = kSnapshotInterval - history.sinceLast;
    DebugRunResult result;
    result.end = RunInstructions(state, messages, programLength, observer, result.executed);
    // A run that ended on its own rules after an instruction was not asked
    // before the next: that instruction is counted here.
    if (result.executed > 0 && result.end != RunEnd::Observer && --observer.untilSnapshot == 0) {
        TakeIntervalSnapshot(history, state);
        observer.untilSnapshot = kSnapshotInterval;
    }
    history.sinceLast = kSnapshotInterval - observer.untilSnapshot;
    if (result.end == RunEnd::Observer) result.stop = observer.stop;
    return result;
}

// A single instruction, as Step executes it (no bound, `running` untouched
// unless the instruction is refused), recorded in the history.
inline void StepRecorded(MachineState& state, Messages& messages, History& history) {
    BeginRecording(history, state);
    StepInstruction(state, messages);
    RecordStep(history, state);
}
