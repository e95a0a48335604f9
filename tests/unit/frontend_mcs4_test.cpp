// The MCS-4 machines in the window: the Machine menu, the MCS-4 system's
// own window, its inputs and stops, as a user drives them on the in-memory
// layer.

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "debug/history.h"
#include "display/state_display.h"
#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/listing.h"
#include "frontend/workbench.h"
#include "platform/headless/headless_layer.h"
#include "tests/unit/core_test_support.h"
#include "tests/unit/frontend_test_support.h"

namespace {

// The lines of a multi-line text.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
    return lines;
}

class Mcs4WindowTest : public ::testing::Test {
protected:
    // Puts a program in ROM from address 0 when the loop reaches this step,
    // as a load does.
    void Program(std::vector<int32_t> bytes) {
        layer.Call([this, bytes] {
            std::copy(bytes.begin(), bytes.end(), ChangeMachine(*workbench).RomImage.begin());
            workbench->programLength = static_cast<int32_t>(bytes.size());
            SyncMcs4Rom(*workbench);
            RebuildListingFromZeroFollowingPc(*workbench, layer);
        });
    }
    int Launch(const std::string& file = {}) { return RunQuodlet(*workbench, layer, file); }
    void ChooseRun() { layer.ChooseMenu(MenuItem::kRun); }
    [[nodiscard]] std::string Text(int32_t control) const {
        return layer.controls.at(control).text;
    }

    std::unique_ptr<Workbench> workbench = std::make_unique<Workbench>();
    Mcs4State& mcs4 = workbench->mcs4;
    PatientLayer layer;  // what is scripted after a Run happens after it
};

TEST_F(Mcs4WindowTest, TheMachineMenuSwitchesKeepingTheProgramAndTheBreakpoints) {
    layer.ChooseMenu(MenuItem::kExampleSquare);
    layer.Call([this] { ToggleBreakpoint(workbench->breakpoints, 0x00B); });
    layer.ChooseMenu(MenuItem::kMachineMcs4);
    layer.Call([this] {
        EXPECT_EQ(layer.title, "Quodlet v0.9 - Intel MCS-4 system");
        EXPECT_TRUE(layer.menuChecks.at(MenuItem::kMachineMcs4));
        EXPECT_FALSE(layer.menuChecks.at(MenuItem::kMachineCompatible));
        EXPECT_EQ(layer.controls.at(Control::kStack).lines,
                  (std::vector<std::string>{"000", "000", "000", "000"}));
        EXPECT_EQ(layer.controls.at(Control::kCodeListing).lines[8], "008 1A 0B JCN C0 0B");
    });
    ChooseRun();  // to the breakpoint, which the switch kept
    layer.Call([this] {
        EXPECT_EQ(Mcs4Pc(mcs4), 0x00B);
        EXPECT_EQ(Text(Control::kProgramCounter), "B");
    });
    layer.ChooseMenu(MenuItem::kMachineCompatible);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.title, "Quodlet v0.9");
    EXPECT_EQ(layer.controls.at(Control::kStack).lines.size(), 3U);
    EXPECT_EQ(workbench->state.RomImage[0x10], 0x40);  // the program stayed
}

TEST_F(Mcs4WindowTest, ARunHasNoEndButItsStops) {
    // 000 LDM 1, 001 JUN 000 would loop for ever: Escape ends it. 003 holds
    // an undefined opcode, 004 and 010 JMS 010.
    std::vector<int32_t> program = {0xD1, 0x40, 0x00, 0xFE, 0x50, 0x10};
    program.resize(0x12, 0);
    program[0x10] = 0x50;
    program[0x11] = 0x10;
    Program(program);
    layer.ChooseMenu(MenuItem::kMachineMcs4);
    layer.Call([this] { layer.HoldEscapeAfter(3); });
    ChooseRun();
    layer.Call([this] {
        layer.ReleaseEscape();
        EXPECT_EQ(HistoryLength(workbench->mcs4History), 3 * kSnapshotInterval);
        // The stops the Debug menu offers: before the undefined opcode at 003.
        ChangeMcs4(*workbench).stack[0] = 2;
    });
    layer.ChooseMenu(MenuItem::kStopOnUndefined);
    ChooseRun();
    layer.Call([this] {
        EXPECT_TRUE(layer.menuChecks.at(MenuItem::kStopOnUndefined));
        EXPECT_EQ(Mcs4Pc(mcs4), 0x003);
        ChangeMcs4(*workbench).stack[0] = 4;
        mcs4.depth = 3;
    });
    layer.ChooseMenu(MenuItem::kStopOnOverflow);
    layer.ChooseMenu(MenuItem::kStep);  // a Step is never stopped
    layer.Call([this] {
        EXPECT_EQ(Mcs4Pc(mcs4), 0x010);
        EXPECT_EQ(mcs4.depth, 3);
    });
    // Nor is an animation's first instruction; its second, a fourth nested
    // JMS, is.
    layer.ChooseMenu(MenuItem::kAnimate);
    layer.Tick(kAnimationTimer);
    layer.Tick(kAnimationTimer);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(Mcs4Pc(mcs4), 0x010);
    EXPECT_EQ(HistoryLength(workbench->mcs4History), 2);
    EXPECT_TRUE(layer.timers.empty());
}

TEST_F(Mcs4WindowTest, TheSystemsWindowShowsItAllAndTakesTheInputs) {
    // 000 FIM P0 C5, 002 DCL (bank 3), 003 SRC P0, 004 LDM 9, 005 WRM, WR2, WMP, WRR, RDR
    Program({0x20, 0xC5, 0xD3, 0xFD, 0x21, 0xD9, 0xE0, 0xE6, 0xE1, 0xE2, 0xEA});
    layer.ChooseMenu(MenuItem::kMcs4Window);  // on the compatible machine: a word why not
    layer.ChooseMenu(MenuItem::kMachineMcs4);
    layer.ChooseMenu(MenuItem::kMcs4Window);
    for (int k = 0; k < 9; ++k) layer.ChooseMenu(MenuItem::kStep);
    layer.Call([this] {
        ASSERT_EQ(layer.messages.size(), 1U);
        EXPECT_TRUE(layer.windows.at(kMcs4Window).shown);
        const std::vector<std::string> ram = Lines(Text(Mcs4Control::kRam));
        EXPECT_EQ(ram.at(2 + 0xC), "3.0 0000090000000000 0090");  // chip 3, register 0
        EXPECT_NE(Text(Mcs4Control::kPorts).find("bank 3           0 0 0 9"), std::string::npos)
            << Text(Mcs4Control::kPorts);
        EXPECT_EQ(Text(Mcs4Control::kCycles), "cycles 10, 0.108 ms at 740 kHz");
        EXPECT_EQ(layer.controls.at(Mcs4Control::kBanks).selected, 3);
    });
    // Another bank on request, then DCL's again.
    layer.ClickLine(Mcs4Control::kBanks, 5);
    layer.Call([this] {
        EXPECT_EQ(Lines(Text(Mcs4Control::kRam)).at(2 + 0xC), "3.0 0000000000000000 0000");
        EXPECT_EQ(layer.controls.at(Mcs4Control::kFollowBank).checked, 0);
    });
    layer.ClickCheckBox(Mcs4Control::kFollowBank);
    // The inputs: each a change from outside, which Step Back cannot cross.
    layer.PasteOver(Mcs4Control::kFirstRomIn + 0xC, "7");
    layer.ClickCheckBox(Mcs4Control::kTest);
    layer.Call([this] {
        EXPECT_EQ(layer.controls.at(Mcs4Control::kBanks).selected, 3);
        EXPECT_EQ(mcs4.romIn[0xC], 7);
        EXPECT_EQ(mcs4.test, 1);
        EXPECT_EQ(HistoryLength(workbench->mcs4History), 0);
    });
    layer.ChooseMenu(MenuItem::kStep);  // RDR reads the lines, not the latch
    layer.CloseWindow(kMcs4Window);     // hides it; the program goes on
    layer.Call([this] { EXPECT_FALSE(layer.windows.at(kMcs4Window).shown); });
    layer.ChooseMenu(MenuItem::kStepBack);
    layer.ChooseMenu(MenuItem::kStepBack);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(mcs4.acc, 9);  // back before RDR, and no further
    EXPECT_EQ(mcs4.romOut[0xC], 9);
}

TEST_F(Mcs4WindowTest, FieldsTakeOnlyWhatTheRegistersHold) {
    layer.ChooseMenu(MenuItem::kMachineMcs4);
    layer.TypeText(Control::kFirstRegister + 2, "C");
    layer.PasteOver(Control::kFirstRegister + 3, "1F");
    layer.PasteOver(Control::kAccumulator, "10");
    layer.PasteOver(Control::kProgramCounter, "ABC");
    layer.PasteOver(Control::kProgramCounter, "1000");
    layer.ClickCheckBox(Control::kCarry);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(mcs4.regs[2], 0xC);
    EXPECT_EQ(mcs4.regs[3], 0);
    EXPECT_EQ(mcs4.acc, 0);
    EXPECT_EQ(Mcs4Pc(mcs4), 0xABC);
    EXPECT_EQ(mcs4.cy, 1);
}

TEST_F(Mcs4WindowTest, AnImageBeyondTheRomIsRefusedWithItsSize) {
    const std::string path = testing::TempDir() + "quodlet_mcs4_big.bin";
    std::ofstream(path, std::ios::binary) << std::string(5000, '\xD1');
    layer.ChooseMenu(MenuItem::kMachineExerciser);
    layer.dialogAnswers.push_back(path);
    layer.ChooseMenu(MenuItem::kOpen);
    EXPECT_EQ(Launch(), 0);
    std::filesystem::remove(path);
    ASSERT_EQ(layer.messages.size(), 1U);
    EXPECT_EQ(layer.messages[0].first, "Big size");
    EXPECT_EQ(layer.messages[0].second,
              "too big to fit in rom: 5000 bytes, and the MCS-4 system's ROM holds 4096");
    EXPECT_EQ(workbench->state.RomImage[0], 0);
}

// Intel's exerciser opened on its board at start-up: its ports move in the
// MCS-4 window as it runs.
TEST_F(Mcs4WindowTest, TheExerciserDrivesItsPortsInTheWindow) {
    const std::string rom = QUODLET_ROMS_DIR "/mcs4_exerciser_4001-0009.bin";
    if (!std::filesystem::exists(rom))
        GTEST_SKIP() << "the exerciser ROM is not in " QUODLET_ROMS_DIR;
    workbench->machine = MachineKind::Exerciser;
    layer.ChooseMenu(MenuItem::kMcs4Window);
    layer.Call([this] { layer.HoldEscapeAfter(4); });  // 4 x 4096 instructions: past pass 3
    ChooseRun();
    EXPECT_EQ(Launch(rom), 0);
    EXPECT_EQ(layer.title, "Quodlet v0.9 - MCS-4 exerciser board");
    EXPECT_EQ(mcs4.rom[0x850], mcs4.rom[0x050]);  // page 0 answers in every page
    EXPECT_GT(mcs4.cycles, 16384);
    EXPECT_NE(Text(Mcs4Control::kPorts), Mcs4PortsText(Mcs4State{}));
}

}  // namespace
