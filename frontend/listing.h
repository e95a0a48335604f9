#pragma once
// Rebuilding the code listing and keeping it on the program counter, as the
// commands that change the machine need it; each leaves the breakpoints
// marked.

#include "frontend/workbench.h"
#include "platform/window_layer.h"

// The listing from address 0 with its first line selected; pc is not
// followed (after a reset pc is 0 anyway).
void RebuildListingFromZero(Workbench& workbench, WindowLayer& layer);

// The listing from address 0, then the line of pc selected, or the listing
// moved to pc when its lines do not reach it: after a load, or a typed pc.
void RebuildListingFromZeroFollowingPc(Workbench& workbench, WindowLayer& layer);

// Every field of the machine chosen, in the main window and, for the MCS-4
// system, in its own window when that is shown.
void RefreshMachine(Workbench& workbench, WindowLayer& layer);

// Go to Address: asks for a hex address or a label and shows the listing
// from there; the next Step follows pc again.
void GoToAddressCommand(Workbench& workbench, WindowLayer& layer);

// Every field, then the listing line of pc: after an instruction.
void RefreshAndFollowPc(Workbench& workbench, WindowLayer& layer);
