#include "frontend/breakpoint_marks.h"

#include <string>

#include "core/hex.h"
#include "debug/breakpoints.h"
#include "display/controls.h"
#include "display/disassembler.h"
#include "frontend/source_window.h"

void MarkBreakpointLines(const Workbench& workbench, WindowLayer& layer) {
    const int32_t count = layer.CountLines(Control::kCodeListing);
    for (int32_t line = 0; line < count; ++line) {
        uint32_t address = 0;
        const bool marked = LineAddress(layer.GetLine(Control::kCodeListing, line), address) &&
                            address <= 0xFFFF &&
                            HasBreakpoint(workbench.breakpoints, static_cast<int32_t>(address));
        layer.SetLineMark(Control::kCodeListing, line, marked ? kBreakpointMark : "");
    }
}

bool SelectedListingAddress(WindowLayer& layer, int32_t& address) {
    const int32_t line = layer.SelectedLine(Control::kCodeListing);
    if (line < 0) return false;
    uint32_t parsed = 0;
    if (!LineAddress(layer.GetLine(Control::kCodeListing, line), parsed) || parsed > 0x7FFFFFFF)
        return false;
    address = static_cast<int32_t>(parsed);
    return true;
}

void ToggleBreakpointCommand(Workbench& workbench, WindowLayer& layer) {
    int32_t address = 0;
    if (!SelectedListingAddress(layer, address)) return;
    // A listing shown from inside an instruction (Go to Address) offers
    // addresses no instruction of the source starts at: Run never stops there.
    const int32_t start = InstructionAround(workbench.source, address);
    if (start >= 0 && !HasBreakpoint(workbench.breakpoints, address)) {
        layer.Show("Toggle Breakpoint", "Address " + PlainHex(address) +
                                            " lies inside the instruction at " +
                                            NameOfAddress(workbench.source, start) +
                                            ": a breakpoint there would never be reached.");
        return;
    }
    if (!ToggleBreakpoint(workbench.breakpoints, address)) return;
    // The address may stand on more than one line (a listing that wrapped).
    MarkBreakpointLines(workbench, layer);
    MarkSourceBreakpoints(workbench, layer);
}

void ClearBreakpointsCommand(Workbench& workbench, WindowLayer& layer) {
    ClearBreakpoints(workbench.breakpoints);
    MarkBreakpointLines(workbench, layer);
    MarkSourceBreakpoints(workbench, layer);
}
