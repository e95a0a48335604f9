#pragma once
// Everything the front end keeps for the whole run of the program: the
// machines, the opcode tables and the front end's own variables. Created
// once (in main, or afresh in each test) and passed by reference.
//
// Both machines live here for good; `machine` says which one the window
// shows and runs. The compatible machine's RomImage holds the program for
// every machine: loading, the examples and Zero ROM write it, and the
// MCS-4 system's ROM is the board's view of its first 4 KiB
// (SyncMcs4Rom), so that switching machines and back loses nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "asm/assembler.h"
#include "core/busicom.h"
#include "core/cpus.h"
#include "core/machine_state.h"
#include "core/mcs4.h"
#include "debug/breakpoints.h"
#include "debug/debug_run.h"
#include "debug/history.h"
#include "display/disassembler.h"
#include "display/opcode_tables.h"
#include "display/symbols.h"
#include "frontend/source_map.h"

// Run and Animate's end bound until the first program is loaded.
inline constexpr int32_t kProgramLengthBeforeLoading = 32;

struct Workbench {
    MachineKind machine = MachineKind::Compatible;
    MachineState state;  // the compatible machine; its RomImage is every machine's program
    Mcs4State mcs4;      // the MCS-4 system
    OpcodeTables tables;
    OpcodeTables mcs4Tables;     // the same with the chip's condition names
    int32_t listingAddress = 0;  // where the next listing line is disassembled
    int32_t programLength =
        kProgramLengthBeforeLoading;  // end bound of Run and Animate; set by every load
    std::string lastFile;             // the file last asked to open, for Reload; empty for none
    // The rules sources are read by: chosen on the command line for every
    // source, else those the last file was read by, for its Reload.
    std::optional<AsmSyntax> syntax;
    std::optional<AsmSyntax> reloadSyntax;
    std::string toolkitVersion;  // what the window runs on, for Help > About; may be empty
    std::string loadFolder;      // where the open-file dialog starts; ends in "/"
    Breakpoints breakpoints;     // the user's; loading, Zero ROM and machines keep them
    ProgramSymbols symbols;      // the program's labels and source lines; empty for none
    History history;             // what Step Back goes back through, per machine
    HistoryOf<Mcs4State> mcs4History;
    DebugStops stops;              // the MCS-4 system's optional stops, as the Debug menu sets them
    int64_t animationSteps = 0;    // instructions the animation has executed
    int32_t shownBank = -1;        // the bank the MCS-4 window shows; -1 follows DCL
    bool mcs4WindowBuilt = false;  // the MCS-4 window is open, shown or hidden
    bool mcs4WindowShown = false;
    // The program's source, when it came from one, as the Source window
    // shows it; `source` is empty for any other program.
    SourceMap source;
    std::string sourcePath;             // the file it was read from; empty for none
    std::vector<int32_t> warningLines;  // the Warnings list's lines: each one's source line
    std::string sourceStatus;           // why the last run stopped, or what a reload dropped
    std::string lastFind;               // what Find looked for last
    int32_t currentLine = -1;           // the source line marked as the one executing
    bool sourceWindowBuilt = false;     // the Source window is open, shown or hidden
    bool sourceWindowShown = false;
    bool reloadOnChange = true;  // File > Reload on Change: a source saved is loaded again
    std::string loadedPath;      // the file the program in memory came from; empty for none
    // A Run of the MCS-4 machines: 0 at full speed, else keeping real time
    // at that many times the chip's pace. The compatible machine's Run is
    // always at full speed.
    int32_t speed = 0;
    bool busicomWindowBuilt = false;  // the calculator's window is open, shown or hidden
    bool busicomWindowShown = false;
    std::vector<BusicomLine> tape;  // every line the calculator printed, as its window shows them
    size_t tapeShown = 0;           // lines of `tape` in the window's list
};

// The one way to change a machine from outside the program (an edit of a
// field or an input, Reset CPU, Zero ROM, a load): it ends that machine's
// history there, since the instructions before cannot be executed again as
// they were, and returns the machine to change.
inline MachineState& ChangeMachine(Workbench& workbench) {
    HistoryBarrier(workbench.history);
    return workbench.state;
}
inline Mcs4State& ChangeMcs4(Workbench& workbench) {
    HistoryBarrier(workbench.mcs4History);
    return workbench.mcs4;
}

// The state and the history of a machine type (core/cpus.h).
template <typename Cpu>
typename Cpu::State& StateOf(Workbench& workbench) {
    if constexpr (Cpu::kMcs4) {
        return workbench.mcs4;
    } else {
        return workbench.state;
    }
}
template <typename Cpu>
HistoryOf<typename Cpu::State>& HistoryFor(Workbench& workbench) {
    if constexpr (Cpu::kMcs4) {
        return workbench.mcs4History;
    } else {
        return workbench.history;
    }
}

inline bool Mcs4Chosen(const Workbench& workbench) {
    return IsMcs4(workbench.machine);
}

// What the window shows of the machine chosen: its running flag, its
// program counter, its program memory and the tables that name it.
inline int32_t& Running(Workbench& workbench) {
    return Mcs4Chosen(workbench) ? workbench.mcs4.running : workbench.state.running;
}
inline int32_t CurrentPc(const Workbench& workbench) {
    return Mcs4Chosen(workbench) ? Mcs4Pc(workbench.mcs4) : workbench.state.pc;
}
inline ProgramView CurrentProgram(const Workbench& workbench) {
    return Mcs4Chosen(workbench) ? ViewOf(workbench.mcs4) : ViewOf(workbench.state);
}
inline const OpcodeTables& CurrentTables(const Workbench& workbench) {
    return Mcs4Chosen(workbench) ? workbench.mcs4Tables : workbench.tables;
}

// The MCS-4 system's ROM made anew from the program, as its board wires it:
// after the program or the board changed, which is a change from outside.
inline void SyncMcs4Rom(Workbench& workbench) {
    Mcs4State& mcs4 = ChangeMcs4(workbench);
    ZeroMcs4Rom(mcs4);
    LoadMcs4Rom(mcs4, BoardOf(workbench.machine), workbench.state.RomImage.data(), kMcs4RomBytes);
}
