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
// RunQuodlet's exit code when the main window cannot be opened.
constexpr int kNoWindow = 1;

// The working directory, ending in a separator; empty (the dialog's own
// choice) when it cannot be determined.
std::string WorkingFolder() {
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (error || folder.empty()) return std::string();
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

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

    bool AtCheckpoint(const MachineState& state) {
        if (state.ramOutputPorts[1] != lampsPort) {
            lampsPort = state.ramOutputPorts[1];
            UpdateLeds(state, layer);
        }
        if (layer.TakeEvent().kind == EventKind::Terminate) return true;
        return layer.IsKeyDown(KeyCode::kEscape);
    }
    bool StopBefore(const MachineState& /*state*/, int64_t /*executed*/) { return false; }
    void AfterStep(const MachineState& /*state*/) {}
};

// The loop of a Run in the window, with everything it calls per instruction
// (the instruction step and the debugger's checks) inlined into it: a Run
// keeps the bare core's pace only so, and the compiler would not inline the
// step into all three of these loops on its own. The observer is a local of
// the loop, so that what it keeps can live in registers.
template <DebugGoal goal>
[[gnu::flatten]] void RunLoop(Debugger& debugger, WindowLayer& layer, int32_t target) {
    WindowRun observer{layer, debugger.state.ramOutputPorts[1]};
    RunDebug<goal>(debugger.state, layer, debugger.programLength, debugger.breakpoints,
                   debugger.history, observer, target);
}

// Run, Step Over and Run to Cursor in the window: the busy cursor while the
// thread is taken, the lamps kept current, every instruction recorded, the
// breakpoints tested, and the whole window refreshed at the end.
template <DebugGoal goal>
void RunInWindow(Debugger& debugger, WindowLayer& layer, int32_t target = 0) {
    MachineState& state = debugger.state;
    // The lamps show RAM output port 1 and nothing else, and nothing but
    // the instructions changes it during a Run: after bringing them up to
    // date once, the Run redraws them only when it finds the port changed.
    UpdateLeds(state, layer);
    layer.SetBusy(true);
    RunLoop<goal>(debugger, layer, target);
    state.running = 0;
    layer.SetBusy(false);
    RefreshAndFollowPc(debugger, layer);
}

// The command of a menu item; false for Quit.
bool MenuCommand(Debugger& debugger, WindowLayer& layer, int32_t item) {
    switch (item) {
        case MenuItem::kOpen: LoadProgramFile(debugger, layer); break;
        case MenuItem::kReload: ReloadProgramFile(debugger, layer); break;
        case MenuItem::kQuit: return false;
        case MenuItem::kResetCpu: ResetCpuCommand(debugger, layer); break;
        case MenuItem::kZeroRom: ZeroRomCommand(debugger, layer); break;
        case MenuItem::kStep: StepCommand(debugger, layer); break;
        case MenuItem::kRun: RunProgram(debugger, layer); break;
        case MenuItem::kAnimate: AnimateCommand(debugger, layer); break;
        case MenuItem::kExampleSum: LoadExample(debugger, layer, ExampleSum); break;
        case MenuItem::kExampleSquare: LoadExample(debugger, layer, ExampleSquare); break;
        case MenuItem::kStepOver: StepOverCommand(debugger, layer); break;
        case MenuItem::kRunToCursor: RunToCursorCommand(debugger, layer); break;
        case MenuItem::kToggleBreakpoint: ToggleBreakpointCommand(debugger, layer); break;
        case MenuItem::kClearBreakpoints: ClearBreakpointsCommand(debugger, layer); break;
        case MenuItem::kStepBack: StepBackCommand(debugger, layer); break;
        case MenuItem::kKeyboardShortcuts:
            layer.Show("Keyboard Shortcuts", KeyboardShortcutsText());
            break;
        case MenuItem::kAbout:
            layer.Show("About Quodlet", AboutText(debugger.toolkitVersion));
            break;
        default: break;
    }
    return true;
}

}  // namespace

int RunQuodlet(Debugger& debugger, WindowLayer& layer, const std::string& programFile) {
    if (!StartMainWindow(debugger, layer)) return kNoWindow;
    if (!programFile.empty()) LoadProgramPath(debugger, layer, programFile);
    for (;;) {
        const Event event = layer.WaitEvent();
        if (!HandleEvent(debugger, layer, event)) break;
    }
    // An animation in progress is simply abandoned.
    layer.FreeImage(Image::kLampOff);
    layer.FreeImage(Image::kLampOn);
    layer.Release();
    return 0;
}

bool StartMainWindow(Debugger& debugger, WindowLayer& layer) {
    if (!layer.OpenWindow(kMainWindow, kWindowWidth, kWindowHeight, kWindowTitle)) {
        layer.Release();
        return false;
    }
    BuildMainWindow(layer);
    StartUp(debugger, layer);
    return true;
}

void StartUp(Debugger& debugger, WindowLayer& layer) {
    debugger.loadFolder = WorkingFolder();
    debugger.programLength = kProgramLengthBeforeLoading;
    FillOpcodeTables(debugger.tables);
    // A reset machine, shown, with the listing from address 0.
    ResetCpuCommand(debugger, layer);
}

bool HandleEvent(Debugger& debugger, WindowLayer& layer, const Event& event) {
    switch (event.kind) {
        case EventKind::Close:
        case EventKind::Terminate: return false;
        case EventKind::Menu: return MenuCommand(debugger, layer, event.number);
        case EventKind::Control:
            if (event.number == Control::kCodeListing &&
                event.type == ControlEventType::DoubleClick) {
                ToggleBreakpointCommand(debugger, layer);
            } else {
                ApplyFieldEdit(debugger, layer, event);
            }
            break;
        case EventKind::Timer:
            if (event.number == kAnimationTimer) AnimationTick(debugger, layer);
            break;
        case EventKind::None: break;
    }
    return true;
}

void StepCommand(Debugger& debugger, WindowLayer& layer) {
    // Also during an animation, and with no bound on pc.
    StepRecorded(debugger.state, layer, debugger.history);
    RefreshAndFollowPc(debugger, layer);
}

void AnimateCommand(Debugger& debugger, WindowLayer& layer) {
    // The first instruction comes with the first tick; animating again only
    // restarts the period.
    debugger.state.running = 1;
    debugger.animationSteps = 0;
    layer.AddTimer(kMainWindow, kAnimationTimer, kAnimationPeriodMs);
}

void RunProgram(Debugger& debugger, WindowLayer& layer) {
    if (debugger.state.running != 0) return;  // an animation is in progress
    RunInWindow<DebugGoal::Run>(debugger, layer);
}

void StepOverCommand(Debugger& debugger, WindowLayer& layer) {
    if (!AtCall(debugger.state)) {
        StepCommand(debugger, layer);
        return;
    }
    if (debugger.state.running != 0) return;  // as Run: not during an animation
    RunInWindow<DebugGoal::StepOver>(debugger, layer);
}

void RunToCursorCommand(Debugger& debugger, WindowLayer& layer) {
    if (debugger.state.running != 0) return;
    int32_t target = 0;
    if (!SelectedListingAddress(layer, target)) return;
    RunInWindow<DebugGoal::RunToCursor>(debugger, layer, target);
}

void StepBackCommand(Debugger& debugger, WindowLayer& layer) {
    // running stays as it is: an animation goes on from the earlier state.
    if (StepBack(debugger.history, debugger.state)) RefreshAndFollowPc(debugger, layer);
}

void AnimationTick(Debugger& debugger, WindowLayer& layer) {
    MachineState& state = debugger.state;
    if (state.running != 0) {
        // A breakpoint ends the animation before its instruction, but not
        // at the animation's first: animating from a breakpoint moves on.
        if (debugger.animationSteps > 0 && HasBreakpoint(debugger.breakpoints, state.pc)) {
            state.running = 0;
        } else {
            StepRecorded(state, layer, debugger.history);
            ++debugger.animationSteps;
            RefreshAndFollowPc(debugger, layer);
        }
    }
    if (layer.IsKeyDown(KeyCode::kEscape)) state.running = 0;
    // Tested after the instruction: an animation stops as soon as pc reaches
    // programLength, one instruction earlier than a Run.
    if (state.pc >= kLastAddress || state.pc >= debugger.programLength) state.running = 0;
    if (state.running == 0) layer.RemoveTimer(kMainWindow, kAnimationTimer);
}

void ResetCpuCommand(Debugger& debugger, WindowLayer& layer) {
    // running is left alone: an animation goes on from address 0.
    HistoryBarrier(debugger.history);
    ResetCpu(debugger.state);
    RefreshDisplay(debugger.state, layer);
    RebuildListingFromZero(debugger, layer);
}

void ApplyFieldEdit(Debugger& debugger, WindowLayer& layer, const Event& event) {
    MachineState& state = debugger.state;
    const int32_t control = event.number;
    // Each edit the machine takes is a point Step Back cannot go back across.
    if (control == Control::kCarry) {
        HistoryBarrier(debugger.history);
        state.carry = layer.GetCheck(Control::kCarry);
        return;
    }
    if (control < Control::kFirstRegister || control > Control::kProgramCounter) return;
    if (event.type != ControlEventType::Change) return;
    // Stored unmasked; a text that is no number is ignored without a word.
    int32_t value = 0;
    if (!ParseFieldValue(layer.GetText(control), value)) return;
    HistoryBarrier(debugger.history);
    if (control == Control::kAccumulator) {
        state.accumulator = value;
    } else if (control == Control::kProgramCounter) {
        state.pc = value;
        RebuildListingFromZeroFollowingPc(debugger, layer);
    } else {
        state.indexRegisters[static_cast<size_t>(control - Control::kFirstRegister)] = value;
    }
}
