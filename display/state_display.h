#pragma once
// Writes the machine state into the window's controls.

#include <cstdint>
#include <string>

#include "core/machine_state.h"
#include "core/mcs4.h"
#include "display/controls.h"
#include "platform/window_layer.h"

// Writes every field, the carry box, the stack list, the lamps, the SRC line
// and the RAM dump.
void RefreshDisplay(const MachineState& state, WindowLayer& layer);

// Writes the four lamps only: lamp 38 + i shows bit i of RAM output port 1.
// A Run calls it when an instruction has changed the port.
void UpdateLeds(const MachineState& state, WindowLayer& layer);

// The RAM dump's size: a header, a rule and a row per sixteen characters,
// each line as wide as the header.
inline constexpr int32_t kRamDumpLines = 18;
inline constexpr int32_t kRamDumpColumns = 36;

// The RAM dump: a header, a rule and sixteen rows of sixteen characters,
// lines separated by "\r\n", none after the last.
std::string RamDumpText(const MachineState& state);

// The MCS-4 system in the same controls: R0..R15, the accumulator, the
// carry, the program counter, the four address registers with the pointer's
// selected, the lamps from RAM bank 0, chip 1's output port (where the
// Busicom has its lamps), the SRC line and the RAM dump of the selected bank.
void RefreshDisplay(const Mcs4State& state, WindowLayer& layer);
void UpdateLeds(const Mcs4State& state, WindowLayer& layer);
// The RAM dump of one bank of the MCS-4 system: character k of the dump is
// the character at SRC address k.
std::string RamDumpText(const Mcs4State& state, int32_t bank);
// The SRC line: the address SRC last sent, the selected bank and its latch.
std::string Mcs4SrcText(const Mcs4State& state);

// The MCS-4 window's texts. The RAM: a line per chip and register of one
// bank, its sixteen characters and four status characters. The ports: the
// 32 RAM output ports by bank and chip, and the 16 ROM output latches. The
// cycles: the count and the time the chip took at 740 kHz.
std::string Mcs4RamText(const Mcs4State& state, int32_t bank);
std::string Mcs4PortsText(const Mcs4State& state);
std::string Mcs4CyclesText(const Mcs4State& state);

// Writes the MCS-4 window's controls: the texts above for `bank`, the bank
// list's selection, the follow box (checked when `followBank`), the TEST box
// and the ROM input lines.
void RefreshMcs4Window(const Mcs4State& state, int32_t bank, bool followBank, WindowLayer& layer);
