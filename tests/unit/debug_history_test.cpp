#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "debug/debug_run.h"
#include "debug/history.h"
#include "tests/unit/core_test_support.h"

namespace {

// Random bytes in all of program memory: within a few thousand instructions
// every field an instruction writes has changed, refused opcodes included
// (they show a message, clear running and move pc on).
std::unique_ptr<MachineState> RandomMachine(uint32_t seed) {
    auto state = NewState();
    std::mt19937 random(seed);
    for (size_t a = 0; a < 0x10000; ++a) state->RomImage[a] = static_cast<int32_t>(random() & 0xFF);
    state->testFlag = 1;
    state->romInputPorts[3] = 0x9;
    state->running = 1;
    return state;
}

// The states before each instruction, and a scratch machine to compare
// against (program memory never changes, so only the snapshot differs).
struct Trace {
    std::vector<MachineSnapshot> before;
    std::unique_ptr<MachineState> expected;

    // Executes and records `count` instructions as Step does, noting the
    // state before each.
    void Record(MachineState& state, History& history, int64_t count) {
        RecordingMessages messages;
        for (int64_t k = 0; k < count; ++k) {
            before.emplace_back();
            TakeSnapshot(state, before.back());
            StepRecorded<CompatibleCpu>(state, messages, history);
        }
        if (!expected) expected = std::make_unique<MachineState>(state);
    }

    // Steps back once and checks the machine against the state before the
    // last instruction recorded; `running` must stay as it stands.
    testing::AssertionResult StepBackMatches(MachineState& state, History& history) {
        state.running = 7;
        if (!StepBack(history, state)) return testing::AssertionFailure() << "Step Back refused";
        RestoreSnapshot(before.back(), *expected);
        before.pop_back();
        expected->running = 7;
        return SameState(*expected, state, false);
    }
};

TEST(History, StepBackRetracesEveryInstructionAcrossSnapshotsToTheStart) {
    auto state = RandomMachine(1);
    auto start = std::make_unique<MachineState>(*state);
    History history;
    Trace trace;
    const int64_t count = 3 * kSnapshotInterval + 17;
    trace.Record(*state, history, count);
    EXPECT_EQ(HistoryLength(history), count);
    // The random program did not fall into a short loop at once.
    std::set<int32_t> pcs;
    for (const MachineSnapshot& before : trace.before) {
        auto machine = NewState();
        RestoreSnapshot(before, *machine);
        pcs.insert(machine->pc);
    }
    ASSERT_GT(pcs.size(), 100U);
    for (int64_t k = count; k > 0; --k) {
        ASSERT_TRUE(trace.StepBackMatches(*state, history)) << "instruction " << k - 1;
        EXPECT_EQ(HistoryLength(history), k - 1);
    }
    // At the start Step Back does nothing at all.
    auto atStart = std::make_unique<MachineState>(*state);
    EXPECT_FALSE(StepBack(history, *state));
    EXPECT_TRUE(SameState(*atStart, *state));
    start->running = 7;
    EXPECT_TRUE(SameState(*start, *state));
}

TEST(History, AfterStepsBackExecutionRecordsOnFromThere) {
    auto state = RandomMachine(2);
    History history;
    Trace trace;
    trace.Record(*state, history, kSnapshotInterval + 3);
    // Back across the snapshot at kSnapshotInterval, then forward past it
    // again: the snapshot taken anew must hold the new timeline's state.
    for (int k = 0; k < 10; ++k) ASSERT_TRUE(trace.StepBackMatches(*state, history)) << k;
    trace.Record(*state, history, 2 * kSnapshotInterval);
    const int64_t length = HistoryLength(history);
    EXPECT_EQ(length, 3 * kSnapshotInterval - 7);
    for (int64_t k = 0; k < length; ++k) ASSERT_TRUE(trace.StepBackMatches(*state, history)) << k;
    EXPECT_FALSE(StepBack(history, *state));
}

TEST(History, StepBackStopsAtABarrier) {
    auto state = RandomMachine(3);
    History history;
    Trace trace;
    trace.Record(*state, history, 2 * kSnapshotInterval + 5);
    // A user's edit: the history cannot go back across it.
    HistoryBarrier(history);
    EXPECT_EQ(HistoryLength(history), 0);
    EXPECT_FALSE(StepBack(history, *state));
    state->accumulator = 0xAB;
    state->pc = 0x100;
    state->RomImage[0x100] = 0xD3;  // LDM 3 next
    auto afterEdit = std::make_unique<MachineState>(*state);
    Trace afterBarrier;
    afterBarrier.Record(*state, history, kSnapshotInterval + 1);
    EXPECT_EQ(HistoryLength(history), kSnapshotInterval + 1);
    for (int k = 0; k <= kSnapshotInterval; ++k)
        ASSERT_TRUE(afterBarrier.StepBackMatches(*state, history)) << k;
    EXPECT_FALSE(StepBack(history, *state));
    afterEdit->running = 7;
    EXPECT_TRUE(SameState(*afterEdit, *state));
}

TEST(History, StepBackOnANewHistoryDoesNothing) {
    auto state = RandomMachine(4);
    auto before = std::make_unique<MachineState>(*state);
    History history;
    EXPECT_FALSE(StepBack(history, *state));
    BeginRecording(history, *state);  // begun, nothing executed
    EXPECT_FALSE(StepBack(history, *state));
    EXPECT_TRUE(SameState(*before, *state));
}

// A four-digit counter in R0..R3 that writes R3 into RAM on every carry out
// of the counter: no two states within 60,000 instructions are alike, so a
// snapshot in the wrong place cannot go unnoticed.
std::unique_ptr<MachineState> CountingMachine() {
    auto state = NewState();
    Place(*state, 0x000,
          {
              0x70, 0x00,  // 000 ISZ R0 000
              0x71, 0x00,  // 002 ISZ R1 000
              0x72, 0x00,  // 004 ISZ R2 000
              0x73, 0x00,  // 006 ISZ R3 000
              0x21,        // 008 SRC P0
              0xF2,        // 009 IAC
              0xE0,        // 00A WRM
              0x40, 0x00,  // 00B JUN 000
          });
    state->pc = 0;
    return state;
}

TEST(History, AFullRingKeepsTheNewestInstructionsWithinItsMemory) {
    auto state = CountingMachine();
    History history;
    RecordingMessages messages;
    const int64_t beyond = 3 * kSnapshotInterval + 7;
    for (int64_t k = 0; k < kHistoryInstructions; ++k)
        StepRecorded<CompatibleCpu>(*state, messages, history);
    Trace trace;
    trace.Record(*state, history, beyond);
    EXPECT_EQ(history.snapshots.size(), kHistorySnapshots);
    EXPECT_EQ(HistoryLength(history),
              static_cast<int64_t>(kHistorySnapshots - 1) * kSnapshotInterval + 7);
    EXPECT_GE(HistoryLength(history), 1048576);
    for (int64_t k = 0; k < beyond; ++k) ASSERT_TRUE(trace.StepBackMatches(*state, history)) << k;
}

// Step Back by command goes to each command's start, also once the ring has
// dropped older snapshots, and to the oldest state held for a command whose
// start it dropped.
TEST(History, StepBackByCommandReturnsToEachCommandsStartAcrossARingThatDropped) {
    auto state = CountingMachine();
    History history;
    RecordingMessages messages;
    auto run = [&](int64_t count) {
        MarkCommandStart(history);
        for (int64_t k = 0; k < count; ++k) StepRecorded<CompatibleCpu>(*state, messages, history);
    };
    auto back = [&] {
        return StepBackCommand(history, *state,
                               [&](MachineState& m) { StepInstruction(m, messages); });
    };
    run(10);
    run(kHistoryInstructions + 2 * kSnapshotInterval + 5);  // the ring drops its oldest
    MachineSnapshot beforeLast;
    TakeSnapshot(*state, beforeLast);
    const int64_t position = history.dropped + HistoryLength(history);
    run(kSnapshotInterval + 3);
    MarkCommandStart(history);  // a command that ran nothing
    ASSERT_TRUE(back());
    EXPECT_EQ(history.dropped + HistoryLength(history), position);
    auto expected = std::make_unique<MachineState>(*state);
    RestoreSnapshot(beforeLast, *expected);
    EXPECT_TRUE(SameState(*expected, *state, false));
    ASSERT_TRUE(back());  // the long command's start is gone: the oldest state
    EXPECT_EQ(HistoryLength(history), 0);
    EXPECT_FALSE(back());
}

TEST(History, SnapshotsCopyEveryFieldButProgramMemory) {
    auto full = NewState();
    FillEveryField(*full);
    MachineSnapshot snapshot{};
    TakeSnapshot(*full, snapshot);
    auto copy = NewState();
    RestoreSnapshot(snapshot, *copy);
    EXPECT_TRUE(SameState(*full, *copy, false));
    EXPECT_FALSE(SameState(*full, *copy));
}

}  // namespace
