#pragma once
// The user's breakpoints: any set of addresses 0..0xFFFF, one byte each
// (64 KB), so that setting, clearing and the test a Run makes before every
// instruction cost one memory access whatever their number. They belong to
// the user, not to the program: nothing but the user's own commands changes
// them.

#include <array>
#include <cstdint>

#include "core/machine_state.h"

inline constexpr int32_t kBreakpointAddresses = kProgramBytes;

struct Breakpoints {
    std::array<uint8_t, kBreakpointAddresses> set{};  // 1 at an address with a breakpoint
    int32_t count = 0;                                // addresses set
};

// Whether a breakpoint is set at `address`; false for any address outside
// 0..0xFFFF (pc is never wrapped, so it can stand anywhere).
inline bool HasBreakpoint(const Breakpoints& breakpoints, int32_t address) {
    const auto index = static_cast<uint32_t>(address);
    return index < static_cast<uint32_t>(kBreakpointAddresses) && breakpoints.set[index] != 0;
}

// HasBreakpoint for a pc known to lie in 0..0xFFFF (a Run's pc after its
// first instruction stays below 0xFFF): no range test, the mask keeps any
// value inside the set.
inline bool HasBreakpointInRange(const Breakpoints& breakpoints, int32_t address) {
    const auto index = static_cast<uint32_t>(address) & (kBreakpointAddresses - 1);
    return breakpoints.set[index] != 0;
}

// Sets or clears the breakpoint at `address`; an address outside 0..0xFFFF
// is refused (false) and changes nothing.
inline bool SetBreakpoint(Breakpoints& breakpoints, int32_t address, bool set) {
    const auto index = static_cast<uint32_t>(address);
    if (index >= static_cast<uint32_t>(kBreakpointAddresses)) return false;
    uint8_t& entry = breakpoints.set[index];
    if ((entry != 0) != set) {
        entry = set ? 1 : 0;
        breakpoints.count += set ? 1 : -1;
    }
    return true;
}

// Sets the breakpoint at `address` when it is clear, clears it when set.
// False (and nothing changes) for an address outside 0..0xFFFF.
inline bool ToggleBreakpoint(Breakpoints& breakpoints, int32_t address) {
    return SetBreakpoint(breakpoints, address, !HasBreakpoint(breakpoints, address));
}

inline void ClearBreakpoints(Breakpoints& breakpoints) {
    breakpoints.set.fill(0);
    breakpoints.count = 0;
}
