// Builds the code listing at any address and follows any sequence of
// program counters: inside the listing, a step or two on, anywhere in
// 0..0x1FFFF, or any 32-bit value, over any program bytes.
//
// Checked: the listing always has 32 lines and exactly one selected line;
// its lines are the instructions from its first address onward, each
// starting with its own address; following a pc selects the line that
// starts with that pc, and leaves the listing as it was when it already
// showed that line.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/hex.h"
#include "core/machine_state.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"
#include "display/state_display.h"
#include "fuzz/fuzz_support.h"
#include "platform/headless/headless_layer.h"

namespace {

constexpr size_t kListingLines = 32;

int32_t DecodeAddress(FuzzInput& input) {
    switch (input.Below(4)) {
        case 0: return static_cast<int32_t>(input.Below(0x20000));
        case 1: return 0xFC0 + static_cast<int32_t>(input.Below(96));
        case 2: return 0xFFC0 + static_cast<int32_t>(input.Below(160));
        default: return static_cast<int32_t>(input.Long());
    }
}

// The address a line starts with: its digits up to the first blank.
uint64_t LineAddress(const std::string& line) {
    const size_t blank = line.find(' ');
    FuzzCheck(blank != std::string::npos && blank >= 3 && blank <= 8, "line address digits", line);
    return std::stoull(line.substr(0, blank), nullptr, 16);
}

// The byte the listing shows at an address: 0 outside program memory.
int32_t ShownByte(const MachineState& state, uint32_t address) {
    return address < state.RomImage.size() ? state.RomImage[address] & 0xFF : 0;
}

// The listing's lines are consecutive instructions from `first` onward.
void CheckLines(const MachineState& state, const OpcodeTables& tables,
                const std::vector<std::string>& lines, uint32_t first, uint32_t next) {
    FuzzCheck(lines.size() == kListingLines, "listing lines", std::to_string(lines.size()));
    uint32_t address = first;
    for (const std::string& line : lines) {
        FuzzCheck(LineAddress(line) == address, "line address", line);
        const int32_t opcode = ShownByte(state, address);
        FuzzCheck(line.find(" " + PaddedHex(opcode, 2) + " ") != std::string::npos,
                  "line opcode byte", line);
        address += static_cast<uint32_t>(tables.LengthTable[static_cast<size_t>(opcode)]);
    }
    FuzzCheck(address == next, "listing address after the last line");
}

struct Fixture {
    MachineState state;
    OpcodeTables tables;
    HeadlessLayer layer;
    Fixture() {
        FillOpcodeTables(tables);
        layer.OpenWindow(kMainWindow, kWindowWidth, kWindowHeight, kWindowTitle);
        layer.CreateControl(kMainWindow, ControlKind::List, Control::kCodeListing, 0, 0, 100, 100,
                            "", false);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::unique_ptr<Fixture> fixture = std::make_unique<Fixture>();
    MachineState& state = fixture->state;
    HeadlessLayer& layer = fixture->layer;
    const HeadlessControl& listing = layer.controls.at(Control::kCodeListing);
    FuzzInput input(data, size);

    ZeroRom(state);
    state.RomImage[65536] = static_cast<int32_t>(input.Byte());
    const int32_t start = DecodeAddress(input);
    std::vector<int32_t> pcs;
    const uint32_t follows = 1 + input.Below(8);
    for (uint32_t k = 0; k < follows; ++k) {
        switch (input.Below(4)) {
            case 0:  // a line of the listing, or between two
                pcs.push_back(static_cast<int32_t>(static_cast<uint32_t>(start) + input.Below(72)));
                break;
            case 1:  // a step or two on from the last
                pcs.push_back(static_cast<int32_t>(
                    static_cast<uint32_t>(pcs.empty() ? start : pcs.back()) + input.Below(3)));
                break;
            default: pcs.push_back(DecodeAddress(input)); break;
        }
    }
    // The rest is program, from a little before the listing's start.
    int64_t place = std::clamp<int64_t>(
        static_cast<int64_t>(static_cast<uint32_t>(start)) - input.Below(16), 0, 65536);
    while (!input.Empty()) {
        state.RomImage[static_cast<size_t>(place)] = static_cast<int32_t>(input.Byte());
        place = place == 65536 ? 0 : place + 1;
    }

    int32_t listingAddress = start;
    FillCodeListing(state, fixture->tables, listingAddress, layer);
    CheckLines(state, fixture->tables, listing.lines, static_cast<uint32_t>(start),
               static_cast<uint32_t>(listingAddress));
    FuzzCheck(listing.selected == 0, "a new listing selects its first line");

    for (const int32_t pc : pcs) {
        state.pc = pc;
        const std::vector<std::string> before = listing.lines;
        const bool shown = std::any_of(before.begin(), before.end(), [pc](const std::string& line) {
            return LineAddress(line) == static_cast<uint32_t>(pc);
        });
        FollowPc(state, fixture->tables, listingAddress, layer);

        FuzzCheck(listing.lines.size() == kListingLines, "listing lines");
        FuzzCheck(listing.selected >= 0 && listing.selected < static_cast<int32_t>(kListingLines),
                  "one line selected", std::to_string(listing.selected));
        const std::string& selected = listing.lines[static_cast<size_t>(listing.selected)];
        FuzzCheck(LineAddress(selected) == static_cast<uint32_t>(pc), "selected line is pc's",
                  selected + " pc=" + PaddedHex(pc, 1));
        if (shown) {
            FuzzCheck(listing.lines == before, "a shown pc rebuilt the listing");
        } else {
            CheckLines(state, fixture->tables, listing.lines, static_cast<uint32_t>(pc),
                       static_cast<uint32_t>(listingAddress));
        }
    }
    return 0;
}
