#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

#include "debug/breakpoints.h"

namespace {

// Word edges and both ends of the address range.
const std::vector<int32_t> kEdgeAddresses = {0,     1,      62,     63,     64,     65,
                                             0xFFF, 0x1000, 0xFFBF, 0xFFC0, 0xFFFE, 0xFFFF};

TEST(Breakpoints, EachAddressIsSetAndClearedAloneUpToFFFF) {
    for (const int32_t address : kEdgeAddresses) {
        SCOPED_TRACE(address);
        Breakpoints breakpoints;
        EXPECT_TRUE(ToggleBreakpoint(breakpoints, address));
        EXPECT_TRUE(HasBreakpoint(breakpoints, address));
        EXPECT_EQ(breakpoints.count, 1);
        for (const int32_t other : kEdgeAddresses) {
            if (other == address) continue;
            EXPECT_FALSE(HasBreakpoint(breakpoints, other)) << other;
        }
        EXPECT_TRUE(ToggleBreakpoint(breakpoints, address));
        EXPECT_FALSE(HasBreakpoint(breakpoints, address));
        EXPECT_EQ(breakpoints.count, 0);
    }
}

TEST(Breakpoints, AddressesOutsideTheRangeAreRefusedAndNeverSet) {
    Breakpoints breakpoints;
    // Every address set: still nothing outside the range reads as set.
    for (int32_t address = 0; address <= 0xFFFF; ++address)
        SetBreakpoint(breakpoints, address, true);
    EXPECT_EQ(breakpoints.count, 0x10000);
    for (const int32_t outside : {-1, 0x10000, 0x10001, INT32_MIN, INT32_MAX}) {
        SCOPED_TRACE(outside);
        EXPECT_FALSE(HasBreakpoint(breakpoints, outside));
        EXPECT_FALSE(ToggleBreakpoint(breakpoints, outside));
        EXPECT_FALSE(SetBreakpoint(breakpoints, outside, false));
    }
    EXPECT_EQ(breakpoints.count, 0x10000);
    ClearBreakpoints(breakpoints);
    EXPECT_EQ(breakpoints.count, 0);
    for (const int32_t address : kEdgeAddresses) EXPECT_FALSE(HasBreakpoint(breakpoints, address));
}

TEST(Breakpoints, SettingTwiceOrClearingAClearOneKeepsTheCount) {
    Breakpoints breakpoints;
    SetBreakpoint(breakpoints, 0x123, true);
    SetBreakpoint(breakpoints, 0x123, true);
    SetBreakpoint(breakpoints, 0x124, false);
    EXPECT_EQ(breakpoints.count, 1);
    SetBreakpoint(breakpoints, 0x123, false);
    SetBreakpoint(breakpoints, 0x123, false);
    EXPECT_EQ(breakpoints.count, 0);
    EXPECT_FALSE(HasBreakpoint(breakpoints, 0x123));
}

}  // namespace
