#pragma once
// The MCS-4 system's own window: what the main window's fixed layout has no
// room for. Any bank's characters and status characters (the bank DCL
// selected, or one the user picks), the 32 RAM output ports, the 16 ROM
// output latches, the cycle count with the chip's time, and the inputs the
// user drives: the TEST pin and the 16 ROM chips' input lines. Opened from
// the Machine menu; its close button hides it.

#include "frontend/workbench.h"
#include "platform/window_layer.h"

// Opens the window (building it the first time) and shows the machine in
// it; on the compatible machine, which has none of this, a message says so.
void ShowMcs4Window(Workbench& workbench, WindowLayer& layer);
void HideMcs4Window(Workbench& workbench, WindowLayer& layer);

// Writes the machine into the window when it is shown.
void RefreshMcs4Window(Workbench& workbench, WindowLayer& layer);

// A user's action in the window: a bank picked, following DCL, TEST or an
// input line changed. Inputs are changes from outside: Step Back stops
// there. False when the event is not the window's.
bool Mcs4WindowEvent(Workbench& workbench, WindowLayer& layer, const Event& event);
