#pragma once
// The program in its window: start-up, the event loop and the router that
// hands each event to its command (frontend/commands.h), edit
// (frontend/run_control.h) or timer tick.

#include <string>

#include "frontend/workbench.h"
#include "platform/window_layer.h"

// The whole program on an initialised window layer: opens and builds the
// window, starts up, runs the event loop until Close or Quit and shuts
// down. Returns the process exit code.
// A `programFile` is opened at start-up as File > Open would, on the
// machine the workbench has chosen.
int RunQuodlet(Workbench& workbench, WindowLayer& layer, const std::string& programFile = {});

// Opens the main window, builds it and starts up; false, with the layer
// released, when the window cannot be opened.
bool StartMainWindow(Workbench& workbench, WindowLayer& layer);

// Start-up after the window is built: loadFolder, programLength, the tables,
// reset, the first refresh and the listing from address 0.
void StartUp(Workbench& workbench, WindowLayer& layer);

// Handles one event of the loop; false when the loop is to end.
bool HandleEvent(Workbench& workbench, WindowLayer& layer, const Event& event);
