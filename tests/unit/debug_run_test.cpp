#include "debug/debug_run.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "tests/unit/core_test_support.h"

namespace {

// Stands in for the window's observer: ends a run once `limit` instructions
// have run (as a held Escape would) and counts what it was asked and told;
// notes pc at every checkpoint.
struct StopAfter {
    int64_t limit = 100000;
    int64_t asked = 0;
    int64_t told = 0;
    std::vector<int32_t> pcAtCheckpoints;
    RunStop StopBefore(const MachineState& /*state*/, int64_t executed) {
        ++asked;
        return executed >= limit ? RunStop::Escape : RunStop::None;
    }
    void AfterStep(const MachineState& /*state*/) { ++told; }
    RunStop AtCheckpoint(const MachineState& state) {
        pcAtCheckpoints.push_back(state.pc);
        return RunStop::None;
    }
};

struct Machine {
    std::unique_ptr<MachineState> state = NewState();
    Breakpoints breakpoints;
    History history;
    RecordingMessages messages;
    StopAfter inner;
    int32_t programLength = 0xFFF;

    template <DebugGoal goal>
    DebugRunResult Run(int32_t target = 0) {
        return RunDebug<CompatibleCpu, goal>(*state, messages, programLength, breakpoints, history,
                                             inner, target);
    }
};

// 000 IAC, 001 IAC, 002 JUN 000: a loop of three instructions.
void PlaceLoop(MachineState& state) {
    Place(state, 0x000, {0xF2, 0xF2, 0x40, 0x00});
    state.pc = 0;
}

struct BreakCase {
    const char* what;
    int32_t startPc;
    std::vector<int32_t> breakpoints;
    int32_t programLength;
    RunStop stop;
    int32_t pc;
    int64_t executed;
};

// The loop run from a start, with breakpoints, to its end.
const BreakCase kBreakCases[] = {
    {"before the instruction at a breakpoint", 0, {2}, 0xFFF, RunStop::Breakpoint, 2, 2},
    {"a breakpoint under pc at the start is passed", 0, {0}, 0xFFF, RunStop::Breakpoint, 0, 3},
    {"first and last instruction of the loop", 1, {0, 2}, 0xFFF, RunStop::Breakpoint, 2, 1},
    {"the nearest of several", 0, {0x10, 1, 2, 0xFFFF}, 0xFFF, RunStop::Breakpoint, 1, 1},
    {"none in the way: the caller ends it", 0, {3, 0x100}, 0xFFF, RunStop::Escape, 0, 99999},
    {"the bound comes before a breakpoint beyond it", 1, {0x005}, 1, RunStop::Bound, 2, 1},
};

TEST(DebugRun, RunStopsBeforeABreakpointAfterAtLeastOneInstruction) {
    for (const BreakCase& c : kBreakCases) {
        SCOPED_TRACE(c.what);
        Machine m;
        PlaceLoop(*m.state);
        m.state->pc = c.startPc;
        m.programLength = c.programLength;
        m.inner.limit = 99999;
        for (const int32_t address : c.breakpoints) ToggleBreakpoint(m.breakpoints, address);
        const DebugRunResult result = m.Run<DebugGoal::Run>();
        EXPECT_EQ(result.stop, c.stop);
        EXPECT_EQ(m.state->pc, c.pc);
        EXPECT_EQ(result.executed, c.executed);
        // The caller's observer still sees every instruction.
        EXPECT_EQ(m.inner.told, result.executed);
        EXPECT_EQ(HistoryLength(m.history), result.executed);
        EXPECT_EQ(m.state->running, 1);  // left for the caller
    }
}

TEST(DebugRun, EveryInstructionOfARunIsRecordedAndAnErrorIsShownOnce) {
    Machine m;
    Place(*m.state, 0x000, {0xD5, 0xB0, 0x62, 0x21, 0xE0, 0xE1, 0xFE});  // ends on 0xFE
    m.state->pc = 0;
    auto start = std::make_unique<MachineState>(*m.state);
    const DebugRunResult result = m.Run<DebugGoal::Run>();
    EXPECT_EQ(result.stop, RunStop::Error);
    EXPECT_EQ(result.executed, 7);
    EXPECT_EQ(m.messages.shown.size(), 1U);
    int steps = 0;
    while (StepBack(m.history, *m.state)) ++steps;
    EXPECT_EQ(steps, 7);
    EXPECT_EQ(m.messages.shown.size(), 1U);
    start->running = m.state->running;
    EXPECT_TRUE(SameState(*start, *m.state));
}

// Runs over NOPs from 000, ended by their bound, after laps of recorded
// Steps (NOPs from 000 to FFC, then FFD JUN 000: 4094 each), so
// that some end right where a snapshot falls due: the history holds every
// instruction as a Step-by-Step recording would, and the caller's
// checkpoints come before the first instruction and at every snapshot the
// run goes on from.
TEST(DebugRun, RunsAreRecordedToTheInstructionAndCheckedAtEverySnapshot) {
    constexpr int32_t kLap = 4094;
    static_assert(kLap < kSnapshotInterval && 2 * kLap + 4 == 2 * kSnapshotInterval);
    struct Case {
        const char* what;
        int32_t laps;
        int32_t programLength;
        std::vector<int32_t> checkpoints;  // pc at each
    };
    const Case cases[] = {
        {"no Steps", 0, 0x0FF, {0}},
        {"the bound right at the first snapshot", 1, 1, {0}},
        {"the bound one past it", 1, 2, {0, 2}},
        {"across the second snapshot", 2, 0x0FF, {0, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        Place(*m.state, 0xFFD, {0x40, 0x00});
        m.state->pc = 0;
        auto start = std::make_unique<MachineState>(*m.state);
        for (int32_t k = 0; k < c.laps * kLap; ++k)
            StepRecorded<CompatibleCpu>(*m.state, m.messages, m.history);
        ASSERT_EQ(m.state->pc, 0);
        m.programLength = c.programLength;
        const DebugRunResult result = m.Run<DebugGoal::Run>();
        const int64_t recorded = int64_t{c.laps} * kLap + c.programLength + 1;
        EXPECT_EQ(result.stop, RunStop::Bound);
        EXPECT_EQ(result.executed, c.programLength + 1);
        EXPECT_EQ(m.inner.pcAtCheckpoints, c.checkpoints);
        EXPECT_EQ(HistoryLength(m.history), recorded);
        EXPECT_LT(m.history.sinceLast, kSnapshotInterval);
        // Recording goes on from there, and back to the start.
        StepRecorded<CompatibleCpu>(*m.state, m.messages, m.history);
        int64_t back = 0;
        while (StepBack(m.history, *m.state)) ++back;
        EXPECT_EQ(back, recorded + 1);
        start->running = m.state->running;
        EXPECT_TRUE(SameState(*start, *m.state));
    }
}

TEST(DebugRun, RunToCursorStopsAtTheTargetAfterAtLeastOneInstruction) {
    struct Case {
        const char* what;
        int32_t startPc;
        int32_t target;
        int64_t executed;
    };
    const Case cases[] = {
        {"a line before pc", 2, 0, 1},
        {"a line after pc", 0, 2, 2},
        {"the line at pc: once round the loop", 1, 1, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Machine m;
        PlaceLoop(*m.state);
        m.state->pc = c.startPc;
        const DebugRunResult result = m.Run<DebugGoal::RunToCursor>(c.target);
        EXPECT_EQ(result.stop, RunStop::Until);
        EXPECT_EQ(m.state->pc, c.target);
        EXPECT_EQ(result.executed, c.executed);
    }
}

TEST(DebugRun, RunToCursorStopsEarlierAtABreakpointAndNeverOnAnUnreachedLine) {
    Machine m;
    PlaceLoop(*m.state);
    ToggleBreakpoint(m.breakpoints, 1);
    DebugRunResult result = m.Run<DebugGoal::RunToCursor>(2);
    EXPECT_EQ(result.stop, RunStop::Breakpoint);
    EXPECT_EQ(m.state->pc, 1);

    m.inner.limit = 500;
    result = m.Run<DebugGoal::RunToCursor>(0x10);  // never reached: Escape ends it
    EXPECT_EQ(result.stop, RunStop::Breakpoint);   // the loop passes 001 again first
    ClearBreakpoints(m.breakpoints);
    result = m.Run<DebugGoal::RunToCursor>(0x10);
    EXPECT_EQ(result.stop, RunStop::Escape);
    EXPECT_EQ(result.executed, 500);
}

// Subroutines for Step Over; `code` holds (address, bytes) placements.
struct Placement {
    int32_t address;
    std::vector<int32_t> bytes;
};

struct StepOverCase {
    const char* what;
    std::vector<Placement> code;
    int32_t startPc;
    int32_t stackPointer;
    std::vector<int32_t> breakpoints;
    RunStop stop;
    int32_t pc;
    int64_t executed;
};

const StepOverCase kStepOverCases[] = {
    {"a subroutine that returns at once",
     {{0x000, {0x50, 0x10}}, {0x010, {0xC1}}},
     0x000,
     0,
     {},
     RunStop::Returned,
     0x002,
     2},
    {"nested three deep",
     {{0x000, {0x50, 0x10}},
      {0x010, {0x50, 0x20, 0xC0}},
      {0x020, {0x50, 0x30, 0xC0}},
      {0x030, {0xC1}}},
     0x000,
     0,
     {},
     RunStop::Returned,
     0x002,
     6},
    {"the JMS is the fourth nested call: it overwrites the oldest return address",
     {{0x100, {0x50, 0x10}}, {0x010, {0xF2, 0xC1}}},
     0x100,
     0,
     {},
     RunStop::Returned,
     0x102,
     3},
    {"from any stack slot",
     {{0x100, {0x50, 0x10}}, {0x010, {0x50, 0x20, 0xC0}}, {0x020, {0xC1}}},
     0x100,
     2,
     {},
     RunStop::Returned,
     0x102,
     4},
    {"a fourth nested call inside loses the return: stops where the BBL went",
     {{0x000, {0x50, 0x10}},
      {0x010, {0x50, 0x20, 0xC0}},
      {0x020, {0x50, 0x30, 0xC0}},
      {0x030, {0x50, 0x40, 0xC0}},
      {0x040, {0xC1}}},
     0x000,
     0,
     {},
     RunStop::Returned,
     0x000,
     8},
    {"the return address passed three calls deeper does not stop it",
     // 030 jumps to 002 (a BBL) with the stack pointer where it started.
     {{0x000, {0x50, 0x10, 0xC0}},
      {0x010, {0x50, 0x20, 0xC0}},
      {0x020, {0x50, 0x30, 0xC0}},
      {0x030, {0x40, 0x02}}},
     0x000,
     0,
     {},
     RunStop::Returned,
     0x002,
     7},
    {"a breakpoint inside the subroutine",
     {{0x000, {0x50, 0x10}}, {0x010, {0x50, 0x20, 0xC0}}, {0x020, {0xC1}}},
     0x000,
     0,
     {0x020},
     RunStop::Breakpoint,
     0x020,
     2},
    {"a breakpoint on the JMS itself is passed",
     {{0x000, {0x50, 0x10}}, {0x010, {0xC1}}},
     0x000,
     0,
     {0x000, 0x002},
     RunStop::Returned,
     0x002,
     2},
    {"a subroutine that never returns: Escape ends it",
     {{0x000, {0x50, 0x10}}, {0x010, {0x40, 0x10}}},
     0x000,
     0,
     {},
     RunStop::Escape,
     0x010,
     1000},
};

TEST(DebugRun, StepOverRunsUntilTheSubroutineHasReturned) {
    for (const StepOverCase& c : kStepOverCases) {
        SCOPED_TRACE(c.what);
        Machine m;
        for (const Placement& p : c.code) Place(*m.state, p.address, p.bytes);
        m.state->pc = c.startPc;
        m.state->stackPointer = c.stackPointer;
        m.state->addressStack = {0x700, 0x800, 0x900, 0, 0};  // three calls already made
        m.inner.limit = 1000;
        for (const int32_t address : c.breakpoints) ToggleBreakpoint(m.breakpoints, address);
        ASSERT_TRUE(AtCall<CompatibleCpu>(*m.state));
        const DebugRunResult result = m.Run<DebugGoal::StepOver>();
        EXPECT_EQ(result.stop, c.stop);
        EXPECT_EQ(m.state->pc, c.pc);
        EXPECT_EQ(result.executed, c.executed);
        EXPECT_EQ(HistoryLength(m.history), result.executed);
    }
}

TEST(DebugRun, StepOverKeepsTheRunsBound) {
    Machine m;
    Place(*m.state, 0x000, {0x50, 0x10});
    Place(*m.state, 0x010, {0xF2, 0xF2, 0xC1});
    m.programLength = 0x011;  // 012 is past it: the Run's bound ends it there
    m.state->pc = 0;
    const DebugRunResult result = m.Run<DebugGoal::StepOver>();
    EXPECT_EQ(result.stop, RunStop::Bound);
    EXPECT_EQ(m.state->pc, 0x012);
    EXPECT_EQ(result.executed, 3);
}

TEST(DebugRun, AStepIsRecordedWithoutTouchingRunning) {
    auto state = NewState();
    Place(*state, 0x000, {0xD5, 0xFF});
    state->pc = 0;
    History history;
    RecordingMessages messages;
    StepRecorded<CompatibleCpu>(*state, messages, history);
    EXPECT_EQ(state->running, 0);
    state->running = 1;
    StepRecorded<CompatibleCpu>(*state, messages,
                                history);  // refused: running cleared, pc moved on
    EXPECT_EQ(state->running, 0);
    EXPECT_EQ(HistoryLength(history), 2);
    EXPECT_TRUE(StepBack(history, *state));
    EXPECT_EQ(state->pc, 1);
    EXPECT_EQ(state->accumulator, 5);
}

}  // namespace
