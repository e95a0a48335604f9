#include "frontend/run_control.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

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
#include "frontend/controls.h"
#include "frontend/listing.h"
#include "frontend/loading.h"
#include "frontend/main_window.h"

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
struct WindowRun {
    WindowLayer& layer;
    int32_t lampsPort;  // RAM output port 1 as the lamps show it

    RunStop AtCheckpoint(const MachineState& state) {
        if (state.ramOutputPorts[1] != lampsPort) {
            lampsPort = state.ramOutputPorts[1];
            UpdateLeds(state, layer);
        }
        // The session asked the program to end: the Run ends, and the loop
        // then sees Terminate again and shuts down.
        if (layer.TakeEvent().kind == EventKind::Terminate) return RunStop::Interrupted;
        return layer.IsKeyDown(KeyCode::kEscape) ? RunStop::Escape : RunStop::None;
    }
    RunStop StopBefore(const MachineState& /*state*/, int64_t /*executed*/) {
        return RunStop::None;
    }
    void AfterStep(const MachineState& /*state*/) {}
};

// The loop of a Run in the window, with everything it calls per instruction
// (the instruction step and the debugger's checks) inlined into it: a Run
// keeps the bare core's pace only so, and the compiler would not inline the
// step into all three of these loops on its own. The observer is a local of
// the loop, so that what it keeps can live in registers.
template <DebugGoal goal>
[[gnu::flatten]] void RunLoop(Workbench& workbench, WindowLayer& layer, int32_t target) {
    WindowRun observer{layer, workbench.state.ramOutputPorts[1]};
    RunDebug<CompatibleCpu, goal>(workbench.state, layer, workbench.programLength,
                                  workbench.breakpoints, workbench.history, observer, target);
}

// Run, Step Over and Run to Cursor in the window: the busy cursor while the
// thread is taken, the lamps kept current, every instruction recorded, the
// breakpoints tested, and the whole window refreshed at the end.
template <DebugGoal goal>
void RunInWindow(Workbench& workbench, WindowLayer& layer, int32_t target = 0) {
    MachineState& state = workbench.state;
    // The lamps show RAM output port 1 and nothing else, and nothing but
    // the instructions changes it during a Run: after bringing them up to
    // date once, the Run redraws them only when it finds the port changed.
    UpdateLeds(state, layer);
    layer.SetBusy(true);
    RunLoop<goal>(workbench, layer, target);
    state.running = 0;
    layer.SetBusy(false);
    RefreshAndFollowPc(workbench, layer);
}

}  // namespace

void StepCommand(Workbench& workbench, WindowLayer& layer) {
    // Also during an animation, and with no bound on pc.
    StepRecorded<CompatibleCpu>(workbench.state, layer, workbench.history);
    RefreshAndFollowPc(workbench, layer);
}

void AnimateCommand(Workbench& workbench, WindowLayer& layer) {
    // The first instruction comes with the first tick; animating again only
    // restarts the period.
    workbench.state.running = 1;
    workbench.animationSteps = 0;
    layer.AddTimer(kMainWindow, kAnimationTimer, kAnimationPeriodMs);
}

void RunProgram(Workbench& workbench, WindowLayer& layer) {
    if (workbench.state.running != 0) return;  // an animation is in progress
    RunInWindow<DebugGoal::Run>(workbench, layer);
}

void StepOverCommand(Workbench& workbench, WindowLayer& layer) {
    if (!AtCall<CompatibleCpu>(workbench.state)) {
        StepCommand(workbench, layer);
        return;
    }
    if (workbench.state.running != 0) return;  // as Run: not during an animation
    RunInWindow<DebugGoal::StepOver>(workbench, layer);
}

void RunToCursorCommand(Workbench& workbench, WindowLayer& layer) {
    if (workbench.state.running != 0) return;
    int32_t target = 0;
    if (!SelectedListingAddress(layer, target)) return;
    RunInWindow<DebugGoal::RunToCursor>(workbench, layer, target);
}

void StepBackCommand(Workbench& workbench, WindowLayer& layer) {
    // running stays as it is: an animation goes on from the earlier state.
    if (StepBack(workbench.history, workbench.state)) RefreshAndFollowPc(workbench, layer);
}

void AnimationTick(Workbench& workbench, WindowLayer& layer) {
    MachineState& state = workbench.state;
    if (state.running != 0) {
        // A breakpoint ends the animation before its instruction, but not
        // at the animation's first: animating from a breakpoint moves on.
        if (workbench.animationSteps > 0 && HasBreakpoint(workbench.breakpoints, state.pc)) {
            state.running = 0;
        } else {
            StepRecorded<CompatibleCpu>(state, layer, workbench.history);
            ++workbench.animationSteps;
            RefreshAndFollowPc(workbench, layer);
        }
    }
    if (layer.IsKeyDown(KeyCode::kEscape)) state.running = 0;
    // Tested after the instruction: an animation stops as soon as pc reaches
    // programLength, one instruction earlier than a Run.
    if (state.pc >= kLastAddress || state.pc >= workbench.programLength) state.running = 0;
    if (state.running == 0) layer.RemoveTimer(kMainWindow, kAnimationTimer);
}

void ResetCpuCommand(Workbench& workbench, WindowLayer& layer) {
    // running is left alone: an animation goes on from address 0.
    ResetCpu(ChangeMachine(workbench));
    RefreshDisplay(workbench.state, layer);
    RebuildListingFromZero(workbench, layer);
}

void ApplyFieldEdit(Workbench& workbench, WindowLayer& layer, const Event& event) {
    const int32_t control = event.number;
    if (control == Control::kCarry) {
        ChangeMachine(workbench).carry = layer.GetCheck(Control::kCarry);
        return;
    }
    if (control < Control::kFirstRegister || control > Control::kProgramCounter) return;
    if (event.type != ControlEventType::Change) return;
    // Stored unmasked; a text that is no number is ignored without a word.
    int32_t value = 0;
    if (!ParseFieldValue(layer.GetText(control), value)) return;
    MachineState& state = ChangeMachine(workbench);
    if (control == Control::kAccumulator) {
        state.accumulator = value;
    } else if (control == Control::kProgramCounter) {
        state.pc = value;
        RebuildListingFromZeroFollowingPc(workbench, layer);
    } else {
        state.indexRegisters[static_cast<size_t>(control - Control::kFirstRegister)] = value;
    }
}
