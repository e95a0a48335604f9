#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/hex.h"
#include "core/run_loop.h"
#include "debug/history.h"
#include "display/state_display.h"
#include "frontend/main_window.h"
#include "tests/unit/core_test_support.h"
#include "tests/unit/frontend_test_support.h"

namespace {

using RunControlTest = FrontendTest;

TEST_F(RunControlTest, StartsUpWithTheResetMachineOnScreenAndShutsDown) {
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.windowNumber, 0);
    EXPECT_EQ(layer.title, "Quodlet v0.9");
    EXPECT_EQ(layer.innerWidth, 640);
    EXPECT_EQ(layer.innerHeight, 480);
    for (int32_t field = 0; field <= Control::kProgramCounter; ++field) EXPECT_EQ(Text(field), "0");
    EXPECT_EQ(layer.controls.at(Control::kCarry).checked, 0);
    EXPECT_EQ(layer.controls.at(Control::kStack).lines,
              (std::vector<std::string>{"000", "000", "000"}));
    EXPECT_EQ(Text(Control::kSrc), "src1=00,src2=00");
    ASSERT_EQ(Listing().lines.size(), 32U);
    EXPECT_EQ(ListingLine(0), "000 00    NOP");
    EXPECT_EQ(ListingLine(31), "01F 00    NOP");
    EXPECT_EQ(Listing().selected, 0);
    EXPECT_EQ(workbench->programLength, 32);
    EXPECT_EQ(workbench->loadFolder, std::filesystem::current_path().string() + "/");
    EXPECT_EQ(workbench->tables.LengthTable[0x20], 2);
    // Nothing scripted: the loop ran dry, then freed the lamps and released.
    EXPECT_TRUE(layer.ranDry);
    EXPECT_EQ(layer.freedImages, (std::vector<int32_t>{0, 1}));
    EXPECT_TRUE(layer.released);
}

TEST_F(RunControlTest, AWindowThatCannotOpenEndsTheProgramAsAFailure) {
    layer.failOpenWindow = true;
    EXPECT_EQ(Launch(), 1);
    EXPECT_TRUE(layer.released);
    EXPECT_TRUE(layer.controls.empty());
}

struct BoundCase {
    const char* name;
    std::vector<int32_t> before;  // menu items chosen first
    int32_t command;              // Run or Animate
    int32_t pc;
    std::vector<int32_t> r0to3;
    int32_t accumulator;
    int32_t carry;
    // Run after the items in `before`, as by the user typing into the fields.
    void (*setup)(Workbench&) = nullptr;
};

// Run tests its bound before each instruction and so executes the byte at
// programLength too; Animate stops as soon as pc reaches programLength.
const std::vector<BoundCase> kBoundCases = {
    {"start-up Run", {}, MenuItem::kRun, 33, {0, 0, 0, 0}, 0, 0},
    {"start-up Animate", {}, MenuItem::kAnimate, 32, {0, 0, 0, 0}, 0, 0},
    {"sum Run",
     {MenuItem::kExampleSum, MenuItem::kResetCpu},
     MenuItem::kRun,
     11,
     {6, 7, 1, 3},
     0,
     0},
    {"sum Animate",
     {MenuItem::kExampleSum, MenuItem::kResetCpu},
     MenuItem::kAnimate,
     10,
     {6, 7, 1, 3},
     0,
     0},
    {"square Run",
     {MenuItem::kExampleSquare, MenuItem::kResetCpu},
     MenuItem::kRun,
     19,
     {5, 1, 1, 9},
     0,
     1},
    {"square Animate",
     {MenuItem::kExampleSquare, MenuItem::kResetCpu},
     MenuItem::kAnimate,
     18,
     {5, 1, 1, 9},
     0,
     1},
    // A program of 65536 bytes: both stop at the end of the address space,
    // pc 0xFFF, without executing the byte there.
    {"Run to the end of the address space",
     {},
     MenuItem::kRun,
     0xFFF,
     {0, 0, 0, 0},
     0,
     0,
     [](Workbench& d) {
         d.programLength = 65536;
         d.state.pc = 0xF00;
         d.state.RomImage[0xFFF] = 0xD5;  // LDM 5, which must not run
     }},
    {"Animate to the end of the address space",
     {},
     MenuItem::kAnimate,
     0xFFF,
     {0, 0, 0, 0},
     0,
     0,
     [](Workbench& d) {
         d.programLength = 65536;
         d.state.pc = 0xF00;
         d.state.RomImage[0xFFF] = 0xD5;
     }},
    // Near the top: the byte at programLength still runs.
    {"Run with programLength FF0",
     {},
     MenuItem::kRun,
     0xFF1,
     {0, 0, 0, 0},
     0,
     0,
     [](Workbench& d) {
         d.programLength = 0xFF0;
         d.state.pc = 0xF00;
     }},
    {"Run from FFF",
     {},
     MenuItem::kRun,
     0x1000,
     {0, 0, 0, 0},
     0,
     0,
     [](Workbench& d) {
         d.programLength = 65536;
         d.state.pc = 0xFFF;
     }},
};

TEST(RunControlBounds, RunAndAnimateStopAtTheirBounds) {
    for (const BoundCase& c : kBoundCases) {
        SCOPED_TRACE(c.name);
        Session s;
        for (const int32_t item : c.before) s.layer.ChooseMenu(item);
        if (c.setup != nullptr) s.layer.Call([&s, &c] { c.setup(*s.workbench); });
        if (c.command == MenuItem::kRun)
            s.ChooseRun();
        else
            s.layer.ChooseMenu(c.command);
        EXPECT_EQ(s.Launch(), 0);
        EXPECT_EQ(s.state.pc, c.pc);
        for (size_t r = 0; r < 4; ++r) EXPECT_EQ(s.state.indexRegisters[r], c.r0to3[r]) << "R" << r;
        EXPECT_EQ(s.state.accumulator, c.accumulator);
        EXPECT_EQ(s.state.carry, c.carry);
        EXPECT_EQ(s.state.running, 0);
        EXPECT_TRUE(s.layer.timers.empty());
        EXPECT_TRUE(s.layer.messages.empty());
        // The display shows the final state and the listing follows pc.
        EXPECT_EQ(s.Text(Control::kProgramCounter), PlainHex(c.pc));
        EXPECT_EQ(s.Text(3), PlainHex(c.r0to3[3]));
        const std::string address = PaddedHex(c.pc, 3) + " ";
        EXPECT_EQ(s.SelectedLine().substr(0, address.size()), address);
    }
}

TEST_F(RunControlTest, RunBeyondProgramLengthExecutesNothingButRefreshes) {
    layer.Call([this] {
        state.pc = 0x40;
        state.RomImage[0x40] = 0xD5;  // LDM 5, which must not run
        state.accumulator = 7;        // not yet on screen
    });
    ChooseRun();
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 0x40);
    EXPECT_EQ(state.accumulator, 7);
    EXPECT_EQ(Text(Control::kAccumulator), "7");
    EXPECT_EQ(Text(Control::kProgramCounter), "40");
    EXPECT_EQ(ListingLine(0), "040 D5    LDM 5");
    EXPECT_EQ(Listing().selected, 0);
}

// 000 IAC, 001 NOP, 002 JUN 000 forever; Escape goes down at the Run's
// third event take, at the history's second snapshot, before instruction
// 8193: 2730 rounds and an IAC and a NOP.
TEST_F(RunControlTest, EscapeHeldDuringARunStopsItBeforeTheNextInstruction) {
    layer.Call([this] {
        Place(state, 0, {0xF2, 0x00, 0x40, 0x00});
        layer.HoldEscapeAfter(2);
    });
    ChooseRun();
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(HistoryLength(workbench->history), 2 * kSnapshotInterval);
    EXPECT_EQ(state.pc, 2);
    EXPECT_EQ(state.accumulator, 2731 % 16);
    EXPECT_EQ(layer.escapePolls, 3);
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(Text(Control::kProgramCounter), "2");
    EXPECT_EQ(Listing().selected, 2);
}

TEST_F(RunControlTest, EscapeHeldDuringAnAnimationStopsItAfterTheTick) {
    layer.ChooseMenu(MenuItem::kAnimate);
    layer.Tick(kAnimationTimer);
    layer.Call([this] { layer.HoldEscapeAfter(0); });
    layer.Tick(kAnimationTimer);
    layer.Call([this] {
        EXPECT_EQ(state.running, 0);
        EXPECT_TRUE(layer.timers.empty());
        layer.ReleaseEscape();
    });
    layer.Tick(kAnimationTimer);  // a tick already due changes nothing
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 2);
    EXPECT_EQ(Text(Control::kProgramCounter), "2");
}

TEST_F(RunControlTest, AnErrorStopsARunAfterItsMessageAndStillRefreshes) {
    layer.Call([this] { state.RomImage[3] = 0xFF; });
    ChooseRun();
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.messages.size(), 1U);
    EXPECT_EQ(state.pc, 4);
    EXPECT_EQ(state.running, 0);
    EXPECT_EQ(Text(Control::kProgramCounter), "4");
    EXPECT_EQ(SelectedLine().substr(0, 3), "004");
}

// A window layer that, at every Escape poll of a Run (once per event take,
// every kSnapshotInterval instructions), compares the lamps on screen with
// RAM output port 1.
class LampWatchingLayer : public HeadlessLayer {
public:
    const MachineState* machine = nullptr;
    int32_t polls = 0;
    int32_t stale = 0;

    bool IsKeyDown(int32_t keyCode) override {
        ++polls;
        for (int32_t bit = 0; bit < 4; ++bit) {
            const int32_t lit = (machine->ramOutputPorts[1] >> bit) & 1;
            if (controls.at(Control::kFirstLamp + bit).image != lit) ++stale;
        }
        return HeadlessLayer::IsKeyDown(keyCode);
    }
};

TEST(RunLamps, TheLampsShowPortOneThroughoutARun) {
    auto workbench = std::make_unique<Workbench>();
    LampWatchingLayer layer;
    layer.machine = &workbench->state;
    ASSERT_TRUE(StartMainWindow(*workbench, layer));
    const std::vector<int32_t> program = {
        0x20, 0x40,  // 000 FIM P0 40   src1 4 selects output port 1
        0x21,        // 002 SRC P0
        0xF2,        // 003 IAC         counts 0..F
        0xE1,        // 004 WMP         the lamps show the count
        0x40, 0x03,  // 005 JUN 003
    };
    std::copy(program.begin(), program.end(), workbench->state.RomImage.begin());
    // The port changed behind the display's back: the Run must not trust
    // the lamps as they stand. It starts at the WMP with SRC done and the
    // count at 1, which port 0 holds too: only port 1 counts.
    workbench->state.ramOutputPorts[1] = 0xA;
    workbench->state.ramOutputPorts[0] = 1;
    workbench->state.src1 = 4;
    workbench->state.accumulator = 1;
    workbench->state.pc = 4;
    layer.HoldEscapeAfter(200);

    RunProgram(*workbench, layer);

    EXPECT_EQ(layer.polls, 201);
    EXPECT_EQ(layer.stale, 0);
    EXPECT_NE(workbench->state.ramOutputPorts[1], 0xA);  // the count went round
}

// A window layer that notes, at each of a Run's takes of pending events,
// how many instructions the history holds.
class TakeCountingLayer : public HeadlessLayer {
public:
    const History* history = nullptr;
    std::vector<int64_t> recordedAtTakes;

    Event TakeEvent() override {
        recordedAtTakes.push_back(HistoryLength(*history));
        return HeadlessLayer::TakeEvent();
    }
};

// A Run takes one pending event, and polls Escape once, before its first
// instruction and then at every snapshot of the history, which starts anew
// with the reset of start-up.
TEST(RunEvents, ARunTakesAnEventAndPollsEscapeBeforeItsFirstInstructionAndAtEverySnapshot) {
    auto workbench = std::make_unique<Workbench>();
    TakeCountingLayer layer;
    layer.history = &workbench->history;
    ASSERT_TRUE(StartMainWindow(*workbench, layer));
    workbench->state.RomImage[0] = 0x40;  // 000 JUN 000
    layer.HoldEscapeAfter(3);
    const int32_t pollsBefore = layer.escapePolls;
    RunProgram(*workbench, layer);
    constexpr int64_t kEvery = kSnapshotInterval;
    EXPECT_EQ(layer.recordedAtTakes, (std::vector<int64_t>{0, kEvery, 2 * kEvery, 3 * kEvery}));
    EXPECT_EQ(layer.escapePolls - pollsBefore, 4);
    EXPECT_EQ(HistoryLength(workbench->history), 3 * kEvery);
}

TEST_F(RunControlTest, ARunDiscardsWhatTheUserDoesMeanwhile) {
    layer.ChooseMenu(MenuItem::kRun);
    layer.ChooseMenu(MenuItem::kStep);  // taken by the run and not acted on
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 33);
}

TEST_F(RunControlTest, RunDuringAnAnimationDoesNothing) {
    layer.ChooseMenu(MenuItem::kAnimate);
    layer.ChooseMenu(MenuItem::kRun);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 0);
        EXPECT_EQ(state.running, 1);
    });
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 32);  // the animation went on to its end
}

TEST_F(RunControlTest, StepDuringAnAnimationExecutesOneMoreInstruction) {
    layer.ChooseMenu(MenuItem::kAnimate);
    layer.Tick(kAnimationTimer);
    layer.ChooseMenu(MenuItem::kStep);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 2);
        EXPECT_EQ(state.running, 1);
        EXPECT_EQ(Text(Control::kProgramCounter), "2");
    });
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 32);
}

TEST_F(RunControlTest, ResetCpuDuringAnAnimationGoesOnFromAddressZero) {
    layer.ChooseMenu(MenuItem::kAnimate);
    for (int i = 0; i < 3; ++i) layer.Tick(kAnimationTimer);
    layer.Call([this] { state.indexRegisters[5] = 9; });
    layer.ChooseMenu(MenuItem::kResetCpu);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 0);
        EXPECT_EQ(state.indexRegisters[5], 0);
        EXPECT_EQ(state.running, 1);
        EXPECT_EQ(Text(Control::kProgramCounter), "0");
        EXPECT_EQ(ListingLine(0), "000 00    NOP");
    });
    layer.Tick(kAnimationTimer);
    layer.Call([this] { EXPECT_EQ(state.pc, 1); });
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 32);
    EXPECT_EQ(layer.timerAdds, 1);
}

TEST_F(RunControlTest, ResetCpuRebuildsAMovedListingFromAddressZero) {
    layer.PasteOver(Control::kProgramCounter, "100");
    layer.Call([this] {
        EXPECT_EQ(ListingLine(0), "100 00    NOP");
        state.RomImage[0] = 0xD7;
    });
    layer.ChooseMenu(MenuItem::kResetCpu);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(ListingLine(0), "000 D7    LDM 7");
    EXPECT_EQ(ListingLine(1), "001 00    NOP");
    EXPECT_EQ(Listing().selected, 0);
    EXPECT_EQ(Text(Control::kProgramCounter), "0");
}

TEST_F(RunControlTest, AnimateAtOrBeyondProgramLengthExecutesOneInstruction) {
    layer.Call([this] { state.pc = 40; });
    layer.ChooseMenu(MenuItem::kAnimate);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 41);
    EXPECT_EQ(state.running, 0);
    EXPECT_TRUE(layer.timers.empty());
}

TEST_F(RunControlTest, TheLoopIgnoresOtherControlsAndTimers) {
    layer.ChooseMenu(MenuItem::kAnimate);
    layer.ClickLine(Control::kCodeListing, 3);
    layer.Tick(kAnimationTimer + 1);
    layer.Call([this] {
        EXPECT_EQ(state.pc, 0);
        // Only a change of a field's text is an edit.
        layer.controls.at(5).text = "3";
        ApplyFieldEdit(*workbench, layer, {EventKind::Control, 5, ControlEventType::Other});
        EXPECT_EQ(state.indexRegisters[5], 0);
        // A change of anything but a field of the machine is no edit, even
        // where the text reads as a number ("A").
        const auto before = std::make_unique<MachineState>(state);
        for (const int32_t other : {Control::kAccumulatorLabel, Control::kSrc, Control::kCount}) {
            ApplyFieldEdit(*workbench, layer,
                           {EventKind::Control, other, ControlEventType::Change});
        }
        EXPECT_TRUE(SameState(*before, state));
    });
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 32);
}

struct EditCase {
    const char* name;
    std::function<void(HeadlessLayer&)> edit;
    int32_t r5;
};

const std::vector<EditCase> kEditCases = {
    {"paste 1F", [](HeadlessLayer& l) { l.PasteOver(5, "1F"); }, 31},
    {"paste 1f", [](HeadlessLayer& l) { l.PasteOver(5, "1f"); }, 31},
    {"clear then type 1F",
     [](HeadlessLayer& l) {
         l.ClearField(5);
         l.TypeText(5, "1F");
     },
     31},
    {"clear", [](HeadlessLayer& l) { l.ClearField(5); }, 7},
    {"paste 1G", [](HeadlessLayer& l) { l.PasteOver(5, "1G"); }, 7},
    {"paste a blank", [](HeadlessLayer& l) { l.PasteOver(5, " 1"); }, 7},
};

TEST(FieldEdits, ARegisterFieldStoresHexTextAndIgnoresTheRest) {
    for (const EditCase& c : kEditCases) {
        SCOPED_TRACE(c.name);
        Session s;
        s.layer.Call([&s] { s.state.indexRegisters[5] = 7; });
        c.edit(s.layer);
        EXPECT_EQ(s.Launch(), 0);
        EXPECT_EQ(s.state.indexRegisters[5], c.r5);
        EXPECT_TRUE(s.layer.messages.empty());
    }
}

TEST_F(RunControlTest, AccumulatorAndPcFieldsStoreUnmasked) {
    layer.PasteOver(Control::kAccumulator, "ff");
    layer.PasteOver(Control::kProgramCounter, "FFFF");
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.accumulator, 0xFF);
    EXPECT_EQ(state.pc, 0xFFFF);
}

TEST_F(RunControlTest, FieldTextBeyondFourDigitsWorthIsIgnored) {
    // Longer text than the limits let the user type, as the program may
    // write it; leading zeros do not count.
    const auto edit = [this](const std::string& text) {
        layer.controls.at(Control::kProgramCounter).text = text;
        ApplyFieldEdit(*workbench, layer,
                       {EventKind::Control, Control::kProgramCounter, ControlEventType::Change});
    };
    layer.Call([&] { edit("0000F"); });
    layer.Call([&] { edit("10000"); });
    layer.Call([&] { edit("FFFFFFFFFFFF"); });
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 15);
}

TEST_F(RunControlTest, APcEditRebuildsTheListingFromZeroThenFollows) {
    layer.PasteOver(Control::kProgramCounter, "100");
    layer.Call([this] {
        EXPECT_EQ(ListingLine(0), "100 00    NOP");
        EXPECT_EQ(Listing().selected, 0);
    });
    layer.PasteOver(Control::kProgramCounter, "5");
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 5);
    EXPECT_EQ(ListingLine(0), "000 00    NOP");
    EXPECT_EQ(Listing().selected, 5);
}

TEST_F(RunControlTest, ARegisterEditChangesNothingElseOnScreen) {
    layer.Call([this] {
        state.accumulator = 9;
        state.pc = 3;
    });
    layer.PasteOver(5, "1F");
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.indexRegisters[5], 31);
    EXPECT_EQ(Text(Control::kAccumulator), "0");
    EXPECT_EQ(Text(Control::kProgramCounter), "0");
    EXPECT_EQ(Listing().selected, 0);
}

TEST_F(RunControlTest, TheCarryBoxSetsAndClearsTheCarry) {
    layer.ClickCheckBox(Control::kCarry);
    layer.Call([this] { EXPECT_EQ(state.carry, 1); });
    layer.ClickCheckBox(Control::kCarry);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.carry, 0);
}

// A window layer that fails a program going on after Terminate, which
// would otherwise wait for ever.
class EndingLayer : public HeadlessLayer {
public:
    Event WaitEvent() override {
        const Event event = HeadlessLayer::WaitEvent();
        if (event.kind == EventKind::Terminate && terminatesTaken++ > 0)
            throw std::logic_error("the event loop went on after Terminate");
        return event;
    }
    int32_t terminatesTaken = 0;
};

// Close, Quit and the session's Terminate end the program at once, with
// exit status 0, in every state: nothing scripted after them happens.
TEST(Shutdown, CloseQuitAndTerminateEndTheProgramAtOnceInEveryState) {
    struct Case {
        const char* ending;
        bool animating;  // an animation runs when the ending comes
        std::function<void(EndingLayer&)> end;
        int64_t executed;  // instructions recorded by then
        size_t modals;     // message boxes and dialogs shown
    };
    const Case cases[] = {
        {"Close in an animation", true, [](EndingLayer& l) { l.Close(); }, 1, 0},
        {"Quit in an animation", true, [](EndingLayer& l) { l.ChooseMenu(MenuItem::kQuit); }, 1, 0},
        {"Terminate in an animation", true, [](EndingLayer& l) { l.Terminate(); }, 1, 0},
        {"Terminate in a Run", false,
         [](EndingLayer& l) {
             l.Call([&l] {
                 l.TerminateAfter(2);
                 l.HoldEscapeAfter(8);  // a Run that ignores Terminate ends later
             });
             l.ChooseMenu(MenuItem::kRun);
         },
         2 * kSnapshotInterval, 0},
        {"Terminate in a message box", false,
         [](EndingLayer& l) {
             l.TerminateInNextModal();
             l.ChooseMenu(MenuItem::kAbout);
         },
         0, 1},
        {"Terminate in the open dialog", false,
         [](EndingLayer& l) {
             l.TerminateInNextModal();
             l.dialogAnswers = {"missing.bin"};
             l.ChooseMenu(MenuItem::kOpen);
         },
         0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ending);
        auto workbench = std::make_unique<Workbench>();
        workbench->state.RomImage[0] = 0x40;  // 000 JUN 000 for ever
        EndingLayer layer;
        if (c.animating) {
            layer.ChooseMenu(MenuItem::kAnimate);
            layer.Tick(kAnimationTimer);
        }
        c.end(layer);
        layer.ChooseMenu(MenuItem::kStep);
        layer.Tick(kAnimationTimer);
        EXPECT_EQ(RunQuodlet(*workbench, layer), 0);
        EXPECT_EQ(HistoryLength(workbench->history), c.executed);
        EXPECT_EQ(layer.messages.size() + layer.dialogCalls.size(), c.modals);
        EXPECT_FALSE(layer.ranDry);
        EXPECT_EQ(layer.freedImages, (std::vector<int32_t>{0, 1}));
        EXPECT_TRUE(layer.released);
    }
}

}  // namespace
