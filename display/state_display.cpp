#include "display/state_display.h"

#include <cstddef>
#include <cstdio>
#include <span>

#include "core/hex.h"

namespace {

// The RAM dump's header and rule, with the line end between them.
constexpr char kRamDumpHeading[] =
    "Ad |000102030405060708090A0B0C0D0E0F\r\n"
    "---+--------------------------------";

void ShowLamps(int32_t port, WindowLayer& layer) {
    for (int32_t i = 0; i < kLampCount; ++i) {
        layer.ShowImage(Control::kFirstLamp + i,
                        (port >> i) & 1 ? Image::kLampOn : Image::kLampOff);
    }
}

// The dump of 256 characters, whatever holds them.
template <typename Characters>
std::string DumpText(const Characters& characters) {
    std::string text;
    // The lines and the line ends between them, as long as every RAM
    // character is a nibble.
    text.reserve(kRamDumpLines * kRamDumpColumns + (kRamDumpLines - 1) * 2);
    text += kRamDumpHeading;
    for (int32_t row = 0; row < 16; ++row) {
        text += "\r\n";
        AppendHex(text, row * 16, 3);
        text += '|';
        for (int32_t column = 0; column < 16; ++column) {
            AppendHex(text, characters[static_cast<size_t>(row * 16 + column)], 2);
        }
    }
    return text;
}

// The stack list: the entries as three hex digits, the given one selected.
template <typename Entries>
void ShowStack(const Entries& entries, int32_t count, int32_t selected, WindowLayer& layer) {
    layer.ClearLines(Control::kStack);
    for (int32_t i = 0; i < count; ++i) {
        layer.AppendLine(Control::kStack, PaddedHex(entries[static_cast<size_t>(i)], 3));
    }
    layer.SelectLine(Control::kStack, selected);
}

// The fields of the registers, the accumulator and the program counter,
// and the carry box.
template <typename Registers>
void ShowRegisters(const Registers& registers, int32_t accumulator, int32_t pc, int32_t carry,
                   WindowLayer& layer) {
    layer.SetText(Control::kAccumulator, PlainHex(accumulator));
    layer.SetText(Control::kProgramCounter, PlainHex(pc));
    layer.SetCheck(Control::kCarry, carry == 1 ? 1 : 0);
    for (int32_t n = 0; n < kRegisterCount; ++n) {
        layer.SetText(Control::kFirstRegister + n, PlainHex(registers[static_cast<size_t>(n)]));
    }
}

}  // namespace

void UpdateLeds(const MachineState& state, WindowLayer& layer) {
    ShowLamps(state.ramOutputPorts[1], layer);
}

std::string RamDumpText(const MachineState& state) {
    return DumpText(state.ramCharacters);
}

void UpdateLeds(const Mcs4State& state, WindowLayer& layer) {
    ShowLamps(state.ramPorts[1], layer);
}

std::string RamDumpText(const Mcs4State& state, int32_t bank) {
    return DumpText(std::span(state.ram).subspan(
        static_cast<size_t>(bank & 7) * kMcs4BankCharacters, kMcs4BankCharacters));
}

std::string Mcs4SrcText(const Mcs4State& state) {
    return "src=" + PaddedHex(state.src, 2) + " bank=" + PlainHex(state.cr) +
           " latched=" + PaddedHex(state.bankSrc[static_cast<size_t>(state.cr & 7)], 2);
}

void RefreshDisplay(const Mcs4State& state, WindowLayer& layer) {
    ShowRegisters(state.regs, state.acc, Mcs4Pc(state), state.cy, layer);
    ShowStack(state.stack, 4, state.sp, layer);
    UpdateLeds(state, layer);
    layer.SetText(Control::kSrc, Mcs4SrcText(state));
    layer.SetText(Control::kRamDump, RamDumpText(state, state.cr));
}

void RefreshDisplay(const MachineState& state, WindowLayer& layer) {
    ShowRegisters(state.indexRegisters, state.accumulator, state.pc, state.carry, layer);
    // The stack's lines, the lamps, the SRC line, then the selection: the
    // order the window has always been written in.
    layer.ClearLines(Control::kStack);
    for (int32_t i = 0; i < kStackSlots; ++i) {
        layer.AppendLine(Control::kStack, PaddedHex(state.addressStack[static_cast<size_t>(i)], 3));
    }
    UpdateLeds(state, layer);
    layer.SetText(Control::kSrc,
                  "src1=" + PaddedHex(state.src1, 2) + ",src2=" + PaddedHex(state.src2, 2));
    layer.SelectLine(Control::kStack, state.stackPointer);
    layer.SetText(Control::kRamDump, RamDumpText(state));
}

std::string Mcs4RamText(const Mcs4State& state, int32_t bank) {
    std::string text = "c.r 0123456789ABCDEF 0123\r\n--- ---------------- ----";
    const size_t first = static_cast<size_t>(bank & 7) * 16;
    for (size_t reg = first; reg < first + 16; ++reg) {
        text += "\r\n";
        text += std::to_string(reg >> 2 & 3) + "." + std::to_string(reg & 3) + " ";
        for (size_t k = 0; k < 16; ++k) AppendHex(text, state.ram[reg * 16 + k], 1);
        text += ' ';
        for (size_t k = 0; k < 4; ++k) AppendHex(text, state.status[reg * 4 + k], 1);
    }
    return text;
}

std::string Mcs4PortsText(const Mcs4State& state) {
    std::string text = "RAM ports  chip 0 1 2 3";
    for (size_t bank = 0; bank < kMcs4Banks; ++bank) {
        text += "\r\nbank " + std::to_string(bank) + "          ";
        for (size_t chip = 0; chip < kMcs4ChipsPerBank; ++chip) {
            text += ' ';
            AppendHex(text, state.ramPorts[bank * 4 + chip], 1);
        }
    }
    text += "\r\n\r\nROM latches 0123456789ABCDEF\r\n            ";
    for (const uint8_t latch : state.romOut) AppendHex(text, latch, 1);
    return text;
}

std::string Mcs4CyclesText(const Mcs4State& state) {
    const double milliseconds = static_cast<double>(state.cycles) * kMcs4CycleNanoseconds / 1e6;
    char time[32];
    std::snprintf(time, sizeof time, "%.3f", milliseconds);
    return "cycles " + std::to_string(state.cycles) + ", " + time + " ms at 740 kHz";
}

void RefreshMcs4Window(const Mcs4State& state, int32_t bank, bool followBank, WindowLayer& layer) {
    layer.SelectLine(Mcs4Control::kBanks, bank);
    layer.SetCheck(Mcs4Control::kFollowBank, followBank ? 1 : 0);
    layer.SetText(Mcs4Control::kRam, Mcs4RamText(state, bank));
    layer.SetText(Mcs4Control::kPorts, Mcs4PortsText(state));
    layer.SetText(Mcs4Control::kCycles, Mcs4CyclesText(state));
    layer.SetCheck(Mcs4Control::kTest, state.test);
    for (int32_t chip = 0; chip < kMcs4RomChips; ++chip) {
        layer.SetText(Mcs4Control::kFirstRomIn + chip,
                      PlainHex(state.romIn[static_cast<size_t>(chip)]));
    }
}
