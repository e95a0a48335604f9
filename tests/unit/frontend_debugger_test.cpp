// The debugger's commands as a user drives them through the window: menu
// items, their keys and double-clicks on the listing, scripted on the
// in-memory layer.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/hex.h"
#include "core/instruction.h"
#include "debug/history.h"
#include "display/state_display.h"
#include "frontend/app.h"
#include "frontend/breakpoint_marks.h"
#include "frontend/controls.h"
#include "frontend/listing.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/headless/headless_layer.h"
#include "tests/unit/core_test_support.h"
#include "tests/unit/frontend_test_support.h"

namespace {

struct PlacedCode {
    int32_t address;
    std::vector<int32_t> bytes;
};

struct DebugSession {
    std::unique_ptr<Workbench> workbench = std::make_unique<Workbench>();
    MachineState& state = workbench->state;
    PatientLayer layer;

    int Launch() { return RunQuodlet(*workbench, layer); }
    [[nodiscard]] std::string Text(int32_t control) const {
        return layer.controls.at(control).text;
    }
    [[nodiscard]] const HeadlessControl& Listing() const {
        return layer.controls.at(Control::kCodeListing);
    }
    [[nodiscard]] std::string ListingLine(size_t index) const { return Listing().lines.at(index); }
};

class DebuggerTest : public ::testing::Test, public DebugSession {
protected:
    // Places code when the loop reaches this step, with pc and the Run's
    // bound as given; the history starts afresh, as after a load.
    void PlaceCode(std::vector<PlacedCode> code, int32_t pc, int32_t programLength = 0xFF) {
        layer.Call([this, code, pc, programLength] {
            for (const PlacedCode& c : code) Place(state, c.address, c.bytes);
            state.pc = pc;
            workbench->programLength = programLength;
            HistoryBarrier(workbench->history);
            RebuildListingFromZeroFollowingPc(*workbench, layer);
        });
    }
    std::vector<int32_t> MarkedLines() const {
        std::vector<int32_t> marked;
        const HeadlessControl& listing = Listing();
        for (size_t k = 0; k < listing.marks.size(); ++k) {
            if (!listing.marks[k].empty()) {
                EXPECT_EQ(listing.marks[k], "breakpoint");
                marked.push_back(static_cast<int32_t>(k));
            }
        }
        return marked;
    }
    void ToggleAtLine(int32_t line) {
        layer.ClickLine(Control::kCodeListing, line);
        layer.PressKey(KeyCode::kF9);
    }
};

TEST_F(DebuggerTest, BreakpointsAtTheFirstAndLastInstructionStopRunAndAreMarked) {
    layer.ChooseMenu(MenuItem::kExampleSum);
    ToggleAtLine(0);
    layer.DoubleClickLine(Control::kCodeListing, 8);  // 009 XCH R2, the last
    layer.Call([this] {
        EXPECT_EQ(MarkedLines(), (std::vector<int32_t>{0, 8}));
        EXPECT_EQ(ListingLine(8).substr(0, 10), "009 B2    ");  // the text stays
        EXPECT_EQ(workbench->breakpoints.count, 2);
    });
    layer.ChooseMenu(MenuItem::kResetCpu);
    // The breakpoint under pc does not stop the Run at once.
    layer.ChooseMenu(MenuItem::kRun);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 9);
        EXPECT_EQ(state.running, 0);
        EXPECT_EQ(Listing().selected, 8);
        EXPECT_EQ(Text(3), "3");  // R3: the units, written at 006
        EXPECT_EQ(Text(2), "0");  // R2 not yet
        EXPECT_EQ(MarkedLines(), (std::vector<int32_t>{0, 8}));
    });
    // Run again from the breakpoint: on to the bound.
    layer.ChooseMenu(MenuItem::kRun);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 11);
    EXPECT_EQ(state.indexRegisters[2], 1);
    EXPECT_TRUE(layer.messages.empty());
}

TEST_F(DebuggerTest, ToggleTwiceClearsAndClearBreakpointsUnmarksEveryLine) {
    ToggleAtLine(3);
    ToggleAtLine(5);
    ToggleAtLine(3);
    layer.Call([this] { EXPECT_EQ(MarkedLines(), (std::vector<int32_t>{5})); });
    ToggleAtLine(7);
    layer.ChooseMenu(MenuItem::kClearBreakpoints);
    EXPECT_EQ(Launch(), 0);
    EXPECT_TRUE(MarkedLines().empty());
    EXPECT_EQ(workbench->breakpoints.count, 0);
    EXPECT_FALSE(HasBreakpoint(workbench->breakpoints, 5));
}

TEST_F(DebuggerTest, LoadingAndZeroRomKeepTheBreakpointsAndTheirMarks) {
    ToggleAtLine(2);
    layer.ChooseMenu(MenuItem::kExampleSquare);
    layer.Call([this] { EXPECT_EQ(MarkedLines(), (std::vector<int32_t>{2})); });
    layer.ChooseMenu(MenuItem::kZeroRom);
    layer.Call([this] { EXPECT_EQ(MarkedLines(), (std::vector<int32_t>{2})); });
    // Listings rebuilt elsewhere mark each address where it stands.
    layer.PasteOver(Control::kProgramCounter, "100");
    layer.Call([this] {
        EXPECT_EQ(ListingLine(0), "100 00    NOP");
        EXPECT_TRUE(MarkedLines().empty());
    });
    ToggleAtLine(3);
    layer.PasteOver(Control::kProgramCounter, "0");
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(ListingLine(0), "000 00    NOP");
    EXPECT_EQ(MarkedLines(), (std::vector<int32_t>{2}));
    EXPECT_TRUE(HasBreakpoint(workbench->breakpoints, 2));
    EXPECT_TRUE(HasBreakpoint(workbench->breakpoints, 0x103));
}

TEST_F(DebuggerTest, AnAnimationStopsBeforeABreakpointButNotOnTheOneItStartsOn) {
    layer.ChooseMenu(MenuItem::kExampleSum);
    ToggleAtLine(0);
    ToggleAtLine(4);
    layer.ChooseMenu(MenuItem::kResetCpu);
    layer.ChooseMenu(MenuItem::kAnimate);
    for (int k = 0; k < 6; ++k) layer.Tick(kAnimationTimer);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 5);  // 000, 002, 003 and 004 ran
        EXPECT_EQ(state.running, 0);
        EXPECT_TRUE(layer.timers.empty());
    });
    EXPECT_EQ(Launch(), 0);
}

TEST_F(DebuggerTest, RunShowsTheBusyCursorWhileItHasTheThread) {
    PlaceCode({{0x000, {0x40, 0x00}}}, 0);
    layer.Call([this] { layer.HoldEscapeAfter(3); });
    layer.ChooseMenu(MenuItem::kRun);
    layer.Call([this] {
        EXPECT_FALSE(layer.busy);
        layer.ReleaseEscape();
    });
    layer.ChooseMenu(MenuItem::kStep);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.takes, 4);  // before the first instruction and at three snapshots
    EXPECT_FALSE(layer.idleDuringARun);
    EXPECT_EQ(layer.busyLog, (std::vector<bool>{true, false}));
}

// Step Over from 000 (JMS 010) in the window: F8 runs it as a Run, with the
// busy cursor and a refresh at the end; the engine's own table
// (debug_run_test.cpp) has the cases of the stack.
struct WindowStepOverCase {
    const char* what;
    std::vector<PlacedCode> code;
    int32_t stackPointer;
    int32_t pc;           // where Step Over leaves pc
    int32_t escapeAfter;  // event takes before Escape goes down, -1 never
};

const std::vector<WindowStepOverCase> kWindowStepOverCases = {
    {"nested JMS",
     {{0x000, {0x50, 0x10, 0x00}},
      {0x010, {0x50, 0x20, 0xC0}},
      {0x020, {0x50, 0x30, 0xC0}},
      {0x030, {0xC1}}},
     0,
     0x002,
     -1},
    {"a subroutine that never returns: Escape ends it",
     {{0x000, {0x50, 0x10, 0x00}}, {0x010, {0x40, 0x10}}},
     0,
     0x010,
     2},
};

TEST(DebuggerStepOver, RunsOverSubroutinesAsTheRunDoes) {
    for (const WindowStepOverCase& c : kWindowStepOverCases) {
        SCOPED_TRACE(c.what);
        DebugSession s;
        s.layer.Call([&s, &c] {
            for (const PlacedCode& code : c.code) Place(s.state, code.address, code.bytes);
            s.state.pc = 0;
            s.state.stackPointer = c.stackPointer;
            s.state.addressStack = {0x700, 0x800, 0x900, 0, 0};
            s.workbench->programLength = 0xFF;
            if (c.escapeAfter >= 0) s.layer.HoldEscapeAfter(c.escapeAfter);
        });
        s.layer.PressKey(KeyCode::kF8);
        EXPECT_EQ(s.Launch(), 0);
        EXPECT_EQ(s.state.pc, c.pc);
        EXPECT_EQ(s.state.running, 0);
        EXPECT_EQ(s.Text(Control::kProgramCounter), PlainHex(c.pc));
        EXPECT_EQ(s.layer.busyLog, (std::vector<bool>{true, false}));
        EXPECT_TRUE(s.layer.messages.empty());
    }
}

TEST_F(DebuggerTest, StepOverAnythingButAJmsIsAStepAlsoBeyondTheBound) {
    PlaceCode({{0x040, {0xD5, 0xC3}}}, 0x040, 0x10);
    layer.PressKey(KeyCode::kF8);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 0x41);
        EXPECT_EQ(state.accumulator, 5);
    });
    layer.PressKey(KeyCode::kF8);  // a BBL is stepped too
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.accumulator, 3);
    EXPECT_TRUE(layer.busyLog.empty());  // never a Run
}

TEST_F(DebuggerTest, RunToCursorReachesALineAfterAndALineBeforePc) {
    layer.ChooseMenu(MenuItem::kExampleSquare);
    layer.ChooseMenu(MenuItem::kResetCpu);
    layer.ClickLine(Control::kCodeListing, 10);  // 00B LD R1
    layer.PressKey(KeyCode::kF4);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 0x0B);
        EXPECT_EQ(state.indexRegisters[3], 5);
        EXPECT_EQ(Listing().selected, 10);
    });
    layer.ClickLine(Control::kCodeListing, 4);  // 004, the loop's start: before pc
    layer.PressKey(KeyCode::kF4);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 4);
    EXPECT_EQ(state.indexRegisters[1], 4);  // the counter went down once
    EXPECT_EQ(Listing().selected, 4);
    EXPECT_EQ(layer.busyLog, (std::vector<bool>{true, false, true, false}));
}

// A four-digit counter that also writes RAM: no state repeats for long.
const std::vector<PlacedCode> kCounter = {
    {0x000, {0x70, 0x00, 0x71, 0x00, 0x72, 0x00, 0x73, 0x00, 0x21, 0xF2, 0xE0, 0x40, 0x00}}};

TEST_F(DebuggerTest, OneStepBackUndoesAWholeMillionInstructionRunThenTheStepBeforeIt) {
    // Escape ends a Run at one of its checkpoints, the history's snapshots.
    static constexpr int32_t kRun = 245 * kSnapshotInterval;  // 1,003,520
    PlaceCode(kCounter, 0, 0x20);
    std::unique_ptr<MachineState> afterStep;
    layer.ChooseMenu(MenuItem::kStep);
    layer.Call([this, &afterStep] {
        afterStep = std::make_unique<MachineState>(state);
        layer.HoldEscapeAfter(kRun / kSnapshotInterval);
    });
    layer.ChooseMenu(MenuItem::kRun);
    layer.Call([this] {
        layer.ReleaseEscape();
        EXPECT_GT(HistoryLength(workbench->history), kRun - kSnapshotInterval);
    });
    layer.PressKey(KeyCode::kShift | KeyCode::kF7);  // the whole Run
    layer.Call([this, &afterStep] {
        afterStep->running = state.running;
        EXPECT_TRUE(SameState(*afterStep, state, false));
        EXPECT_EQ(Text(Control::kProgramCounter), PlainHex(state.pc));
    });
    layer.PressKey(KeyCode::kShift | KeyCode::kF7);  // the Step
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 0);
    EXPECT_EQ(HistoryLength(workbench->history), 0);
}

TEST_F(DebuggerTest, StepBackUndoesEveryCommandsInstructionsBackToTheStart) {
    // Set-up, a call, then a loop of IAC.
    PlaceCode({{0x000, {0xD7, 0x50, 0x10, 0xF2, 0x40, 0x03}}, {0x010, {0xB5, 0xC2}}}, 0, 0x20);
    std::unique_ptr<MachineState> start;
    layer.Call([this, &start] { start = std::make_unique<MachineState>(state); });
    layer.ChooseMenu(MenuItem::kStep);      // 000 LDM 7
    layer.ChooseMenu(MenuItem::kStepOver);  // 001 JMS 010: XCH R5, BBL 2
    layer.ChooseMenu(MenuItem::kAnimate);
    layer.Tick(kAnimationTimer);  // 003 IAC
    layer.Tick(kAnimationTimer);  // 004 JUN 003
    layer.Call([this] { layer.HoldEscapeAfter(0); });
    layer.Tick(kAnimationTimer);  // 003 IAC, then Escape ends the animation
    layer.Call([this] { layer.ReleaseEscape(); });
    layer.ClickLine(Control::kCodeListing, 2);  // 003
    layer.PressKey(KeyCode::kF4);               // 004 JUN 003
    layer.Call([this] { layer.HoldEscapeAfter(1); });
    layer.ChooseMenu(MenuItem::kRun);  // on to the history's first snapshot
    int64_t executed = 0;
    layer.Call([this, &executed] {
        layer.ReleaseEscape();
        executed = HistoryLength(workbench->history);
    });
    for (int k = 0; k < kSnapshotInterval + 10; ++k) layer.ChooseMenu(MenuItem::kStepBack);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(executed, kSnapshotInterval);
    // The same instructions on the bare core, back to the start.
    ASSERT_NE(start, nullptr);
    start->running = state.running;
    EXPECT_TRUE(SameState(*start, state, false));
    EXPECT_EQ(Text(Control::kProgramCounter), "0");
    EXPECT_EQ(Text(Control::kAccumulator), "0");
}

TEST_F(DebuggerTest, StepBackStopsAtAnEditAResetAZeroRomAndALoad) {
    const std::vector<std::function<void(HeadlessLayer&)>> barriers = {
        [](HeadlessLayer& l) { l.PasteOver(5, "3"); },
        [](HeadlessLayer& l) { l.ClickCheckBox(Control::kCarry); },
        [](HeadlessLayer& l) { l.ChooseMenu(MenuItem::kResetCpu); },
        [](HeadlessLayer& l) { l.ChooseMenu(MenuItem::kZeroRom); },
        [](HeadlessLayer& l) { l.ChooseMenu(MenuItem::kExampleSum); },
    };
    for (size_t b = 0; b < barriers.size(); ++b) {
        SCOPED_TRACE(b);
        DebugSession s;
        s.layer.ChooseMenu(MenuItem::kExampleSquare);
        for (int k = 0; k < 5; ++k) s.layer.ChooseMenu(MenuItem::kStep);
        barriers[b](s.layer);
        std::unique_ptr<MachineState> afterBarrier;
        s.layer.Call(
            [&s, &afterBarrier] { afterBarrier = std::make_unique<MachineState>(s.state); });
        s.layer.ChooseMenu(MenuItem::kStep);
        s.layer.ChooseMenu(MenuItem::kStep);
        for (int k = 0; k < 3; ++k) s.layer.PressKey(KeyCode::kShift | KeyCode::kF7);
        EXPECT_EQ(s.Launch(), 0);
        EXPECT_TRUE(SameState(*afterBarrier, s.state));
    }
}

TEST_F(DebuggerTest, StepBackAtTheStartChangesNothing) {
    layer.ChooseMenu(MenuItem::kStepBack);
    layer.ChooseMenu(MenuItem::kStep);
    layer.ChooseMenu(MenuItem::kStepBack);
    layer.ChooseMenu(MenuItem::kStepBack);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 0);
    EXPECT_EQ(Listing().selected, 0);
    EXPECT_TRUE(layer.messages.empty());
}

TEST_F(DebuggerTest, StepBackOverARefusedInstructionShowsNoMessageAgain) {
    PlaceCode({{0x000, {0xD3, 0xFE, 0xD4}}}, 0, 0x20);
    for (int k = 0; k < 3; ++k) layer.ChooseMenu(MenuItem::kStep);  // LDM 3, 0xFE refused, LDM 4
    layer.ChooseMenu(MenuItem::kStepBack);                          // executes LDM 3 and 0xFE again
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 2);
    EXPECT_EQ(state.accumulator, 3);
    EXPECT_EQ(layer.messages.size(), 1U);
}

}  // namespace
