#pragma once
#include "core/machine_state.h"
#include "core/messages.h"

// Fetches and executes exactly one instruction at state.pc. On an opcode it
// does not execute (an undefined JCN condition, 0x01..0x0F, WPM, 0xFE, 0xFF)
// it shows a message, clears running and leaves pc just past the opcode.
void StepInstruction(MachineState& state, Messages& messages);
