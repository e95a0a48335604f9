#include "frontend/listing.h"

#include "display/disassembler.h"
#include "display/state_display.h"

void RebuildListingFromZero(Debugger& debugger, WindowLayer& layer) {
    debugger.listingAddress = 0;
    FillCodeListing(debugger.state, debugger.tables, debugger.listingAddress, layer);
}

void RebuildListingFromZeroFollowingPc(Debugger& debugger, WindowLayer& layer) {
    RebuildListingFromZero(debugger, layer);
    FollowPc(debugger.state, debugger.tables, debugger.listingAddress, layer);
}

void RefreshAndFollowPc(Debugger& debugger, WindowLayer& layer) {
    RefreshDisplay(debugger.state, layer);
    FollowPc(debugger.state, debugger.tables, debugger.listingAddress, layer);
}
