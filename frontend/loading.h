#pragma once
// Filling the program memory: from a program image file, from a built-in
// example, or by clearing it. None of them resets the processor or refreshes
// the register fields; each rebuilds the listing from address 0 and follows
// the program counter.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "frontend/workbench.h"
#include "platform/window_layer.h"

// Asks for a program file and loads it: a program image as it is, a source
// file (its name ending in ".asm", any case) as the assembler turns it into
// bytes. Refused with a message, and nothing changed, when an image is more
// than 65536 bytes, a source has errors, or either is no readable regular
// file.
void LoadProgramFile(Workbench& workbench, WindowLayer& layer);
// Loads the file at `path` as Open does after its dialog.
void LoadProgramPath(Workbench& workbench, WindowLayer& layer, const std::string& path);
// Opens the file last asked to open again, from the same path, as Open
// would; nothing when no file was asked for yet. Examples do not count.
void ReloadProgramFile(Workbench& workbench, WindowLayer& layer);
void LoadExample(Workbench& workbench, WindowLayer& layer, std::span<const int32_t> example);
void ZeroRomCommand(Workbench& workbench, WindowLayer& layer);
