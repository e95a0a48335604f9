#include "display/state_display.h"

#include <cstddef>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Appends value as upper-case hex, at least `width` digits. The value is
// taken as unsigned, so a negative field shows its 32-bit pattern, never a
// minus sign.
void AppendHex(std::string& out, int32_t value, int32_t width) {
    auto bits = static_cast<uint32_t>(value);
    char digits[8];
    int32_t count = 0;
    do {
        digits[count++] = kHexDigits[bits & 0xF];
        bits >>= 4;
    } while (bits != 0);
    for (int32_t pad = count; pad < width; ++pad) out += '0';
    while (count > 0) out += digits[--count];
}

// The RAM dump's header and rule, with the line end between them.
constexpr char kRamDumpHeading[] =
    "Ad |000102030405060708090A0B0C0D0E0F\r\n"
    "---+--------------------------------";

}  // namespace

std::string PlainHex(int32_t value) {
    std::string text;
    AppendHex(text, value, 1);
    return text;
}

std::string PaddedHex(int32_t value, int32_t width) {
    std::string text;
    AppendHex(text, value, width);
    return text;
}

std::string RamDumpText(const MachineState& state) {
    std::string text;
    // 18 lines of 36 characters and 17 line ends, as long as every RAM
    // character is a nibble.
    text.reserve(18 * 36 + 17 * 2);
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

    for (int32_t n = 0; n < 16; ++n) {
        layer.SetText(Control::kFirstRegister + n,
                      PlainHex(state.indexRegisters[static_cast<size_t>(n)]));
    }

    layer.ClearLines(Control::kStack);
    const int32_t port = state.ramOutputPorts[1];
    for (int32_t i = 0; i < 4; ++i) {
        if (i < 3) {
            layer.AppendLine(Control::kStack,
                             PaddedHex(state.addressStack[static_cast<size_t>(i)], 3));
        }
        layer.ShowImage(Control::kFirstLamp + i,
                        (port >> i) & 1 ? Image::kLampOn : Image::kLampOff);
    }

    layer.SetText(Control::kSrc,
                  "src1=" + PaddedHex(state.src1, 2) + ",src2=" + PaddedHex(state.src2, 2));

    layer.SelectLine(Control::kStack, state.stackPointer);

    layer.SetText(Control::kRamDump, RamDumpText(state));
}

bool IsHexString(const std::string& text) {
    for (const char c : text) {
        const bool hexDigit =
            (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        if (!hexDigit) return false;
    }
    return true;
}
