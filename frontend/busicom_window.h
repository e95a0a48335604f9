#pragma once
// The Busicom 141-PF calculator's window: its keyboard as buttons, the
// decimal-point and rounding switches, the three lamps and the paper tape.
// Opened when the machine is chosen, and again from the Machine menu; its
// close button hides it. It works while the machine runs: a Run in the
// window passes it the key presses it takes at its checkpoints.

#include <cstdint>

#include "frontend/workbench.h"
#include "platform/window_layer.h"

void ShowBusicomWindow(Workbench& workbench, WindowLayer& layer);
void HideBusicomWindow(Workbench& workbench, WindowLayer& layer);

// Writes the lamps, the switches, the keys held and the new lines of the
// tape into the window when it is shown; cheap when nothing changed.
void RefreshBusicomWindow(Workbench& workbench, WindowLayer& layer);

// A key clicked or typed, a switch stepped, the tape copied, the window
// closed. A key or a switch is an input from outside: Step Back stops
// there. False when the event is not the window's.
bool BusicomWindowEvent(Workbench& workbench, WindowLayer& layer, const Event& event);

// The tape as text, a line per printed line, red ones marked, for the
// clipboard.
std::string BusicomTapeText(const Workbench& workbench);

// Help > Keyboard Shortcuts' lines for the calculator window.
std::string BusicomKeyboardText();
