#include "frontend/listing.h"

#include <optional>
#include <string>

#include "display/disassembler.h"
#include "display/state_display.h"
#include "frontend/breakpoint_marks.h"
#include "frontend/busicom_window.h"
#include "frontend/mcs4_window.h"
#include "frontend/source_window.h"

namespace {

// After the listing may have been rebuilt: lines come unmarked, and without
// breakpoints every line is unmarked already.
void MarkRebuiltListing(const Workbench& workbench, WindowLayer& layer) {
    if (workbench.breakpoints.count != 0) MarkBreakpointLines(workbench, layer);
}

}  // namespace

void RebuildListingFromZero(Workbench& workbench, WindowLayer& layer) {
    workbench.listingAddress = 0;
    FillCodeListing(CurrentProgram(workbench), CurrentTables(workbench), workbench.listingAddress,
                    layer, &workbench.symbols);
    MarkRebuiltListing(workbench, layer);
    RefreshSourceWindow(workbench, layer);
}

void RebuildListingFromZeroFollowingPc(Workbench& workbench, WindowLayer& layer) {
    RebuildListingFromZero(workbench, layer);
    FollowPc(CurrentProgram(workbench), CurrentPc(workbench), CurrentTables(workbench),
             workbench.listingAddress, layer, &workbench.symbols);
    MarkRebuiltListing(workbench, layer);
    RefreshSourceWindow(workbench, layer);
}

void RefreshMachine(Workbench& workbench, WindowLayer& layer) {
    if (Mcs4Chosen(workbench)) {
        RefreshDisplay(workbench.mcs4, layer);
        RefreshMcs4Window(workbench, layer);
        RefreshBusicomWindow(workbench, layer);
    } else {
        RefreshDisplay(workbench.state, layer);
    }
}

void RefreshAndFollowPc(Workbench& workbench, WindowLayer& layer) {
    RefreshMachine(workbench, layer);
    FollowPc(CurrentProgram(workbench), CurrentPc(workbench), CurrentTables(workbench),
             workbench.listingAddress, layer, &workbench.symbols);
    MarkRebuiltListing(workbench, layer);
    RefreshSourceWindow(workbench, layer);
}

void GoToAddressCommand(Workbench& workbench, WindowLayer& layer) {
    std::string wanted;
    if (!layer.AskText("Go to Address", "Address (hex) or label:", wanted)) return;
    const std::optional<int32_t> address = AddressOfName(workbench.source, wanted);
    if (!address) {
        layer.Show("Go to Address", "\"" + wanted + "\" is neither a label nor an address.");
        return;
    }
    workbench.listingAddress = *address;
    FillCodeListing(CurrentProgram(workbench), CurrentTables(workbench), workbench.listingAddress,
                    layer);
    MarkRebuiltListing(workbench, layer);
}
