#include "display/state_display.h"

#include <cstddef>

#include "core/hex.h"

namespace {

// The RAM dump's header and rule, with the line end between them.
constexpr char kRamDumpHeading[] =
    "Ad |000102030405060708090A0B0C0D0E0F\r\n"
    "---+--------------------------------";

}  // namespace

void UpdateLeds(const MachineState& state, WindowLayer& layer) {
    const int32_t port = state.ramOutputPorts[1];
    for (int32_t i = 0; i < kLampCount; ++i) {
        layer.ShowImage(Control::kFirstLamp + i,
                        (port >> i) & 1 ? Image::kLampOn : Image::kLampOff);
    }
}

std::string RamDumpText(const MachineState& state) {
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
            AppendHex(text, state.ramCharacters[static_cast<size_t>(row * 16 + column)], 2);
        }
    }
    return text;
}

void RefreshDisplay(const MachineState& state, WindowLayer& layer) {
    layer.SetText(Control::kAccumulator, PlainHex(state.accumulator));
    layer.SetText(Control::kProgramCounter, PlainHex(state.pc));
    layer.SetCheck(Control::kCarry, state.carry == 1 ? 1 : 0);

    for (int32_t n = 0; n < kRegisterCount; ++n) {
        layer.SetText(Control::kFirstRegister + n,
                      PlainHex(state.indexRegisters[static_cast<size_t>(n)]));
    }

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
