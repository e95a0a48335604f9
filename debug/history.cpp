#include "debug/history.h"

#include <string>

#include "core/instruction.h"
#include "core/messages.h"

namespace {

// Re-executed instructions already showed their messages the first time.
struct DiscardedMessages : Messages {
    void Show(const std::string& /*title*/, const std::string& /*text*/) override {}
};

MachineSnapshot& Newest(History& history) {
    return history.snapshots[(history.first + history.size - 1) % kHistorySnapshots];
}

void PushSnapshot(History& history, const MachineState& state) {
    if (history.snapshots.capacity() < kHistorySnapshots) {
        // Reserved whole once; the pages are only touched as the ring fills.
        history.snapshots.reserve(kHistorySnapshots);
    }
    if (history.size == kHistorySnapshots) {
        // Full: the oldest gives way and the next oldest starts the history.
        history.first = (history.first + 1) % kHistorySnapshots;
        --history.size;
    }
    const size_t slot = (history.first + history.size) % kHistorySnapshots;
    if (slot == history.snapshots.size()) history.snapshots.emplace_back();
    TakeSnapshot(state, history.snapshots[slot]);
    ++history.size;
    history.sinceLast = 0;
}

}  // namespace

void TakeSnapshot(const MachineState& state, MachineSnapshot& snapshot) {
    snapshot.pc = state.pc;
    snapshot.accumulator = state.accumulator;
    snapshot.carry = state.carry;
    snapshot.stackPointer = state.stackPointer;
    snapshot.testFlag = state.testFlag;
    snapshot.src1 = state.src1;
    snapshot.src2 = state.src2;
    snapshot.ramBank = state.ramBank;
    snapshot.running = state.running;
    snapshot.indexRegisters = state.indexRegisters;
    snapshot.addressStack = state.addressStack;
    snapshot.ramCharacters = state.ramCharacters;
    snapshot.ramStatus = state.ramStatus;
    snapshot.ramOutputPorts = state.ramOutputPorts;
    snapshot.romInputPorts = state.romInputPorts;
    snapshot.romOutputPorts = state.romOutputPorts;
}

void RestoreSnapshot(const MachineSnapshot& snapshot, MachineState& state) {
    state.pc = snapshot.pc;
    state.accumulator = snapshot.accumulator;
    state.carry = snapshot.carry;
    state.stackPointer = snapshot.stackPointer;
    state.testFlag = snapshot.testFlag;
    state.src1 = snapshot.src1;
    state.src2 = snapshot.src2;
    state.ramBank = snapshot.ramBank;
    state.running = snapshot.running;
    state.indexRegisters = snapshot.indexRegisters;
    state.addressStack = snapshot.addressStack;
    state.ramCharacters = snapshot.ramCharacters;
    state.ramStatus = snapshot.ramStatus;
    state.ramOutputPorts = snapshot.ramOutputPorts;
    state.romInputPorts = snapshot.romInputPorts;
    state.romOutputPorts = snapshot.romOutputPorts;
}

bool SameBesidesProgram(const MachineState& a, const MachineState& b) {
    return a.pc == b.pc && a.accumulator == b.accumulator && a.carry == b.carry &&
           a.stackPointer == b.stackPointer && a.testFlag == b.testFlag && a.src1 == b.src1 &&
           a.src2 == b.src2 && a.ramBank == b.ramBank && a.running == b.running &&
           a.indexRegisters == b.indexRegisters && a.addressStack == b.addressStack &&
           a.ramCharacters == b.ramCharacters && a.ramStatus == b.ramStatus &&
           a.ramOutputPorts == b.ramOutputPorts && a.romInputPorts == b.romInputPorts &&
           a.romOutputPorts == b.romOutputPorts;
}

void BeginRecording(History& history, const MachineState& state) {
    if (history.size == 0) PushSnapshot(history, state);
}

void TakeIntervalSnapshot(History& history, const MachineState& state) {
    PushSnapshot(history, state);
}

void HistoryBarrier(History& history) {
    // The slots stay allocated for what is recorded next.
    history.first = 0;
    history.size = 0;
    history.sinceLast = 0;
    ++history.barriers;
}

int64_t HistoryLength(const History& history) {
    if (history.size == 0) return 0;
    return static_cast<int64_t>(history.size - 1) * kSnapshotInterval + history.sinceLast;
}

bool StepBack(History& history, MachineState& state) {
    if (history.size == 0) return false;
    if (history.sinceLast == 0) {
        if (history.size == 1) return false;  // the start of the history
        // The newest snapshot is the current state: the interval before it
        // is the one to go back into.
        --history.size;
        history.sinceLast = kSnapshotInterval;
    }
    const int32_t running = state.running;
    RestoreSnapshot(Newest(history), state);
    DiscardedMessages discarded;
    for (int32_t k = 1; k < history.sinceLast; ++k) StepInstruction(state, discarded);
    --history.sinceLast;
    state.running = running;
    return true;
}
