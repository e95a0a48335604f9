#pragma once
// The Intel MCS-4 system: a 4004 as Intel's documents describe it, with its
// 4001 ROMs and 4002 RAMs, beside the compatible machine (machine_state.h),
// which is deliberately smaller. What this machine has that the other has
// not:
// - all sixteen JCN conditions, by Intel's equation (bit 3 inverts the OR
//   of the tests it selects), and a TEST input pin: condition 1 jumps when
//   the pin is 0;
// - a 12-bit program counter that wraps from 0xFFF to 0x000, page-relative
//   jumps and FIN in the page of the incremented pc, wrap included;
// - four 12-bit address registers, one of them the program counter, and a
//   2-bit pointer: a fourth nested JMS loses the oldest return, a BBL with
//   nothing pushed returns through the register below; nothing is zeroed;
// - 8 RAM banks chosen by DCL (bank = ACC & 7), each of 4 chips x 4
//   registers x (16 characters + 4 status characters) and one output port
//   per chip; a bank latches the SRC address only while it is selected;
// - 16 ROM chips of 256 bytes, each with a 4-bit output latch (WRR) and 4
//   separate input lines (RDR reads the lines, never the latch);
// - WPM and the undefined opcodes (0x01..0x0F, 0xFE, 0xFF) as one-cycle
//   no-operations; an instruction-cycle count (JCN, FIM, JUN, JMS, ISZ and
//   FIN take 2, all others 1; a cycle is 8 clocks, 10.8 us at 740 kHz).
// Every field holds exactly its own width: nothing here is ever typed in
// unmasked. The board a program runs on decides what drives the inputs
// (Mcs4Board).

#include <array>
#include <cstdint>
#include <string_view>
#include <tuple>

#include "core/fields.h"

inline constexpr int32_t kMcs4RomBytes = 4096;
inline constexpr int32_t kMcs4Banks = 8;
inline constexpr int32_t kMcs4ChipsPerBank = 4;
inline constexpr int32_t kMcs4BankCharacters = 256;  // 4 chips x 4 registers x 16
inline constexpr int32_t kMcs4BankStatus = 64;       // 4 chips x 4 registers x 4
inline constexpr int32_t kMcs4RomChips = 16;
inline constexpr int32_t kBusicomKeyColumns = 8;   // the switches are columns 8 and 9
inline constexpr int32_t kBusicomColumns = 18;     // printer columns 1..18
inline constexpr int32_t kBusicomPaperLines = 64;  // printed lines kept
// One instruction cycle: 8 clocks of the 740 kHz clock, in nanoseconds.
inline constexpr double kMcs4CycleNanoseconds = 8.0 / 740e3 * 1e9;

struct Mcs4State {
    int64_t cycles = 0;                // instruction cycles since the last reset
    std::array<int32_t, 4> stack{};    // the address registers; stack[sp] is the program counter
    int32_t sp = 0;                    // the pointer, 0..3
    int32_t acc = 0;                   // the accumulator, 0..15
    int32_t cy = 0;                    // the carry/link, 0 or 1
    int32_t cr = 0;                    // the RAM bank DCL selected, 0..7
    int32_t src = 0;                   // the address SRC last sent, 0..0xFF: ROM ports use it
    int32_t test = 0;                  // the TEST pin's level, 0 or 1: an input
    int32_t depth = 0;                 // returns a BBL can take, 0..3: JMS adds, BBL takes
    int32_t running = 0;               // 1 while a Run or an animation is in progress
    std::array<int32_t, 16> regs{};    // R0..R15; pair k is R(2k) (high nibble), R(2k+1)
    std::array<int32_t, 8> bankSrc{};  // each bank's latched SRC address
    std::array<uint8_t, kMcs4Banks * kMcs4BankCharacters> ram{};  // bank << 8 | SRC address
    std::array<uint8_t, kMcs4Banks * kMcs4BankStatus>
        status{};  // bank << 6 | chip/register << 2 | n
    std::array<uint8_t, kMcs4Banks * kMcs4ChipsPerBank> ramPorts{};  // bank << 2 | chip
    std::array<uint8_t, kMcs4RomChips> romOut{};                     // each 4001's output latch
    std::array<uint8_t, kMcs4RomChips> romIn{};  // each 4001's input lines: an input
    std::array<int32_t, kMcs4RomBytes> rom{};    // program memory as the processor sees it
    // The Busicom 141-PF board (core/busicom.h); zero and unused on the others.
    int64_t idleScans = 0;     // keyboard scans the program's idle loop has begun
    int64_t linesPrinted = 0;  // lines the paper has been fed by
    int32_t keyShifter = 0;    // the keyboard 4003's outputs: bit k is column k, 0 selects it
    int32_t printShifter = 0;  // the two printer 4003s' outputs, 20 bits: 1 arms a hammer
    int32_t printRed = 0;      // 1 once the red ribbon was chosen for the line on the drum
    int32_t quietScans = 0;    // idle-loop scans since the printer last moved, up to 255
    int32_t idleCall = 0;      // 1 + where the idle loop's scans return to, 0 before the first
    std::array<uint8_t, kBusicomKeyColumns> keysDown{};  // each key column's rows held
    std::array<uint8_t, 2> switches{};  // the decimal-point and the rounding switch's position
    std::array<uint8_t, kBusicomColumns> printLine{};  // per column, 1 + the sector struck, or 0
    // The paper: the last 64 lines, line n at (n % 64) * 19, 18 columns as
    // printLine and then its red flag.
    std::array<uint8_t, kBusicomPaperLines*(kBusicomColumns + 1)> paper{};
};

// Every field with its width; the RAM, its status characters and the ports
// are written out by bank, chip and register.
template <>
inline constexpr auto kStateFields<Mcs4State> = std::tuple{
    StateField{"cycles", &Mcs4State::cycles, FieldRole::Register, 0, INT64_MAX},
    StateField{"stack", &Mcs4State::stack, FieldRole::Register, 0, 0xFFF},
    StateField{"sp", &Mcs4State::sp, FieldRole::Register, 0, 3},
    StateField{"acc", &Mcs4State::acc, FieldRole::Register, 0, 15},
    StateField{"cy", &Mcs4State::cy, FieldRole::Register, 0, 1},
    StateField{"cr", &Mcs4State::cr, FieldRole::Register, 0, 7},
    StateField{"src", &Mcs4State::src, FieldRole::Register, 0, 0xFF},
    StateField{"test", &Mcs4State::test, FieldRole::Register, 0, 1},
    StateField{"depth", &Mcs4State::depth, FieldRole::Register, 0, 3},
    StateField{"running", &Mcs4State::running, FieldRole::Control, 0, 1},
    StateField{"regs", &Mcs4State::regs, FieldRole::Register, 0, 15},
    StateField{"bankSrc", &Mcs4State::bankSrc, FieldRole::Register, 0, 0xFF},
    StateField{"ram", &Mcs4State::ram, FieldRole::Memory, 0, 15, KeyedForm{{8, 4, 4}, 16}},
    StateField{"status", &Mcs4State::status, FieldRole::Memory, 0, 15, KeyedForm{{8, 4, 4}, 4}},
    StateField{"ramPorts", &Mcs4State::ramPorts, FieldRole::Memory, 0, 15, KeyedForm{{8, 4, 0}, 1}},
    StateField{"romOut", &Mcs4State::romOut, FieldRole::Memory, 0, 15, KeyedForm{{16, 0, 0}, 1}},
    StateField{"romIn", &Mcs4State::romIn, FieldRole::Memory, 0, 15, KeyedForm{{16, 0, 0}, 1}},
    StateField{"rom", &Mcs4State::rom, FieldRole::Program, 0, 255},
    StateField{"idleScans", &Mcs4State::idleScans, FieldRole::Register, 0, INT64_MAX},
    StateField{"linesPrinted", &Mcs4State::linesPrinted, FieldRole::Register, 0, INT64_MAX},
    StateField{"keyShifter", &Mcs4State::keyShifter, FieldRole::Register, 0, 0x3FF},
    StateField{"printShifter", &Mcs4State::printShifter, FieldRole::Register, 0, 0xFFFFF},
    StateField{"printRed", &Mcs4State::printRed, FieldRole::Register, 0, 1},
    StateField{"quietScans", &Mcs4State::quietScans, FieldRole::Register, 0, 255},
    StateField{"idleCall", &Mcs4State::idleCall, FieldRole::Register, 0, 0x1000},
    StateField{"keysDown", &Mcs4State::keysDown, FieldRole::Memory, 0, 15},
    StateField{"switches", &Mcs4State::switches, FieldRole::Memory, 0, 7},
    StateField{"printLine", &Mcs4State::printLine, FieldRole::Memory, 0, 13},
    StateField{"paper", &Mcs4State::paper, FieldRole::Memory, 0, 13,
               KeyedForm{{kBusicomPaperLines, 0, 0}, kBusicomColumns + 1}},
};
static_assert(StateFieldBytes<Mcs4State>() == sizeof(Mcs4State),
              "a field of Mcs4State is missing from its list");

// How the board around the chips wires their pins.
enum class Mcs4Board : uint8_t {
    Plain,      // TEST and the ROM input lines are the user's
    Exerciser,  // Intel's 4001-0009 exerciser: the first 256 bytes answer in every
                // page, and TEST follows bit 0 of RAM bank 0, chip 0's output port
    Busicom,    // the Busicom 141-PF calculator: keyboard, printer drum and lamps
};

inline int32_t Mcs4Pc(const Mcs4State& state) {
    return state.stack[static_cast<size_t>(state.sp & 3)];
}

// Clears everything but the program, the inputs (TEST, the ROM input
// lines), `running` and what is outside the Busicom's chips (the keys held,
// the switches, the paper and the line on it): the registers, the address registers and their
// pointer, the bank (0) and every SRC latch, the RAM with its status
// characters, the output ports and latches, the cycle count, the 4003s
// and the scan counts. A board that drives TEST sets it as it is after.
void ResetMcs4(Mcs4State& state, Mcs4Board board);

// Puts a program into ROM as the board wires it: `bytes` (at most 4096)
// from address 0, the rest of ROM kept; on the exerciser board the first
// 256 bytes of the image answer in all sixteen pages.
void LoadMcs4Rom(Mcs4State& state, Mcs4Board board, const int32_t* bytes, int32_t count);

// Clears all of ROM.
void ZeroMcs4Rom(Mcs4State& state);

// The opcodes the 4004 does not have: 0x01..0x0F, 0xFE, 0xFF.
constexpr bool IsUndefinedMcs4Opcode(int32_t opcode) {
    return (opcode >= 0x01 && opcode <= 0x0F) || opcode >= 0xFE;
}
