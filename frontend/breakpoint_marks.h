#pragma once
// Breakpoints in the window: setting and clearing them from the listing, and
// the listing's marks. A line whose address has a breakpoint is marked by a
// colour behind it and the accessible description "breakpoint"; its text
// stays as the listing wrote it.

#include <cstdint>

#include "frontend/workbench.h"
#include "platform/window_layer.h"

inline constexpr char kBreakpointMark[] = "breakpoint";

// Marks each listing line whose address has a breakpoint and unmarks the
// others.
void MarkBreakpointLines(const Workbench& workbench, WindowLayer& layer);

// The address of the selected listing line; false when no line is selected.
bool SelectedListingAddress(WindowLayer& layer, int32_t& address);

// Toggle Breakpoint (and a double-click on a listing line): sets or clears
// the breakpoint at the selected line's address. Nothing without a
// selected line or for a line beyond 0xFFFF.
void ToggleBreakpointCommand(Workbench& workbench, WindowLayer& layer);

void ClearBreakpointsCommand(Workbench& workbench, WindowLayer& layer);
