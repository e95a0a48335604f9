#pragma once
// The Busicom 141-PF calculator's board around the MCS-4 chips (the
// wiring is in the ROMs' README beside the project):
// - ROM chip 0's output port: bit 0 clocks the keyboard 4003, bit 1 is the
//   data of all three 4003s, bit 2 clocks the two cascaded printer 4003s.
//   A 4003 shifts on the rising edge of its clock: output k takes output
//   k - 1, output 0 takes the data.
// - ROM chip 1's input lines: the four rows of the key columns whose
//   keyboard shifter output is 0; columns 8 and 9 are the decimal-point
//   and rounding switches.
// - ROM chip 2's input lines: bit 0 the drum's index pulse (sector 0), bit 3
//   the paper-advance button (the user's, through romIn).
// - TEST: the drum's sector signal, 1 for the first part of each sector.
// - RAM bank 0, chip 0's port: bit 0 red ribbon, bit 1 fire the armed
//   hammers, bit 3 feed the paper. Chip 1's port: the lamps.
// The drum turns with the cycle count alone, so its timing is exact
// whatever the host's pace, and Step Back replays it. Everything the board
// holds is in Mcs4State (its last fields), so snapshots and JSON carry it.

#include <algorithm>
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/mcs4.h"

// A sector is 28 ms; a cycle 10.8 us: 2592.6 cycles, rounded to 2593.
inline constexpr int64_t kBusicomSectorCycles = 2593;
inline constexpr int32_t kBusicomSectors = 13;
// TEST is 1 for the first half of each sector (1296 cycles). The program
// waits for TEST = 1 to begin a sector (reading the index and scanning the
// keys), then for TEST = 0 to fire the hammers it armed meanwhile, and must
// be done before the next sector begins; while it computes, it looks at
// TEST now and then and scans the keys when it is 1. The 44 calculations
// of the manual print right with anything from 400 to 2100 cycles; at half
// a sector each takes as many sectors as on the reference tapes, which a
// longer or shorter part does not give (computing pauses while TEST is 1).
inline constexpr int64_t kBusicomTestCycles = kBusicomSectorCycles / 2;

inline int32_t BusicomSector(int64_t cycles) {
    return static_cast<int32_t>(cycles / kBusicomSectorCycles % kBusicomSectors);
}
inline int32_t BusicomTest(int64_t cycles) {
    return cycles % kBusicomSectorCycles < kBusicomTestCycles ? 1 : 0;
}

// The rows the switches put on their column for each position.
inline constexpr std::array<uint8_t, 8> kBusicomPointRows = {0, 1, 2, 3, 4, 5, 6, 8};
inline constexpr std::array<uint8_t, 3> kBusicomRoundingRows = {0, 1, 8};

namespace busicom_detail {

// The printer column (0-based) each printer shifter output arms, -1 for
// none: the program shifts 18 bits a sector, column 15 first, then 14
// down to 1, then 16, 18 and 17; the last two outputs hold what fell
// through from the sector before and reach no hammer.
inline constexpr std::array<int8_t, 20> kHammerColumns = {
    16, 17, 15, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, -1, -1,
};

// WRR to ROM chip 0: the shifters' clocks, on their rising edges.
inline void WriteShifters(Mcs4State& s, int32_t before, int32_t after) {
    const int32_t rising = ~before & after;
    const int32_t data = after >> 1 & 1;
    if ((rising & 1) != 0) {
        s.keyShifter = (s.keyShifter << 1 | data) & 0x3FF;
        if (data == 0) {
            // Column 0 selected: a scan begins. The program's idle loop is
            // the one it scans from first after a reset; it is told apart
            // from the printing and computing loops, which scan too, by the
            // address its call of the scan returns to: the calculator's
            // program calls its scan, which calls the routine that clocks
            // the shifter, so that address is two registers below the pc.
            const int32_t call = 1 + s.stack[static_cast<size_t>((s.sp - 2) & 3)];
            if (s.idleCall == 0) s.idleCall = call;
            if (call == s.idleCall) {
                ++s.idleScans;
                s.quietScans = std::min(s.quietScans + 1, 255);
            }
        }
    }
    if ((rising & 4) != 0) s.printShifter = (s.printShifter << 1 | data) & 0xFFFFF;
}

// RDR: ROM chip 1's rows, chip 2's index pulse; the others as they are.
// A key held comes up once the program has read its column.
inline void ReadInputs(Mcs4State& s, int32_t chip) {
    if (chip == 1) {
        int32_t rows = 0;
        for (size_t c = 0; c < s.keysDown.size(); ++c) {
            if ((s.keyShifter >> c & 1) != 0) continue;
            rows |= s.keysDown[c];
            s.keysDown[c] = 0;
        }
        if ((s.keyShifter & 0x100) == 0) rows |= kBusicomPointRows[s.switches[0] & 7u];
        if ((s.keyShifter & 0x200) == 0) rows |= kBusicomRoundingRows[s.switches[1] % 3u];
        s.romIn[1] = static_cast<uint8_t>(rows);
    } else if (chip == 2) {
        s.romIn[2] = static_cast<uint8_t>((s.romIn[2] & 0xE) | (BusicomSector(s.cycles) == 0));
    }
}

// WMP to RAM bank 0, chip 0: the red ribbon, the hammers, the paper feed.
inline void WritePrinter(Mcs4State& s, int32_t before, int32_t after) {
    const int32_t rising = ~before & after;
    if ((after & 1) != 0) s.printRed = 1;
    if ((rising & 2) != 0) {
        const auto struck = static_cast<uint8_t>(BusicomSector(s.cycles) + 1);
        for (size_t k = 0; k < kHammerColumns.size(); ++k) {
            if ((s.printShifter >> k & 1) != 0 && kHammerColumns[k] >= 0) {
                s.printLine[static_cast<size_t>(kHammerColumns[k])] = struck;
            }
        }
        s.quietScans = 0;
    }
    if ((rising & 8) != 0) {
        const auto line = static_cast<size_t>(s.linesPrinted % kBusicomPaperLines);
        auto* out = s.paper.data() + line * (kBusicomColumns + 1);
        std::copy(s.printLine.begin(), s.printLine.end(), out);
        out[kBusicomColumns] = static_cast<uint8_t>(s.printRed);
        ++s.linesPrinted;
        s.printLine.fill(0);
        s.printRed = 0;
        s.quietScans = 0;
    }
}

}  // namespace busicom_detail

// The keys, as the ROMs' README names them, with their legends and places.
struct BusicomKey {
    std::string_view name;    // as --keys takes it: "CM", "+", "000", "<>", "#", "S"
    std::string_view legend;  // as the calculator shows it (UTF-8)
    int32_t column = 0;       // 0..7
    int32_t row = 0;          // 0..3
};

inline constexpr std::array<BusicomKey, 32> kBusicomKeys = {{
    {"CM", "CM", 0, 0},     {"RM", "RM", 0, 1},    {"M-", "M-", 0, 2},    {"M+", "M+", 0, 3},
    {"SQ", "\u221A", 1, 0}, {"%", "%", 1, 1},      {"M=-", "M=-", 1, 2},  {"M=+", "M=+", 1, 3},
    {"<>", "\u25C7", 2, 0}, {"/", "\u00F7", 2, 1}, {"*", "\u00D7", 2, 2}, {"=", "=", 2, 3},
    {"-", "-", 3, 0},       {"+", "+", 3, 1},      {"#", "\u25C6", 3, 2}, {"000", "000", 3, 3},
    {"9", "9", 4, 0},       {"6", "6", 4, 1},      {"3", "3", 4, 2},      {".", ".", 4, 3},
    {"8", "8", 5, 0},       {"5", "5", 5, 1},      {"2", "2", 5, 2},      {"00", "00", 5, 3},
    {"7", "7", 6, 0},       {"4", "4", 6, 1},      {"1", "1", 6, 2},      {"0", "0", 6, 3},
    {"S", "S", 7, 0},       {"EX", "EX", 7, 1},    {"CE", "CE", 7, 2},    {"CL", "CL", 7, 3},
}};

// The key of a name, or nothing.
const BusicomKey* BusicomKeyByName(std::string_view name);
// "CM, RM, ...": every key's name, for a message.
std::string BusicomKeyNames();

// Holds a key down until the program has read its column.
void PressBusicomKey(Mcs4State& state, const BusicomKey& key);
bool BusicomKeyDown(const Mcs4State& state);

enum class BusicomSwitch : uint8_t { DecimalPoint, Rounding };
// Moves a switch to its next position, from the last back to the first.
void StepBusicomSwitch(Mcs4State& state, BusicomSwitch which);
int32_t BusicomSwitchPosition(const Mcs4State& state, BusicomSwitch which);
int32_t BusicomSwitchPositions(BusicomSwitch which);
// The position's text: "0".."6", "8" for the decimal point; "FL" (the point
// floats), "5/4" (rounds off) or "CUT" (cuts off) for the rounding.
std::string_view BusicomSwitchText(int32_t position, BusicomSwitch which);

struct BusicomLampState {
    bool memory = false;
    bool overflow = false;
    bool minus = false;
};
BusicomLampState BusicomLamps(const Mcs4State& state);

// Lines fed since the tape began; the last 64 of them can be read.
int64_t BusicomLinesPrinted(const Mcs4State& state);
struct BusicomLine {
    std::string text;  // 22 characters: 15 digit columns, ' ', column 17 in 2, ' ', 18 in 3
    bool red = false;
};
// Line n (0 the first ever fed); nothing for a line not among the last 64.
std::optional<BusicomLine> BusicomTapeLine(const Mcs4State& state, int64_t n);
// The line being printed, not fed yet.
BusicomLine BusicomLineOnDrum(const Mcs4State& state);

// The program's idle loop has begun 8 keyboard scans in a row with nothing
// printed, and no key is down.
inline constexpr int32_t kBusicomIdleScans = 8;
bool BusicomIdle(const Mcs4State& state);

// What --keys asks: a key, or one step of a switch.
struct BusicomInput {
    const BusicomKey* key = nullptr;  // nullptr: a switch step
    BusicomSwitch step = BusicomSwitch::DecimalPoint;
};
// Reads key names one after another (the longest name that fits first),
// "d" and "r" stepping the switches, commas and blanks between; false
// with the unknown name in `bad`.
bool ParseBusicomKeys(std::string_view text, std::vector<BusicomInput>& inputs, std::string& bad);
