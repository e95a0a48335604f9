#pragma once
// The built-in opcode data: for each opcode byte, in order, the text the code
// listing shows and the instruction's length in bytes. One block per high
// nibble, sixteen rows each, so the table reads against a datasheet line by
// line.
//
// Texts are exact, blanks included: "JUN " and "JMS " end in a blank because
// the listing writes their 12-bit target directly behind it. Undefined
// opcodes read "???"; those of the JCN block still take two bytes, so the
// listing treats the byte after them as their operand.
//
// Operand numbering a reader might not expect: FIM and SRC name a register
// pair by its even register (P0, P2 .. P14), FIN and JIN by the pair's index
// (P0 .. P7); LDM writes 10 to 15 as "0A" to "0F", BBL in decimal.

#include <array>
#include <cstdint>
#include <string_view>

struct OpcodeEntry {
    std::string_view text;
    int32_t length;
};

inline constexpr std::array<OpcodeEntry, 256> kOpcodeData = {{
    // 0x00 - 0x0F: the 4040's additional instructions
    {"NOP", 1},  // 00
    {"HLT", 1},  // 01
    {"BBS", 1},  // 02
    {"LCR", 1},  // 03
    {"OR4", 1},  // 04
    {"OR5", 1},  // 05
    {"AN6", 1},  // 06
    {"AN7", 1},  // 07
    {"DB0", 1},  // 08
    {"DB1", 1},  // 09
    {"SB0", 1},  // 0A
    {"SB1", 1},  // 0B
    {"EIN", 1},  // 0C
    {"DIN", 1},  // 0D
    {"RPM", 1},  // 0E
    {"???", 1},  // 0F

    // 0x10 - 0x1F: JCN, condition in the low nibble
    {"???", 2},     // 10
    {"JCN TN", 2},  // 11
    {"JCN C1", 2},  // 12
    {"???", 2},     // 13
    {"JCN AZ", 2},  // 14
    {"???", 2},     // 15
    {"???", 2},     // 16
    {"???", 2},     // 17
    {"???", 2},     // 18
    {"JCN TZ", 2},  // 19
    {"JCN C0", 2},  // 1A
    {"???", 2},     // 1B
    {"JCN AN", 2},  // 1C
    {"???", 2},     // 1D
    {"???", 2},     // 1E
    {"???", 2},     // 1F

    // 0x20 - 0x2F: FIM (even) and SRC (odd), pair named by its even register
    {"FIM P0", 2},   // 20
    {"SRC P0", 1},   // 21
    {"FIM P2", 2},   // 22
    {"SRC P2", 1},   // 23
    {"FIM P4", 2},   // 24
    {"SRC P4", 1},   // 25
    {"FIM P6", 2},   // 26
    {"SRC P6", 1},   // 27
    {"FIM P8", 2},   // 28
    {"SRC P8", 1},   // 29
    {"FIM P10", 2},  // 2A
    {"SRC P10", 1},  // 2B
    {"FIM P12", 2},  // 2C
    {"SRC P12", 1},  // 2D
    {"FIM P14", 2},  // 2E
    {"SRC P14", 1},  // 2F

    // 0x30 - 0x3F: FIN (even) and JIN (odd), pair named by its index
    {"FIN P0", 1},  // 30
    {"JIN P0", 1},  // 31
    {"FIN P1", 1},  // 32
    {"JIN P1", 1},  // 33
    {"FIN P2", 1},  // 34
    {"JIN P2", 1},  // 35
    {"FIN P3", 1},  // 36
    {"JIN P3", 1},  // 37
    {"FIN P4", 1},  // 38
    {"JIN P4", 1},  // 39
    {"FIN P5", 1},  // 3A
    {"JIN P5", 1},  // 3B
    {"FIN P6", 1},  // 3C
    {"JIN P6", 1},  // 3D
    {"FIN P7", 1},  // 3E
    {"JIN P7", 1},  // 3F

    // 0x40 - 0x4F: JUN, target high nibble in the opcode
    {"JUN ", 2},  // 40
    {"JUN ", 2},  // 41
    {"JUN ", 2},  // 42
    {"JUN ", 2},  // 43
    {"JUN ", 2},  // 44
    {"JUN ", 2},  // 45
    {"JUN ", 2},  // 46
    {"JUN ", 2},  // 47
    {"JUN ", 2},  // 48
    {"JUN ", 2},  // 49
    {"JUN ", 2},  // 4A
    {"JUN ", 2},  // 4B
    {"JUN ", 2},  // 4C
    {"JUN ", 2},  // 4D
    {"JUN ", 2},  // 4E
    {"JUN ", 2},  // 4F

    // 0x50 - 0x5F: JMS, target high nibble in the opcode
    {"JMS ", 2},  // 50
    {"JMS ", 2},  // 51
    {"JMS ", 2},  // 52
    {"JMS ", 2},  // 53
    {"JMS ", 2},  // 54
    {"JMS ", 2},  // 55
    {"JMS ", 2},  // 56
    {"JMS ", 2},  // 57
    {"JMS ", 2},  // 58
    {"JMS ", 2},  // 59
    {"JMS ", 2},  // 5A
    {"JMS ", 2},  // 5B
    {"JMS ", 2},  // 5C
    {"JMS ", 2},  // 5D
    {"JMS ", 2},  // 5E
    {"JMS ", 2},  // 5F

    // 0x60 - 0x6F: INC
    {"INC R0", 1},   // 60
    {"INC R1", 1},   // 61
    {"INC R2", 1},   // 62
    {"INC R3", 1},   // 63
    {"INC R4", 1},   // 64
    {"INC R5", 1},   // 65
    {"INC R6", 1},   // 66
    {"INC R7", 1},   // 67
    {"INC R8", 1},   // 68
    {"INC R9", 1},   // 69
    {"INC R10", 1},  // 6A
    {"INC R11", 1},  // 6B
    {"INC R12", 1},  // 6C
    {"INC R13", 1},  // 6D
    {"INC R14", 1},  // 6E
    {"INC R15", 1},  // 6F

    // 0x70 - 0x7F: ISZ, jump target in the second byte
    {"ISZ R0", 2},   // 70
    {"ISZ R1", 2},   // 71
    {"ISZ R2", 2},   // 72
    {"ISZ R3", 2},   // 73
    {"ISZ R4", 2},   // 74
    {"ISZ R5", 2},   // 75
    {"ISZ R6", 2},   // 76
    {"ISZ R7", 2},   // 77
    {"ISZ R8", 2},   // 78
    {"ISZ R9", 2},   // 79
    {"ISZ R10", 2},  // 7A
    {"ISZ R11", 2},  // 7B
    {"ISZ R12", 2},  // 7C
    {"ISZ R13", 2},  // 7D
    {"ISZ R14", 2},  // 7E
    {"ISZ R15", 2},  // 7F

    // 0x80 - 0x8F: ADD
    {"ADD R0", 1},   // 80
    {"ADD R1", 1},   // 81
    {"ADD R2", 1},   // 82
    {"ADD R3", 1},   // 83
    {"ADD R4", 1},   // 84
    {"ADD R5", 1},   // 85
    {"ADD R6", 1},   // 86
    {"ADD R7", 1},   // 87
    {"ADD R8", 1},   // 88
    {"ADD R9", 1},   // 89
    {"ADD R10", 1},  // 8A
    {"ADD R11", 1},  // 8B
    {"ADD R12", 1},  // 8C
    {"ADD R13", 1},  // 8D
    {"ADD R14", 1},  // 8E
    {"ADD R15", 1},  // 8F

    // 0x90 - 0x9F: SUB
    {"SUB R0", 1},   // 90
    {"SUB R1", 1},   // 91
    {"SUB R2", 1},   // 92
    {"SUB R3", 1},   // 93
    {"SUB R4", 1},   // 94
    {"SUB R5", 1},   // 95
    {"SUB R6", 1},   // 96
    {"SUB R7", 1},   // 97
    {"SUB R8", 1},   // 98
    {"SUB R9", 1},   // 99
    {"SUB R10", 1},  // 9A
    {"SUB R11", 1},  // 9B
    {"SUB R12", 1},  // 9C
    {"SUB R13", 1},  // 9D
    {"SUB R14", 1},  // 9E
    {"SUB R15", 1},  // 9F

    // 0xA0 - 0xAF: LD
    {"LD R0", 1},   // A0
    {"LD R1", 1},   // A1
    {"LD R2", 1},   // A2
    {"LD R3", 1},   // A3
    {"LD R4", 1},   // A4
    {"LD R5", 1},   // A5
    {"LD R6", 1},   // A6
    {"LD R7", 1},   // A7
    {"LD R8", 1},   // A8
    {"LD R9", 1},   // A9
    {"LD R10", 1},  // AA
    {"LD R11", 1},  // AB
    {"LD R12", 1},  // AC
    {"LD R13", 1},  // AD
    {"LD R14", 1},  // AE
    {"LD R15", 1},  // AF

    // 0xB0 - 0xBF: XCH
    {"XCH R0", 1},   // B0
    {"XCH R1", 1},   // B1
    {"XCH R2", 1},   // B2
    {"XCH R3", 1},   // B3
    {"XCH R4", 1},   // B4
    {"XCH R5", 1},   // B5
    {"XCH R6", 1},   // B6
    {"XCH R7", 1},   // B7
    {"XCH R8", 1},   // B8
    {"XCH R9", 1},   // B9
    {"XCH R10", 1},  // BA
    {"XCH R11", 1},  // BB
    {"XCH R12", 1},  // BC
    {"XCH R13", 1},  // BD
    {"XCH R14", 1},  // BE
    {"XCH R15", 1},  // BF

    // 0xC0 - 0xCF: BBL, value in decimal
    {"BBL 0", 1},   // C0
    {"BBL 1", 1},   // C1
    {"BBL 2", 1},   // C2
    {"BBL 3", 1},   // C3
    {"BBL 4", 1},   // C4
    {"BBL 5", 1},   // C5
    {"BBL 6", 1},   // C6
    {"BBL 7", 1},   // C7
    {"BBL 8", 1},   // C8
    {"BBL 9", 1},   // C9
    {"BBL 10", 1},  // CA
    {"BBL 11", 1},  // CB
    {"BBL 12", 1},  // CC
    {"BBL 13", 1},  // CD
    {"BBL 14", 1},  // CE
    {"BBL 15", 1},  // CF

    // 0xD0 - 0xDF: LDM, 10 to 15 as "0A" to "0F"
    {"LDM 0", 1},   // D0
    {"LDM 1", 1},   // D1
    {"LDM 2", 1},   // D2
    {"LDM 3", 1},   // D3
    {"LDM 4", 1},   // D4
    {"LDM 5", 1},   // D5
    {"LDM 6", 1},   // D6
    {"LDM 7", 1},   // D7
    {"LDM 8", 1},   // D8
    {"LDM 9", 1},   // D9
    {"LDM 0A", 1},  // DA
    {"LDM 0B", 1},  // DB
    {"LDM 0C", 1},  // DC
    {"LDM 0D", 1},  // DD
    {"LDM 0E", 1},  // DE
    {"LDM 0F", 1},  // DF

    // 0xE0 - 0xEF: input/output group
    {"WRM", 1},  // E0
    {"WMP", 1},  // E1
    {"WRR", 1},  // E2
    {"WPM", 1},  // E3
    {"WR0", 1},  // E4
    {"WR1", 1},  // E5
    {"WR2", 1},  // E6
    {"WR3", 1},  // E7
    {"SBM", 1},  // E8
    {"RDM", 1},  // E9
    {"RDR", 1},  // EA
    {"ADM", 1},  // EB
    {"RD0", 1},  // EC
    {"RD1", 1},  // ED
    {"RD2", 1},  // EE
    {"RD3", 1},  // EF

    // 0xF0 - 0xFF: accumulator group
    {"CLB", 1},  // F0
    {"CLC", 1},  // F1
    {"IAC", 1},  // F2
    {"CMC", 1},  // F3
    {"CMA", 1},  // F4
    {"RAL", 1},  // F5
    {"RAR", 1},  // F6
    {"TCC", 1},  // F7
    {"DAC", 1},  // F8
    {"TCS", 1},  // F9
    {"STC", 1},  // FA
    {"DAA", 1},  // FB
    {"KBP", 1},  // FC
    {"DCL", 1},  // FD
    {"???", 1},  // FE
    {"???", 1},  // FF
}};

// A row left out would leave an entry of empty text and length 0 at the end.
static_assert([] {
    for (const OpcodeEntry& entry : kOpcodeData) {
        if (entry.text.size() < 3 || entry.text.size() > 7) return false;
        if (entry.length != 1 && entry.length != 2) return false;
    }
    return true;
}());

// What the MCS-4 system's listing shows for JCN (opcodes 0x10 - 0x1F) in
// place of the rows above, which name the compatible machine's conditions:
// the chip's names, where condition 1 jumps when the TEST pin is 0 (TZ) and
// 9 when it is 1 (TN). The tests that OR together (TEST = 0, carry = 1,
// acc = 0) are joined by '|'; with the invert bit, whose result is the AND
// of the opposite tests, by '&'. 0 never jumps, 8 always. The assembler
// reads these same texts back under Quodlet's rules for that machine.
inline constexpr std::array<std::string_view, 16> kMcs4JcnTexts = {
    "JCN 0", "JCN TZ", "JCN C1", "JCN C1|TZ", "JCN AZ", "JCN AZ|TZ", "JCN AZ|C1", "JCN AZ|C1|TZ",
    "JCN 8", "JCN TN", "JCN C0", "JCN C0&TN", "JCN AN", "JCN AN&TN", "JCN AN&C0", "JCN AN&C0&TN",
};
