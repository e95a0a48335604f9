#pragma once
// Writes the machine state into the window's controls.

#include <cstdint>
#include <string>

#include "core/machine_state.h"
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
