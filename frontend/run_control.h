#pragma once
// The ways of executing the program: Step (one
// instruction, full refresh), Animate (one instruction per tick of a 250 ms
// timer, full refresh each), Run and the two commands built on it, Step Over
// and Run to Cursor (back to back, the lamps kept current, full refresh at
// the end), and Step Back. Every instruction executed is recorded
// for Step Back; Run, Animate, Step Over and Run to Cursor stop before an
// instruction at a breakpoint, after at least one instruction. While a Run
// has the thread it takes one pending event, and looks at Escape, before its
// first instruction and then at every snapshot of the history (every
// kSnapshotInterval instructions, debug/history.h): often enough that the
// window stays painted and Escape is seen within milliseconds, and seldom
// enough that it costs nothing per instruction.

#include <string>

#include "frontend/workbench.h"
#include "platform/window_layer.h"

void StepCommand(Workbench& workbench, WindowLayer& layer);
void AnimateCommand(Workbench& workbench, WindowLayer& layer);
void RunProgram(Workbench& workbench, WindowLayer& layer);
void AnimationTick(Workbench& workbench, WindowLayer& layer);
void ResetCpuCommand(Workbench& workbench, WindowLayer& layer);
// At a JMS: runs, as Run does, until the subroutine has returned; at any
// other instruction a Step.
void StepOverCommand(Workbench& workbench, WindowLayer& layer);
// Runs, as Run does, until the subroutine running now has returned to its
// caller (one BBL more than JMS executed); outside a subroutine, as Run.
void StepOutCommand(Workbench& workbench, WindowLayer& layer);
// Runs, as Run does, until pc reaches `address`: Run to Cursor's run.
void RunToAddress(Workbench& workbench, WindowLayer& layer, int32_t address);
// Runs, as Run does, until pc reaches the selected listing line's address.
void RunToCursorCommand(Workbench& workbench, WindowLayer& layer);
// Puts the machine back as it was before the last command that executed
// instructions: one instruction after a Step or an animation's tick, the
// whole command after Run, Step Over, Step Out or Run to Cursor.
void StepBackCommand(Workbench& workbench, WindowLayer& layer);
void ApplyFieldEdit(Workbench& workbench, WindowLayer& layer, const Event& event);

// Makes `machine` the one the window shows and runs: it starts reset, with
// the program and the breakpoints kept; an animation ends. The title says
// which machine runs when it is not the compatible one.
void SelectMachine(Workbench& workbench, WindowLayer& layer, MachineKind machine);
// "Quodlet v0.9", and " - " with the machine's name after it for any other.
std::string WindowTitle(MachineKind machine);
