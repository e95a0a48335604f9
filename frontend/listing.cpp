#include "frontend/listing.h"

#include "display/disassembler.h"
#include "display/state_display.h"
#include "frontend/breakpoint_marks.h"

namespace {

// After the listing may have been rebuilt: lines come unmarked, and without
// breakpoints every line is unmarked already.
void MarkRebuiltListing(const Debugger& debugger, WindowLayer& layer) {
    if (debugger.breakpoints.count != 0) MarkBreakpointLines(debugger, layer);
}

}  // namespace

void RebuildListingFromZero(Debugger& debugger, WindowLayer& layer) {
    debugger.listingAddress = 0;
    FillCodeListing(debugger.state, debugger.tables, debugger.listingAddress, layer);
    MarkRebuiltListing(debugger, layer);
}

void RebuildListingFromZeroFollowingPc(Debugger& debugger, WindowLayer& layer) {
    RebuildListingFromZero(debugger, layer);
    FollowPc(debugger.state, debugger.tables, debugger.listingAddress, layer);
    MarkRebuiltListing(debugger, layer);
}

void RefreshAndFollowPc(Debugger& debugger, WindowLayer& layer) {
    RefreshDisplay(debugger.state, layer);
    FollowPc(debugger.state, debugger.tables, debugger.listingAddress, layer);
    MarkRebuiltListing(debugger, layer);
}
