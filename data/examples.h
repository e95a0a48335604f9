#pragma once
// Programs that come with Quodlet, reachable from the Debug menu without a
// file. Each array is a ROM image from address 0, a byte per entry, with the
// listing's reading of it beside.

#include <array>
#include <cstdint>

// "1. R2R3=R6+R7": adds the digits 6 and 7 and leaves the decimal sum as two
// digits, tens in R2 and units in R3.
inline constexpr std::array<int32_t, 10> ExampleSum = {
    0x20, 0x67,  // 000 FIM P0 67   R0 := 6, R1 := 7
    0xA0,        // 002 LD R0
    0xF1,        // 003 CLC
    0x81,        // 004 ADD R1      13, no carry
    0xFB,        // 005 DAA         3, carry 1
    0xB3,        // 006 XCH R3      units
    0xD0,        // 007 LDM 0
    0xF5,        // 008 RAL         the carry becomes the tens digit
    0xB2,        // 009 XCH R2      tens
};

// "2. A^2": adds 5 to the pair R2R3 five times, leaving 0x19 = 25 in R2R3.
inline constexpr std::array<int32_t, 18> ExampleSquare = {
    0xD5,        // 000 LDM 5
    0xB0,        // 001 XCH R0
    0xA0,        // 002 LD R0
    0xB1,        // 003 XCH R1      the loop counter
    0xA0,        // 004 LD R0       loop start
    0xF1,        // 005 CLC
    0x83,        // 006 ADD R3
    0xB3,        // 007 XCH R3      low nibble of the sum
    0x1A, 0x0B,  // 008 JCN C0 0B   no carry: skip the increment
    0x62,        // 00A INC R2      carry into the high nibble
    0xA1,        // 00B LD R1
    0xF8,        // 00C DAC
    0x14, 0x12,  // 00D JCN AZ 12   counter spent: leave
    0xB1,        // 00F XCH R1
    0x40, 0x04,  // 010 JUN 004
};
