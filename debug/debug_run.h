#pragma once
// The debugger's ways of executing, on any machine (core/cpus.h): a single
// recorded Step, and a Run, Step Over or Run to Cursor on the machine's own
// run loop with the breakpoints tested and every instruction recorded in the
// history. The caller's own observer is asked as a run's loop asks any
// observer (StopBefore, AfterStep), and besides at checkpoints:
//
//   RunStop AtCheckpoint(const State& state);
//       asked before the first instruction and then at every snapshot of
//       the history, every kSnapshotInterval instructions; anything but
//       RunStop::None ends the run there. Work a caller does now and then
//       (the window takes an event and looks at Escape) costs a run nothing
//       per instruction there: it shares the history's count.
//
// How these runs end besides the machine's own rules: before an instruction
// at a breakpoint, and for Run to Cursor before the instruction at the
// cursor, but never before the first instruction, so that a run started on
// a breakpoint moves on. The same holds for the MCS-4 system's two optional
// stops (DebugStops): before an undefined opcode, and before a fourth nested
// JMS or a BBL with nothing pushed. Step Over starts on a JMS and ends once
// the number of BBL executed has caught up with the number of JMS executed
// (the JMS itself included): the subroutine has returned, which in every
// ordinary case leaves pc at the address after the JMS at the depth it
// started from. Step Out counts the same way from zero and ends once one BBL
// more than JMS has been executed: the subroutine running at the start has
// returned to its caller. Outside any subroutine it runs as Run does.
//
// The depth is counted, not read off the stack pointer: the stack pointer
// comes back to the same value a few calls deeper (a recursive subroutine
// passing the JMS's return address again would stop there), and a call
// deeper than the stack holds overwrites the oldest return address. When
// that address was this JMS's, the matching BBL takes the machine somewhere
// else; Step Over stops right there, after the return, rather than run on in
// search of an address the program no longer returns to.

#include <cstdint>
#include <string>

#include "core/cpus.h"
#include "core/messages.h"
#include "core/run_loop.h"
#include "debug/breakpoints.h"
#include "debug/history.h"

enum class DebugGoal {
    Run,          // run on until a breakpoint or the machine's own rules end it
    StepOver,     // run until the JMS at pc has returned
    RunToCursor,  // run until pc reaches the target address
    StepOut,      // run until the subroutine running at the start has returned
};

// The MCS-4 system's optional stops; the compatible machine refuses such
// instructions with a message of its own.
struct DebugStops {
    bool undefinedOpcode = false;  // before an opcode the 4004 does not have
    bool stackOverflow = false;    // before a fourth nested JMS or a BBL with nothing pushed
};

struct DebugRunResult {
    RunStop stop = RunStop::Bound;
    int64_t executed = 0;  // instructions executed, all of them recorded
};

// The opcode the machine would fetch at pc.
template <typename Cpu>
int32_t OpcodeAtPc(const typename Cpu::State& state) {
    return Cpu::ByteAt(state, Cpu::Pc(state));
}

// Whether the instruction at pc is a JMS, the only one Step Over runs over.
template <typename Cpu>
bool AtCall(const typename Cpu::State& state) {
    return (OpcodeAtPc<Cpu>(state) & 0xF0) == 0x50;
}

// What the instruction at pc does to the call depth: +1 for JMS, -1 for BBL.
template <typename Cpu>
int32_t CallDepthChange(const typename Cpu::State& state) {
    const int32_t group = OpcodeAtPc<Cpu>(state) >> 4;
    return group == 0x5 ? 1 : group == 0xC ? -1 : 0;
}

// Whether one of the optional stops applies to the instruction at pc.
template <typename Cpu>
RunStop OptionalStop(const typename Cpu::State& state, const DebugStops& stops) {
    if constexpr (Cpu::kMcs4) {
        const int32_t opcode = OpcodeAtPc<Cpu>(state);
        if (stops.undefinedOpcode && IsUndefinedMcs4Opcode(opcode)) return RunStop::Undefined;
        if (stops.stackOverflow && (((opcode >> 4) == 0x5 && state.depth == 3) ||
                                    ((opcode >> 4) == 0xC && state.depth == 0))) {
            return RunStop::Overflow;
        }
    }
    return RunStop::None;
}

// The observer a debugger run puts around the caller's. The goal is a
// template parameter so that a plain Run pays only for the breakpoint test
// and the history's count.
template <typename Cpu, DebugGoal goal, typename Inner>
struct DebugObserver {
    using State = typename Cpu::State;
    const Breakpoints& breakpoints;
    HistoryOf<State>& history;
    Inner& inner;
    int32_t target = 0;       // RunToCursor: the address to reach
    DebugStops stops;         // the MCS-4 system's optional stops
    bool anyStop = false;     // whether any of them is asked for
    int32_t depth = 0;        // StepOver: JMS executed minus BBL executed
    int32_t depthChange = 0;  // StepOver: CallDepthChange of the instruction about to run
    // Instructions until the history's next snapshot: counted here rather
    // than in the history so that the count can live in a register. It is
    // counted down before each instruction but the first, for the one
    // before; RunDebug counts the last instruction of a run that ends
    // without asking.
    int32_t untilSnapshot = kSnapshotInterval;

    RunStop StopBefore(const State& state, int64_t executed) {
        if (executed > 0) [[likely]] {
            if (--untilSnapshot == 0) [[unlikely]] {
                TakeIntervalSnapshot(history, state);
                untilSnapshot = kSnapshotInterval;
                if (const RunStop stop = inner.AtCheckpoint(state); stop != RunStop::None) {
                    return stop;
                }
            }
            if constexpr (goal == DebugGoal::RunToCursor) {
                if (Cpu::Pc(state) == target) [[unlikely]]
                    return RunStop::Until;
            }
            if constexpr (goal == DebugGoal::StepOver) {
                if (depth <= 0) [[unlikely]]
                    return RunStop::Returned;
            }
            if constexpr (goal == DebugGoal::StepOut) {
                if (depth < 0) [[unlikely]]
                    return RunStop::Returned;
            }
            // After an instruction a run goes on only with pc below 0x1000.
            if (HasBreakpointInRange(breakpoints, Cpu::Pc(state))) [[unlikely]] {
                return RunStop::Breakpoint;
            }
            if (anyStop) [[unlikely]] {
                if (const RunStop stop = OptionalStop<Cpu>(state, stops); stop != RunStop::None) {
                    return stop;
                }
            }
        } else if (const RunStop stop = inner.AtCheckpoint(state); stop != RunStop::None) {
            return stop;
        }
        if (const RunStop stop = inner.StopBefore(state, executed); stop != RunStop::None) {
            return stop;
        }
        if constexpr (goal == DebugGoal::StepOver || goal == DebugGoal::StepOut)
            depthChange = CallDepthChange<Cpu>(state);
        return RunStop::None;
    }

    void AfterStep(const State& state) {
        if constexpr (goal == DebugGoal::StepOver || goal == DebugGoal::StepOut)
            depth += depthChange;
        inner.AfterStep(state);
    }
};

// Runs under the machine's rules (it sets `running` and leaves it for the
// caller) towards `goal`, recording every instruction. `target` is Run to
// Cursor's address and unused otherwise; `programLength` bounds the
// compatible machine only.
template <typename Cpu, DebugGoal goal, typename Inner>
DebugRunResult RunDebug(typename Cpu::State& state, Messages& messages, int32_t programLength,
                        const Breakpoints& breakpoints, HistoryOf<typename Cpu::State>& history,
                        Inner& inner, int32_t target = 0, const DebugStops& stops = {}) {
    BeginRecording(history, state);
    DebugObserver<Cpu, goal, Inner> observer{breakpoints, history, inner, target, stops};
    observer.anyStop = stops.undefinedOpcode || stops.stackOverflow;
    observer.untilSnapshot = kSnapshotInterval - history.sinceLast;
    DebugRunResult result;
    result.stop = Cpu::Run(state, messages, programLength, observer, result.executed);
    // A run that ended on the machine's own rules after an instruction was
    // not asked before the next: that instruction is counted here.
    if (result.executed > 0 && (result.stop == RunStop::Bound || result.stop == RunStop::Error) &&
        --observer.untilSnapshot == 0) {
        TakeIntervalSnapshot(history, state);
        observer.untilSnapshot = kSnapshotInterval;
    }
    history.sinceLast = kSnapshotInterval - observer.untilSnapshot;
    return result;
}

// A single instruction, as Step executes it (no bound, `running` untouched
// unless the compatible machine refuses the instruction), recorded in the
// history.
template <typename Cpu>
void StepRecorded(typename Cpu::State& state, Messages& messages,
                  HistoryOf<typename Cpu::State>& history) {
    BeginRecording(history, state);
    Cpu::Step(state, messages);
    RecordStep(history, state);
}

// Step Back on any machine: re-executes as the machine does, without
// telling the user anything again.
template <typename Cpu>
bool StepBackOn(HistoryOf<typename Cpu::State>& history, typename Cpu::State& state) {
    if constexpr (Cpu::kMcs4) {
        return StepBack(history, state, [](Mcs4State& machine) { StepMcs4<Cpu::kBoard>(machine); });
    } else {
        return StepBack(history, state);
    }
}

// Step Back by command (StepBackCommand, debug/history.h) on any machine.
template <typename Cpu>
bool StepBackCommandOn(HistoryOf<typename Cpu::State>& history, typename Cpu::State& state) {
    if constexpr (Cpu::kMcs4) {
        return StepBackCommand(history, state,
                               [](Mcs4State& machine) { StepMcs4<Cpu::kBoard>(machine); });
    } else {
        return StepBackCommand(history, state, [](MachineState& machine) {
            struct : Messages {
                void Show(const std::string& /*title*/, const std::string& /*text*/) override {}
            } discarded;
            StepInstruction(machine, discarded);
        });
    }
}
