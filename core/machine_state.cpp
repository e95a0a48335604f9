#include "core/machine_state.h"

#include <algorithm>

void ResetCpu(MachineState& state) {
    state.pc = 0;
    state.accumulator = 0;
    state.carry = 0;
    state.stackPointer = 0;
    state.testFlag = 0;
    state.src1 = 0;
    state.src2 = 0;
    // ramBank, running and the ROM ports survive a reset.

    state.indexRegisters.fill(0);
    // Entries 0..3 only: entry 3 is spare but cleared, entry 4 is left alone
    // (likewise the last entry of ramCharacters).
    std::fill_n(state.addressStack.begin(), 4, 0);
    std::fill_n(state.ramOutputPorts.begin(), 4, 0);
    std::fill_n(state.ramStatus.begin(), 4, 0);
    std::fill_n(state.ramCharacters.begin(), 256, 0);
}

void ZeroRom(MachineState& state) {
    // The 65536 loadable addresses; the spare entry 65536 keeps its value.
    std::fill_n(state.RomImage.begin(), kProgramBytes, 0);
}
