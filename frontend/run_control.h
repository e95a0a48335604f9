#pragma once
// Start-up, the event loop and the ways of executing the program: Step (one
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

#include "frontend/debugger.h"
#include "platform/window_layer.h"

// The whole program on an initialised window layer: opens and builds the
// window, starts up, runs the event loop until Close or Quit and shuts
// down. Returns the process exit code.
// A `programFile` is opened at start-up as File > Open would.
int RunQuodlet(Debugger& debugger, WindowLayer& layer, const std::string& programFile = {});

// Opens the main window, builds it and starts up; false, with the layer
// released, when the window cannot be opened.
bool StartMainWindow(Debugger& debugger, WindowLayer& layer);

// Start-up after the window is built: loadFolder, programLength, the tables,
// reset, the first refresh and the listing from address 0.
void StartUp(Debugger& debugger, WindowLayer& layer);

// Handles one event of the loop; false when the loop is to end.
bool HandleEvent(Debugger& debugger, WindowLayer& layer, const Event& event);

void StepCommand(Debugger& debugger, WindowLayer& layer);
void AnimateCommand(Debugger& debugger, WindowLayer& layer);
void RunProgram(Debugger& debugger, WindowLayer& layer);
void AnimationTick(Debugger& debugger, WindowLayer& layer);
void ResetCpuCommand(Debugger& debugger, WindowLayer& layer);
// At a JMS: runs, as Run does, until the subroutine has returned; at any
// other instruction a Step.
void StepOverCommand(Debugger& debugger, WindowLayer& layer);
// Runs, as Run does, until pc reaches the selected listing line's address.
void RunToCursorCommand(Debugger& debugger, WindowLayer& layer);
// Puts the machine back as it was before the last instruction executed.
void StepBackCommand(Debugger& debugger, WindowLayer& layer);
void ApplyFieldEdit(Debugger& debugger, WindowLayer& layer, const Event& event);
