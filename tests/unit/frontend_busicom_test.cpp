// The Busicom 141-PF calculator in the window, as a user drives it on the
// in-memory layer: keys typed and clicked while the machine runs, the tape,
// the lamps and switches, and a machine without its program.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>

#include "debug/history.h"
#include "frontend/app.h"
#include "frontend/busicom_window.h"
#include "frontend/controls.h"
#include "frontend/workbench.h"
#include "platform/headless/headless_layer.h"

namespace {

constexpr char kRom[] = QUODLET_ROMS_DIR "/busicom_141-PF.bin";

class BusicomWindowTest : public ::testing::Test {
protected:
    void SetUp() override { workbench->machine = MachineKind::Busicom; }
    // Lets the Run go on for `checkpoints` x 4096 instructions: the layer
    // takes one scripted step at each of the Run's event takes.
    void RunOn(int32_t checkpoints) {
        for (int32_t k = 0; k < checkpoints; ++k) layer.Call([] {});
    }
    void StopTheRun() {
        layer.Call([this] { layer.HoldEscapeAfter(0); });
        layer.Call([this] { layer.ReleaseEscape(); });
    }
    [[nodiscard]] const std::vector<std::string>& Tape() const {
        return layer.controls.at(BusicomControl::kTape).lines;
    }

    std::unique_ptr<Workbench> workbench = std::make_unique<Workbench>();
    HeadlessLayer layer;
};

TEST_F(BusicomWindowTest, TwoPlusTwoKeyedWhileItRunsPrintsFour) {
    if (!std::filesystem::exists(kRom)) GTEST_SKIP() << "the calculator's ROM is not at " << kRom;
    layer.ChooseMenu(MenuItem::kRun);
    // Typed and clicked, about two seconds of the chip's time apart.
    layer.PressKeyIn(kBusicomWindow, '2');
    RunOn(50);
    layer.PressKeyIn(kBusicomWindow, KeyCode::kPlus);
    RunOn(50);
    layer.ClickButton(BusicomControl::kFirstKey + 22);  // "2"
    RunOn(50);
    layer.PressKeyIn(kBusicomWindow, KeyCode::kPlus);
    RunOn(50);
    layer.PressKeyIn(kBusicomWindow, KeyCode::kReturn);
    RunOn(150);
    StopTheRun();
    layer.Call([this] {
        EXPECT_TRUE(layer.windows.at(kBusicomWindow).shown);
        EXPECT_EQ(Tape(),
                  (std::vector<std::string>{"              2 +     ", "              2 +     ",
                                            "              4    *  ", "                      "}));
    });
    layer.ClickButton(BusicomControl::kCopyTape);
    layer.Call([this] {
        EXPECT_EQ(layer.clipboard,
                  "              2 +\n              2 +\n              4    *\n\n");
    });
    layer.Close();
    RunQuodlet(*workbench, layer, kRom);
}

TEST_F(BusicomWindowTest, SwitchesStepAndAKeyStaysDownUntilTheProgramReadsIt) {
    if (!std::filesystem::exists(kRom)) GTEST_SKIP() << "the calculator's ROM is not at " << kRom;
    layer.ClickButton(BusicomControl::kPoint);
    layer.ClickButton(BusicomControl::kPoint);
    layer.ClickButton(BusicomControl::kRounding);
    layer.PressKeyIn(kBusicomWindow, '7');
    layer.Call([this] {
        EXPECT_EQ(layer.controls.at(BusicomControl::kPoint).text, "2");
        EXPECT_EQ(layer.controls.at(BusicomControl::kRounding).text, "5/4");
        EXPECT_EQ(layer.controls.at(BusicomControl::kFirstKey + 24).text, "[7]");
        // A key press is an input: Step Back cannot go back across it.
        EXPECT_EQ(HistoryLength(workbench->mcs4History), 0);
    });
    layer.ChooseMenu(MenuItem::kRun);
    RunOn(20);
    StopTheRun();
    layer.Call([this] { EXPECT_EQ(layer.controls.at(BusicomControl::kFirstKey + 24).text, "7"); });
    layer.Close();
    RunQuodlet(*workbench, layer, kRom);
}

TEST_F(BusicomWindowTest, WithoutItsProgramTheWindowSaysWhatToLoad) {
    layer.Call([this] {
        EXPECT_NE(layer.controls.at(BusicomControl::kMessage).text.find("File > Open"),
                  std::string::npos);
        EXPECT_TRUE(Tape().empty());
    });
    // A program that is not the calculator's runs; the window shows its ports.
    layer.ChooseMenu(MenuItem::kExampleSquare);
    layer.ChooseMenu(MenuItem::kRun);
    RunOn(3);
    StopTheRun();
    layer.CloseWindow(kBusicomWindow);
    layer.Call([this] { EXPECT_FALSE(layer.windows.at(kBusicomWindow).shown); });
    layer.ChooseMenu(MenuItem::kBusicomWindow);
    layer.Call([this] {
        EXPECT_TRUE(layer.windows.at(kBusicomWindow).shown);
        EXPECT_EQ(layer.controls.at(BusicomControl::kMessage).text, "");
    });
    layer.ChooseMenu(MenuItem::kMachineMcs4);
    layer.Call([this] { EXPECT_FALSE(layer.windows.at(kBusicomWindow).shown); });
    layer.Close();
    RunQuodlet(*workbench, layer);
}

// Real time on any MCS-4 machine: the Run waits on its pace timer between
// checkpoints, and leaves no timer behind.
TEST_F(BusicomWindowTest, ARealTimeRunWaitsOnItsPaceTimer) {
    workbench->machine = MachineKind::Mcs4;
    layer.ChooseMenu(MenuItem::kSpeed100x);
    layer.ChooseMenu(MenuItem::kExampleSquare);
    layer.ChooseMenu(MenuItem::kRun);
    layer.Call([this] {
        EXPECT_EQ(layer.timers.count(kPaceTimer), 1U);
        EXPECT_FALSE(layer.busy);
        EXPECT_TRUE(layer.menuChecks.at(MenuItem::kSpeed100x));
        EXPECT_FALSE(layer.menuChecks.at(MenuItem::kSpeedFull));
    });
    RunOn(3);
    // The wait takes the scripted steps until one raises an event: Escape
    // goes down, and the tick lets the Run see it.
    layer.Call([this] { layer.HoldEscapeAfter(0); });
    layer.Tick(kPaceTimer);
    layer.Call([this] {
        layer.ReleaseEscape();
        EXPECT_EQ(layer.timers.count(kPaceTimer), 0U);
        EXPECT_GT(workbench->mcs4.cycles, 4096);
    });
    layer.Close();
    RunQuodlet(*workbench, layer);
}

}  // namespace
