#include "frontend/run_control.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <type_traits>

#include "core/hex.h"
#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/run_loop.h"
#include "data/examples.h"
#include "debug/debug_run.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"
#include "display/state_display.h"
#include "frontend/breakpoint_marks.h"
#include "frontend/busicom_window.h"
#include "frontend/controls.h"
#include "frontend/listing.h"
#include "frontend/loading.h"
#include "frontend/main_window.h"
#include "frontend/mcs4_window.h"
#include "frontend/source_window.h"

namespace {

// The largest value a field accepts: four hexadecimal digits.
constexpr int32_t kLargestFieldValue = 0xFFFF;
// The value of a field's text, or false when the text is empty, holds a
// character that is no hexadecimal digit, or exceeds four digits' worth.
// The field limits keep what the user types to four digits, but the text
// the program wrote into a field (pc past 0xFFFF) can be longer.
bool ParseFieldValue(const std::string& text, int32_t& value) {
    uint32_t parsed = 0;
    if (!ParseHex(text, kLargestFieldValue, parsed)) return false;
    value = static_cast<int32_t>(parsed);
    return true;
}

// What a Run in the window does at its checkpoints (before the first
// instruction, then at every snapshot of the history, every
// kSnapshotInterval instructions): bring the lamps up to date, take one
// pending event, which keeps the window painted but is not acted on unless
// it is Terminate, which ends the Run (the loop then meets it again and
// shuts down), and stop if Escape is held. Between checkpoints it does
// nothing.
//
// The window shows nothing of a Run but what it paints while it processes
// events, which it does only within an event take. So lamps brought up to
// date just before each take are what every paint shows, and Escape asked
// for just after each take is what asking before every instruction would
// see: what the window knows of the keyboard changes only then too.
// RAM output port 1 on the compatible machine, bank 0 chip 1's on the MCS-4
// system: the port the lamps show.
int32_t LampPort(const MachineState& state) {
    return state.ramOutputPorts[1];
}
int32_t LampPort(const Mcs4State& state) {
    return state.ramPorts[1];
}

//
// On the MCS-4 machines a Run also keeps real time when asked to, and on
// the calculator's board the events it takes are the calculator window's
// to act on: its keys work while the machine runs.
template <typename State>
struct WindowRun {
    Workbench& workbench;
    WindowLayer& layer;
    int32_t lampsPort;  // the lamps' port as the lamps show it
    // Real time: the wall clock and the cycle count when the Run began.
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    int64_t startCycles = 0;
    uint64_t calculatorShown = 0;  // what the calculator window shows, in brief

    RunStop AtCheckpoint(const State& state) {
        if (LampPort(state) != lampsPort) {
            lampsPort = LampPort(state);
            UpdateLeds(state, layer);
        }
        if constexpr (std::is_same_v<State, Mcs4State>) {
            if (workbench.machine == MachineKind::Busicom) RefreshCalculator(state);
            if (const RunStop stop = Take(layer.TakeEvent()); stop != RunStop::None) return stop;
            if (layer.IsKeyDown(KeyCode::kEscape)) return RunStop::Escape;
            return workbench.speed > 0 ? KeepRealTime(state) : RunStop::None;
        } else {
            // The session asked the program to end: the Run ends, and the
            // loop then sees Terminate again and shuts down.
            if (layer.TakeEvent().kind == EventKind::Terminate) return RunStop::Interrupted;
            return layer.IsKeyDown(KeyCode::kEscape) ? RunStop::Escape : RunStop::None;
        }
    }

    // An event taken during a Run: Terminate ends it; the calculator's
    // keys and switches are pressed, starting the history afresh from
    // there; anything else is let go.
    RunStop Take(const Event& event) {
        if (event.kind == EventKind::Terminate) return RunStop::Interrupted;
        if (workbench.machine == MachineKind::Busicom &&
            BusicomWindowEvent(workbench, layer, event)) {
            BeginRecording(workbench.mcs4History, workbench.mcs4);
        }
        return RunStop::None;
    }

    // Waits, taking events, until the wall clock has caught up with the
    // cycles executed; the pace timer wakes the wait. Reckoned from the
    // Run's start, so waits that end late never add up.
    RunStop KeepRealTime(const Mcs4State& state) {
        const auto due = start + std::chrono::nanoseconds(static_cast<int64_t>(
                                     static_cast<double>(state.cycles - startCycles) *
                                     kMcs4CycleNanoseconds / workbench.speed));
        while (std::chrono::steady_clock::now() < due) {
            if (const RunStop stop = Take(layer.WaitEvent()); stop != RunStop::None) return stop;
            if (layer.IsKeyDown(KeyCode::kEscape)) return RunStop::Escape;
        }
        return RunStop::None;
    }

    // The calculator window written anew only when what it shows changed:
    // the lines fed, the lamps, the keys held.
    void RefreshCalculator(const Mcs4State& state) {
        uint64_t shown = static_cast<uint64_t>(state.linesPrinted) << 8 ^ state.ramPorts[1];
        for (const uint8_t rows : state.keysDown) shown = shown * 31 + rows;
        if (shown == calculatorShown) return;
        calculatorShown = shown;
        RefreshBusicomWindow(workbench, layer);
    }
    RunStop StopBefore(const State& /*state*/, int64_t /*executed*/) { return RunStop::None; }
    void AfterStep(const State& /*state*/) {}
};

// The loop of a Run in the window, with everything it calls per instruction
// (the instruction step and the debugger's checks) inlined into it: a Run
// keeps the bare core's pace only so, and the compiler would not inline the
// step into all these loops on its own. The observer is a local of the
// loop, so that what it keeps can live in registers.
template <typename Cpu, DebugGoal goal>
[[gnu::flatten]] RunStop RunLoop(Workbench& workbench, WindowLayer& layer, Messages& messages,
                                 int32_t target) {
    typename Cpu::State& state = StateOf<Cpu>(workbench);
    WindowRun<typename Cpu::State> observer{workbench, layer, LampPort(state)};
    if constexpr (Cpu::kMcs4) observer.startCycles = state.cycles;
    return RunDebug<Cpu, goal>(state, messages, workbench.programLength, workbench.breakpoints,
                               HistoryFor<Cpu>(workbench), observer, target, workbench.stops)
        .stop;
}

// The window's messages, the last one kept for the Source window's status
// with the address of the instruction refused (pc has moved past its
// opcode when the machine says so).
struct KeptMessages : Messages {
    Messages& shown;
    const Workbench& workbench;
    std::string last;
    int32_t at = 0;
    KeptMessages(Messages& messages, const Workbench& bench) : shown(messages), workbench(bench) {}
    void Show(const std::string& title, const std::string& text) override {
        last = text;
        at = CurrentPc(workbench) - 1;
        shown.Show(title, text);
    }
};

// Run, Step Over and Run to Cursor in the window: the busy cursor while the
// thread is taken, the lamps kept current, every instruction recorded, the
// breakpoints tested, and the whole window refreshed at the end.
template <DebugGoal goal>
void RunInWindow(Workbench& workbench, WindowLayer& layer, int32_t target = 0) {
    WithCpu(workbench.machine, [&](auto cpu) {
        using Cpu = decltype(cpu);
        // The lamps show one port and nothing else, and nothing but the
        // instructions changes it during a Run: after bringing them up to
        // date once, the Run redraws them only when it finds the port
        // changed.
        UpdateLeds(StateOf<Cpu>(workbench), layer);
        MarkCommandStart(HistoryFor<Cpu>(workbench));
        // A Run that keeps real time leaves the thread to the window
        // between its waits: no busy cursor, and a timer to wake it.
        const bool realTime = Cpu::kMcs4 && workbench.speed > 0;
        if (realTime) {
            layer.AddTimer(kMainWindow, kPaceTimer, kPacePeriodMs);
        } else {
            layer.SetBusy(true);
        }
        KeptMessages messages(layer, workbench);
        const RunStop stop = RunLoop<Cpu, goal>(workbench, layer, messages, target);
        StateOf<Cpu>(workbench).running = 0;
        if (realTime) {
            layer.RemoveTimer(kMainWindow, kPaceTimer);
        } else {
            layer.SetBusy(false);
        }
        SetSourceStatus(workbench, layer, StopReason(workbench, stop, messages.last, messages.at));
    });
    RefreshAndFollowPc(workbench, layer);
}

// The value typed into an MCS-4 register field, or false when it does not
// fit: the chip's registers hold exactly their own width.
bool FitsMcs4Field(int32_t control, int32_t value) {
    return value <= (control == Control::kProgramCounter ? kLastAddress : 0xF);
}

}  // namespace

void StepCommand(Workbench& workbench, WindowLayer& layer) {
    // Also during an animation, and with no bound on pc.
    WithCpu(workbench.machine, [&](auto cpu) {
        using Cpu = decltype(cpu);
        MarkCommandStart(HistoryFor<Cpu>(workbench));
        StepRecorded<Cpu>(StateOf<Cpu>(workbench), layer, HistoryFor<Cpu>(workbench));
    });
    RefreshAndFollowPc(workbench, layer);
}

void AnimateCommand(Workbench& workbench, WindowLayer& layer) {
    // The first instruction comes with the first tick; animating again only
    // restarts the period.
    Running(workbench) = 1;
    workbench.animationSteps = 0;
    layer.AddTimer(kMainWindow, kAnimationTimer, kAnimationPeriodMs);
}

void RunProgram(Workbench& workbench, WindowLayer& layer) {
    if (Running(workbench) != 0) return;  // an animation is in progress
    RunInWindow<DebugGoal::Run>(workbench, layer);
}

void StepOverCommand(Workbench& workbench, WindowLayer& layer) {
    const bool atCall = WithCpu(workbench.machine, [&](auto cpu) {
        return AtCall<decltype(cpu)>(StateOf<decltype(cpu)>(workbench));
    });
    if (!atCall) {
        StepCommand(workbench, layer);
        return;
    }
    if (Running(workbench) != 0) return;  // as Run: not during an animation
    RunInWindow<DebugGoal::StepOver>(workbench, layer);
}

void RunToCursorCommand(Workbench& workbench, WindowLayer& layer) {
    if (Running(workbench) != 0) return;
    int32_t target = 0;
    if (!SelectedListingAddress(layer, target)) return;
    RunInWindow<DebugGoal::RunToCursor>(workbench, layer, target);
}

void RunToAddress(Workbench& workbench, WindowLayer& layer, int32_t address) {
    if (Running(workbench) != 0) return;
    RunInWindow<DebugGoal::RunToCursor>(workbench, layer, address);
}

void StepOutCommand(Workbench& workbench, WindowLayer& layer) {
    if (Running(workbench) != 0) return;  // as Run: not during an animation
    RunInWindow<DebugGoal::StepOut>(workbench, layer);
}

void StepBackCommand(Workbench& workbench, WindowLayer& layer) {
    // running stays as it is: an animation goes on from the earlier state.
    const bool back = WithCpu(workbench.machine, [&](auto cpu) {
        using Cpu = decltype(cpu);
        return StepBackCommandOn<Cpu>(HistoryFor<Cpu>(workbench), StateOf<Cpu>(workbench));
    });
    if (back) RefreshAndFollowPc(workbench, layer);
}

void AnimationTick(Workbench& workbench, WindowLayer& layer) {
    int32_t& running = Running(workbench);
    if (running != 0) {
        // A breakpoint, or one of the optional stops, ends the animation
        // before its instruction, but not at the animation's first:
        // animating from a breakpoint moves on.
        const bool stop = WithCpu(workbench.machine, [&](auto cpu) {
            using Cpu = decltype(cpu);
            const auto& state = StateOf<Cpu>(workbench);
            return workbench.animationSteps > 0 &&
                   (HasBreakpoint(workbench.breakpoints, Cpu::Pc(state)) ||
                    OptionalStop<Cpu>(state, workbench.stops) != RunStop::None);
        });
        if (stop) {
            running = 0;
        } else {
            StepCommand(workbench, layer);
            ++workbench.animationSteps;
        }
    }
    if (layer.IsKeyDown(KeyCode::kEscape)) running = 0;
    // Tested after the instruction: an animation of the compatible machine
    // stops as soon as pc reaches programLength, one instruction earlier
    // than a Run. The MCS-4 system's programs have no end.
    const int32_t pc = CurrentPc(workbench);
    if (!Mcs4Chosen(workbench) && (pc >= kLastAddress || pc >= workbench.programLength)) {
        running = 0;
    }
    if (running == 0) layer.RemoveTimer(kMainWindow, kAnimationTimer);
}

void ResetCpuCommand(Workbench& workbench, WindowLayer& layer) {
    // running is left alone: an animation goes on from address 0.
    if (Mcs4Chosen(workbench)) {
        ResetMcs4(ChangeMcs4(workbench), BoardOf(workbench.machine));
    } else {
        ResetCpu(ChangeMachine(workbench));
    }
    RefreshMachine(workbench, layer);
    RebuildListingFromZero(workbench, layer);
}

void ApplyFieldEdit(Workbench& workbench, WindowLayer& layer, const Event& event) {
    const int32_t control = event.number;
    const bool mcs4 = Mcs4Chosen(workbench);
    if (control == Control::kCarry) {
        const int32_t carry = layer.GetCheck(Control::kCarry);
        if (mcs4) {
            ChangeMcs4(workbench).cy = carry;
        } else {
            ChangeMachine(workbench).carry = carry;
        }
        return;
    }
    if (control < Control::kFirstRegister || control > Control::kProgramCounter) return;
    if (event.type != ControlEventType::Change) return;
    // The compatible machine stores what is typed unmasked; the MCS-4
    // system takes only what fits. A text that is no number, or does not
    // fit, is ignored without a word.
    int32_t value = 0;
    if (!ParseFieldValue(layer.GetText(control), value)) return;
    if (mcs4 && !FitsMcs4Field(control, value)) return;
    if (mcs4) {
        Mcs4State& state = ChangeMcs4(workbench);
        if (control == Control::kAccumulator) {
            state.acc = value;
        } else if (control == Control::kProgramCounter) {
            state.stack[static_cast<size_t>(state.sp)] = value;
        } else {
            state.regs[static_cast<size_t>(control - Control::kFirstRegister)] = value;
        }
    } else {
        MachineState& state = ChangeMachine(workbench);
        if (control == Control::kAccumulator) {
            state.accumulator = value;
        } else if (control == Control::kProgramCounter) {
            state.pc = value;
        } else {
            state.indexRegisters[static_cast<size_t>(control - Control::kFirstRegister)] = value;
        }
    }
    if (control == Control::kProgramCounter) RebuildListingFromZeroFollowingPc(workbench, layer);
}

void SelectMachine(Workbench& workbench, WindowLayer& layer, MachineKind machine) {
    if (machine != workbench.machine) {
        // An animation of the other machine ends; the new one starts reset,
        // with the program and the breakpoints as they are.
        if (Running(workbench) != 0) {
            Running(workbench) = 0;
            layer.RemoveTimer(kMainWindow, kAnimationTimer);
        }
        workbench.machine = machine;
        if (Mcs4Chosen(workbench)) SyncMcs4Rom(workbench);
        if (!Mcs4Chosen(workbench)) HideMcs4Window(workbench, layer);
        if (machine != MachineKind::Busicom) HideBusicomWindow(workbench, layer);
        ResetCpuCommand(workbench, layer);
        if (machine == MachineKind::Busicom) ShowBusicomWindow(workbench, layer);
    }
    layer.SetWindowTitle(kMainWindow, WindowTitle(machine));
}

std::string WindowTitle(MachineKind machine) {
    std::string title = kWindowTitle;
    if (machine != MachineKind::Compatible) title += " - " + std::string(InfoOf(machine).title);
    return title;
}
