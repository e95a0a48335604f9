#pragma once
// The history behind Step Back: what lets the debugger put the machine back
// exactly as it was before each of the last instructions executed, whichever
// command executed them. It serves every machine: a history is of one
// machine's state type.
//
// A machine is deterministic and instructions never write program memory;
// what comes from outside (inputs the user sets) changes only between
// instructions, behind a barrier. So the history keeps a copy of every
// field but program memory (a snapshot, about 1.3 KB for the compatible
// machine) every kSnapshotInterval instructions, and steps back by
// restoring the newest snapshot before the wanted moment and executing
// again from there: recording costs a count per instruction and a copy now
// and then, and a step back at most kSnapshotInterval - 1 instructions.
//
// Anything else that changes the machine (a user's edit of a field, Reset
// CPU, Zero ROM, loading, an input) must end the history with
// HistoryBarrier: the instructions before it cannot be executed again as
// they were, so Step Back stops there. The front end does that in one
// place (frontend/workbench.h, ChangeMachine).
//
// The snapshots form a ring: once it is full the oldest gives way, so the
// history always reaches back at least kHistoryInstructions - kSnapshotInterval
// + 1 instructions (when not cut short by a barrier).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/fields.h"
#include "core/instruction.h"
#include "core/machine_state.h"
#include "core/messages.h"

// Every field of a machine but its program memory, as bytes in the order of
// the field list.
template <typename State>
struct Snapshot {
    std::array<std::byte, StateFieldBytes<State>(false)> bytes;
};
using MachineSnapshot = Snapshot<MachineState>;

template <typename State>
void TakeSnapshot(const State& state, Snapshot<State>& snapshot) {
    std::byte* out = snapshot.bytes.data();
    ForEachField(state, [&out](const auto& field, const auto& value) {
        if (field.role == FieldRole::Program) return;
        std::memcpy(out, &value, sizeof value);
        out += sizeof value;
    });
}

template <typename State>
void RestoreSnapshot(const Snapshot<State>& snapshot, State& state) {
    const std::byte* in = snapshot.bytes.data();
    ForEachField(state, [&in](const auto& field, auto& value) {
        if (field.role == FieldRole::Program) return;
        std::memcpy(&value, in, sizeof value);
        in += sizeof value;
    });
}

// A power of two: re-executing up to 4095 instructions takes some 15
// microseconds, and a copy per 4096 instructions costs a Run about one
// percent. A Run in the window takes its events at the snapshots too.
inline constexpr int32_t kSnapshotInterval = 4096;
inline constexpr int64_t kHistoryInstructions = int64_t{1} << 22;
inline constexpr size_t kHistorySnapshots = kHistoryInstructions / kSnapshotInterval + 1;
static_assert(kHistoryInstructions - kSnapshotInterval + 1 >= 1048576,
              "the history must reach back at least 1,048,576 instructions");

template <typename State>
struct HistoryOf {
    static_assert(kHistorySnapshots * sizeof(Snapshot<State>) <= size_t{64} << 20,
                  "the history may use at most 64 MB");
    // The ring: slots are added as it grows, up to kHistorySnapshots, and
    // reused after a barrier. Every snapshot but the newest is followed by
    // exactly kSnapshotInterval instructions.
    std::vector<Snapshot<State>> snapshots;
    size_t first = 0;       // slot of the oldest snapshot
    size_t size = 0;        // snapshots held; 0 before anything is recorded
    int32_t sinceLast = 0;  // instructions executed after the newest snapshot
    // Where each of the user's commands started, for Step Back by command:
    // positions counted from the barrier, so that they stay true when the
    // ring drops its oldest snapshots (`dropped` instructions so far).
    std::vector<int64_t> commandStarts;
    int64_t dropped = 0;
};
using History = HistoryOf<MachineState>;

namespace history_detail {

template <typename State>
Snapshot<State>& Newest(HistoryOf<State>& history) {
    return history.snapshots[(history.first + history.size - 1) % kHistorySnapshots];
}

template <typename State>
void PushSnapshot(HistoryOf<State>& history, const State& state) {
    if (history.snapshots.capacity() < kHistorySnapshots) {
        // Reserved whole once; the pages are only touched as the ring fills.
        history.snapshots.reserve(kHistorySnapshots);
    }
    if (history.size == kHistorySnapshots) {
        // Full: the oldest gives way and the next oldest starts the history.
        history.first = (history.first + 1) % kHistorySnapshots;
        --history.size;
        history.dropped += kSnapshotInterval;
    }
    const size_t slot = (history.first + history.size) % kHistorySnapshots;
    if (slot == history.snapshots.size()) history.snapshots.emplace_back();
    TakeSnapshot(state, history.snapshots[slot]);
    ++history.size;
    history.sinceLast = 0;
}

}  // namespace history_detail

// Called before executing anything that is to be recorded: after a barrier
// (or at the very start) the current state becomes the start of the history.
template <typename State>
void BeginRecording(HistoryOf<State>& history, const State& state) {
    if (history.size == 0) history_detail::PushSnapshot(history, state);
}

// Called after every instruction executed since BeginRecording, with the
// state the instruction left. (A Run counts the interval itself and calls
// TakeIntervalSnapshot when it is complete.)
template <typename State>
void TakeIntervalSnapshot(HistoryOf<State>& history, const State& state) {
    history_detail::PushSnapshot(history, state);
}
template <typename State>
void RecordStep(HistoryOf<State>& history, const State& state) {
    if (++history.sinceLast == kSnapshotInterval) [[unlikely]]
        TakeIntervalSnapshot(history, state);
}

// Forgets everything recorded: Step Back cannot go back across this point.
// The slots stay allocated for what is recorded next.
template <typename State>
void HistoryBarrier(HistoryOf<State>& history) {
    history.first = 0;
    history.size = 0;
    history.sinceLast = 0;
    history.commandStarts.clear();
    history.dropped = 0;
}

// How many instructions Step Back can undo from here.
template <typename State>
int64_t HistoryLength(const HistoryOf<State>& history) {
    if (history.size == 0) return 0;
    return static_cast<int64_t>(history.size - 1) * kSnapshotInterval + history.sinceLast;
}

// Puts the machine back as it was before the last instruction recorded and
// forgets that instruction, so that executing on records from there.
// `step(state)` executes one instruction as the machine does, without
// telling the user anything (re-executed instructions told them the first
// time). Every field but program memory is restored, except `running`,
// which is left as it stands: whether something is running is up to the
// command. False, with the machine untouched, at the start of the history
// or right after a barrier.
template <typename State, typename StepFn>
bool StepBack(HistoryOf<State>& history, State& state, StepFn&& step) {
    if (history.size == 0) return false;
    if (history.sinceLast == 0) {
        if (history.size == 1) return false;  // the start of the history
        // The newest snapshot is the current state: the interval before it
        // is the one to go back into.
        --history.size;
        history.sinceLast = kSnapshotInterval;
    }
    const int32_t running = state.running;
    RestoreSnapshot(history_detail::Newest(history), state);
    for (int32_t k = 1; k < history.sinceLast; ++k) step(state);
    --history.sinceLast;
    state.running = running;
    return true;
}

// Puts the machine back as it was when the history was `length`
// instructions long (0 <= length < HistoryLength) and forgets what came
// after: one snapshot restored and at most kSnapshotInterval - 1
// instructions executed again, however far back that is. `step` and
// `running` as for StepBack. False, with nothing changed, for a length
// outside that range.
template <typename State, typename StepFn>
bool StepBackTo(HistoryOf<State>& history, State& state, int64_t length, StepFn&& step) {
    if (length < 0 || length >= HistoryLength(history)) return false;
    const auto snapshot = static_cast<size_t>(length / kSnapshotInterval);
    const auto replay = static_cast<int32_t>(length % kSnapshotInterval);
    history.size = snapshot + 1;
    history.sinceLast = replay;
    const int32_t running = state.running;
    RestoreSnapshot(history_detail::Newest(history), state);
    for (int32_t k = 0; k < replay; ++k) step(state);
    state.running = running;
    return true;
}

// The most command starts kept: older ones give way, and Step Back then
// takes the oldest state the history holds for their commands.
inline constexpr size_t kCommandStartsKept = size_t{1} << 16;

// Called as a user's command begins to execute instructions: the point one
// Step Back after it returns to.
template <typename State>
void MarkCommandStart(HistoryOf<State>& history) {
    const int64_t here = history.dropped + HistoryLength(history);
    std::vector<int64_t>& starts = history.commandStarts;
    if (!starts.empty() && starts.back() == here) return;
    if (starts.size() == kCommandStartsKept)
        starts.erase(starts.begin(), starts.begin() + kCommandStartsKept / 2);
    starts.push_back(here);
}

// Step Back by command: puts the machine back as it was before the last
// command that executed an instruction (after a single Step, that one
// instruction; after a Run, the whole Run). A command whose start the ring
// has dropped goes back as far as the history reaches; instructions
// recorded without any command start go back one. False, with nothing
// changed, when there is nothing to go back to.
template <typename State, typename StepFn>
bool StepBackCommand(HistoryOf<State>& history, State& state, StepFn&& step) {
    const int64_t length = HistoryLength(history);
    std::vector<int64_t>& starts = history.commandStarts;
    while (!starts.empty() && starts.back() >= history.dropped + length) starts.pop_back();
    int64_t target = length - 1;
    if (!starts.empty()) {
        target = std::max<int64_t>(starts.back() - history.dropped, 0);
        starts.pop_back();
    }
    return StepBackTo(history, state, target, step);
}

// Step Back on the compatible machine.
bool StepBack(History& history, MachineState& state);
