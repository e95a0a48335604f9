#include "frontend/listing.h"

#include "display/disassembler.h"
#include "display/state_display.h"
#include "frontend/breakpoint_marks.h"

namespace {

// After the listing may have been rebuilt: lines come unmarked, and without
// breakpoints every line is unmarked already.
void MarkRebuiltListing(const Workbench& workbench, WindowLayer& layer) {
    if (workbench.breakpoints.count != 0) MarkBreakpointLines(workbench, layer);
}

}  // namespace

void RebuildListingFromZero(Workbench& workbench, WindowLayer& layer) {
    workbench.listingAddress = 0;
    FillCodeListing(workbench.state, workbench.tables, workbench.listingAddress, layer);
    MarkRebuiltListing(workbench, layer);
}

void RebuildListingFromZeroFollowingPc(Workbench& workbench, WindowLayer& layer) {
    RebuildListingFromZero(workbench, layer);
    FollowPc(workbench.state, workbench.tables, workbench.listingAddress, layer);
    MarkRebuiltListing(workbench, layer);
}

void RefreshAndFollowPc(Workbench& workbench, WindowLayer& layer) {
    RefreshDisplay(workbench.state, layer);
    FollowPc(workbench.state, workbench.tables, workbench.listingAddress, layer);
    MarkRebuiltListing(workbench, layer);
}
