#pragma once
// The history behind Step Back: what lets the debugger put the machine back
// exactly as it was before each of the last instructions executed, whichever
// command executed them.
//
// The machine is deterministic and instructions never write program memory;
// nothing writes the ROM input ports or the test flag either. So the history
// keeps a copy of everything but program memory (a snapshot, about 1.3 KB)
// every kSnapshotInterval instructions, and steps back by restoring the
// newest snapshot before the wanted moment and executing again from there:
// recording costs a count per instruction and a copy now and then, and a
// step back at most kSnapshotInterval - 1 instructions.
//
// Anything else that changes the machine (a user's edit of a field, Reset
// CPU, Zero ROM, loading) must end the history with HistoryBarrier: the
// instructions before it cannot be executed again as they were, so Step
// Back stops there.
//
// The snapshots form a ring: once it is full the oldest gives way, so the
// history always reaches back at least kHistoryInstructions - kSnapshotInterval
// + 1 instructions (when not cut short by a barrier).

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/machine_state.h"

// Every field of MachineState but RomImage.
struct MachineSnapshot {
    int32_t pc;
    int32_t accumulator;
    int32_t carry;
    int32_t stackPointer;
    int32_t testFlag;
    int32_t src1;
    int32_t src2;
    int32_t ramBank;
    int32_t running;
    std::array<int32_t, 16> indexRegisters;
    std::array<int32_t, 5> addressStack;
    std::array<int32_t, 257> ramCharacters;
    std::array<int32_t, 5> ramStatus;
    std::array<int32_t, 5> ramOutputPorts;
    std::array<int32_t, 17> romInputPorts;
    std::array<int32_t, 17> romOutputPorts;
};
// A field added to the machine must be added to the snapshot too.
static_assert(sizeof(MachineSnapshot) + sizeof(MachineState::RomImage) == sizeof(MachineState));

void TakeSnapshot(const MachineState& state, MachineSnapshot& snapshot);
void RestoreSnapshot(const MachineSnapshot& snapshot, MachineState& state);
// Whether two machines agree in every field but RomImage.
bool SameBesidesProgram(const MachineState& a, const MachineState& b);

// A power of two: re-executing up to 4095 instructions takes some 15
// microseconds, and a copy per 4096 instructions costs a Run about one
// percent. A Run in the window takes its events at the snapshots too.
inline constexpr int32_t kSnapshotInterval = 4096;
inline constexpr int64_t kHistoryInstructions = int64_t{1} << 22;
inline constexpr size_t kHistorySnapshots = kHistoryInstructions / kSnapshotInterval + 1;
static_assert(kHistoryInstructions - kSnapshotInterval + 1 >= 1048576,
              "the history must reach back at least 1,048,576 instructions");
static_assert(kHistorySnapshots * sizeof(MachineSnapshot) <= size_t{64} << 20,
              "the history may use at most 64 MB");

struct History {
    // The ring: slots are added as it grows, up to kHistorySnapshots, and
    // reused after a barrier. Every snapshot but the newest is followed by
    // exactly kSnapshotInterval instructions.
    std::vector<MachineSnapshot> snapshots;
    size_t first = 0;       // slot of the oldest snapshot
    size_t size = 0;        // snapshots held; 0 before anything is recorded
    int32_t sinceLast = 0;  // instructions executed after the newest snapshot
    int64_t barriers = 0;   // HistoryBarrier calls so far: tells one history from the next
};

// Called before executing anything that is to be recorded: after a barrier
// (or at the very start) the current state becomes the start of the history.
void BeginRecording(History& history, const MachineState& state);

// Called after every instruction executed since BeginRecording, with the
// state the instruction left. (A Run counts the interval itself and calls
// TakeIntervalSnapshot when it is complete.)
void TakeIntervalSnapshot(History& history, const MachineState& state);
inline void RecordStep(History& history, const MachineState& state) {
    if (++history.sinceLast == kSnapshotInterval) [[unlikely]]
        TakeIntervalSnapshot(history, state);
}

// Forgets everything recorded: Step Back cannot go back across this point.
void HistoryBarrier(History& history);

// How many instructions Step Back can undo from here.
int64_t HistoryLength(const History& history);

// Puts the machine back as it was before the last instruction recorded and
// forgets that instruction, so that executing on records from there. Every
// field but RomImage (which instructions never write) is restored, except
// `running`, which is left as it stands: whether something is running is up
// to the command. False, with the machine untouched, at the start of the
// history or right after a barrier.
bool StepBack(History& history, MachineState& state);
