#pragma once
// Everything the front end keeps for the whole run of the program: the one
// machine, the opcode tables and the front end's own few variables. Created
// once (in main, or afresh in each test) and passed by reference.

#include <cstdint>
#include <string>

#include "core/machine_state.h"
#include "debug/breakpoints.h"
#include "debug/history.h"
#include "display/opcode_tables.h"

// Run and Animate's end bound until the first program is loaded.
inline constexpr int32_t kProgramLengthBeforeLoading = 32;

struct Workbench {
    MachineState state;
    OpcodeTables tables;
    int32_t listingAddress = 0;  // where the next listing line is disassembled
    int32_t programLength =
        kProgramLengthBeforeLoading;  // end bound of Run and Animate; set by every load
    std::string lastFile;             // the file last asked to open, for Reload; empty for none
    std::string toolkitVersion;       // what the window runs on, for Help > About; may be empty
    std::string loadFolder;           // where the open-file dialog starts; ends in "/"
    Breakpoints breakpoints;          // the user's; loading and Zero ROM keep them
    History history;                  // what Step Back goes back through
    int64_t animationSteps = 0;       // instructions the animation has executed
};

// The one way to change the machine from outside the program (an edit of a
// field, Reset CPU, Zero ROM, a load): it ends the history there, since the
// instructions before cannot be executed again as they were, and returns
// the machine to change.
inline MachineState& ChangeMachine(Workbench& workbench) {
    HistoryBarrier(workbench.history);
    return workbench.state;
}
