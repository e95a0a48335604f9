#pragma once
// Filling the program memory: from a program image file, from a built-in
// example, or by clearing it. None of them resets the processor or refreshes
// the register fields; each rebuilds the listing from address 0 and follows
// the program counter.

#include <cstdint>
#include <span>

#include "frontend/debugger.h"
#include "platform/window_layer.h"

void LoadProgramFile(Debugger& debugger, WindowLayer& layer);
void LoadExample(Debugger& debugger, WindowLayer& layer, std::span<const int32_t> example);
void ZeroRomCommand(Debugger& debugger, WindowLayer& layer);
