#pragma once
// Writes the machine state into the window's controls.

#include <cstdint>
#include <string>

#include "core/machine_state.h"
#include "frontend/controls.h"
#include "platform/window_layer.h"

// Upper-case hexadecimal without leading zeros ("0" for zero). Values are
// shown as unsigned: a field never reads negative.
std::string PlainHex(int32_t value);
// Upper-case hexadecimal padded on the left with "0" to `width` characters;
// longer values keep all their digits.
std::string PaddedHex(int32_t value, int32_t width);

// Writes every field, the carry box, the stack list, the lamps, the SRC line
// and the RAM dump.
void RefreshDisplay(const MachineState& state, WindowLayer& layer);

// Writes the four lamps only: lamp 38 + i shows bit i of RAM output port 1.
// Called after every instruction of a Run, so it stays inline.
inline void UpdateLeds(const MachineState& state, WindowLayer& layer) {
    const int32_t port = state.ramOutputPorts[1];
    for (int32_t i = 0; i < 4; ++i) {
        layer.ShowImage(Control::kFirstLamp + i,
                        (port >> i) & 1 ? Image::kLampOn : Image::kLampOff);
    }
}

// The RAM dump: a header, a rule and sixteen rows of sixteen characters,
// lines separated by "\r\n", none after the last.
std::string RamDumpText(const MachineState& state);

// True when every character is a hexadecimal digit, either case (also for
// the empty text).
bool IsHexString(const std::string& text);
