#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "frontend/source_map.h"
#include "tests/unit/frontend_test_support.h"

namespace {

namespace fs = std::filesystem;

// Lines 2..9 hold instructions at 0, 1, 3, 4, 6, 7, 8 and 9.
const std::vector<std::string> kCallSource = {
    "; a call",    "        LDM 1", "        JMS CALC", "        XCH R1", "        JUN DONE",
    "CALC:   IAC", "        IAC",   "        BBL 0",    "DONE:   NOP",
};

// A session with a source file to open.
struct SourceSession : Session {
    std::string path;
    void Open() {
        layer.dialogAnswers.push_back(path);
        layer.ChooseMenu(MenuItem::kOpen);
    }
    // The 1-based numbers of the lines carrying `flag`.
    [[nodiscard]] std::vector<int32_t> Lines(uint32_t flag) const {
        std::vector<int32_t> lines;
        const HeadlessControl& list = layer.controls.at(SourceControl::kLines);
        for (size_t k = 0; k < list.flags.size(); ++k)
            if ((list.flags[k] & flag) != 0) lines.push_back(static_cast<int32_t>(k) + 1);
        return lines;
    }
    [[nodiscard]] std::string Status() const { return Text(SourceControl::kStatus); }
    void Key(int32_t key) { layer.PressKeyIn(kSourceWindow, key); }
};

class SourceWindowTest : public ::testing::Test, public SourceSession {
protected:
    void SetUp() override {
        path = (fs::temp_directory_path() /
                ("quodlet_source_" + std::to_string(getpid()) + "_" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".asm"))
                   .string();
        Write(kCallSource);
    }
    void TearDown() override { fs::remove(path); }
    void Write(const std::vector<std::string>& lines) const {
        std::ofstream file(path, std::ios::binary);
        for (const std::string& line : lines) file << line << '\n';
    }
};

TEST_F(SourceWindowTest, OpensBesideTheMainWindowAndItsCurrentLineFollowsStep) {
    Open();
    std::vector<std::vector<int32_t>> current;
    std::vector<int32_t> writes;
    auto note = [&] {
        layer.Call([&] {
            current.push_back(Lines(LineFlag::kCurrent));
            writes.push_back(layer.controls.at(SourceControl::kLines).flagWrites);
        });
    };
    note();
    for (int k = 0; k < 3; ++k) {
        layer.ChooseMenu(MenuItem::kStep);
        note();
    }
    layer.Call([this] { EXPECT_TRUE(layer.windows.at(kSourceWindow).shown); });
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.controls.at(SourceControl::kLines).lines, kCallSource);
    EXPECT_EQ(current, (std::vector<std::vector<int32_t>>{{2}, {3}, {6}, {7}}));
    // A Step rewrites two lines' marks: the old current line's and the new one's.
    for (size_t k = 1; k < writes.size(); ++k) EXPECT_EQ(writes[k] - writes[k - 1], 2) << k;
    // The selection is the user's alone.
    EXPECT_EQ(layer.controls.at(SourceControl::kLines).selected, -1);
}

TEST_F(SourceWindowTest, AGutterClickSetsABreakpointRunStopsAtAndF9ClearsIt) {
    Open();
    layer.ClickGutter(SourceControl::kLines, 6);  // line 7, the second IAC
    layer.Call([this] { EXPECT_EQ(Lines(LineFlag::kBreakpoint), std::vector<int32_t>{7}); });
    ChooseRun();
    layer.Call([this] {
        EXPECT_EQ(state.pc, 7);
        EXPECT_EQ(Status(), "Stopped at the breakpoint at CALC+1 (line 7).");
    });
    layer.ClickLine(SourceControl::kLines, 6);
    Key(KeyCode::kF9);
    layer.ClickGutter(SourceControl::kLines, 0);  // a comment holds no instruction
    EXPECT_EQ(Launch(), 0);
    EXPECT_TRUE(Lines(LineFlag::kBreakpoint).empty());
    EXPECT_EQ(workbench->breakpoints.count, 0);
    EXPECT_EQ(Status(), "Line 1 holds no instruction.");
}

TEST_F(SourceWindowTest, ASavedEditReloadsMovesBreakpointsWithTheirLinesAndDropsTheLost) {
    Open();
    layer.ClickGutter(SourceControl::kLines, 3);  // XCH R1, at 3
    layer.ClickGutter(SourceControl::kLines, 6);  // the second IAC, at 7
    layer.ChooseMenu(MenuItem::kStep);
    layer.Call([this] {
        std::vector<std::string> edited = kCallSource;
        edited.insert(edited.begin() + 1, "        NOP");  // everything moves down a line
        edited[4] = "        XCH R2";                      // XCH R1 changed in place: it stays
        Write(edited);
    });
    layer.CloseWindow(kSourceWindow);  // hidden, and it stays so
    layer.ChangeWatchedFile();
    layer.Call([this] {
        EXPECT_EQ(layer.watchedFile, path);
        EXPECT_FALSE(layer.windows.at(kSourceWindow).shown);
    });
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(Lines(LineFlag::kBreakpoint), (std::vector<int32_t>{5, 8}));
    EXPECT_EQ(workbench->breakpoints.count, 2);
    EXPECT_TRUE(HasBreakpoint(workbench->breakpoints, 4));  // XCH R2
    EXPECT_TRUE(HasBreakpoint(workbench->breakpoints, 8));  // the second IAC
    EXPECT_EQ(state.pc, 0);                                 // the CPU was reset
}

TEST_F(SourceWindowTest, ReloadOnChangeTurnedOffStopsWatchingTheSource) {
    Open();
    std::vector<std::string> watched;
    auto note = [&] {
        layer.Call([&] {
            watched.push_back(layer.watchedFile +
                              (layer.menuChecks.at(MenuItem::kReloadOnChange) ? " on" : " off"));
        });
    };
    note();
    layer.ChooseMenu(MenuItem::kReloadOnChange);
    note();
    layer.ChooseMenu(MenuItem::kReloadOnChange);
    note();
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(watched, (std::vector<std::string>{path + " on", " off", path + " on"}));
}

TEST_F(SourceWindowTest, AReloadDropsABreakpointWhoseLineHoldsNoInstructionAndSaysSo) {
    Open();
    layer.ClickGutter(SourceControl::kLines, 6);
    layer.Call([this] {
        std::vector<std::string> edited = kCallSource;
        edited[6] = "        ; IAC";
        Write(edited);
    });
    layer.PressKey(KeyCode::kCtrlR);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(workbench->breakpoints.count, 0);
    EXPECT_EQ(Status(),
              "1 breakpoint was dropped: its line no longer holds an instruction (line 7).");
}

TEST_F(SourceWindowTest, AnotherProgramDropsTheBreakpointsAndAnImageHidesTheWindow) {
    Open();
    layer.ClickGutter(SourceControl::kLines, 6);
    layer.Call([this] {
        std::ofstream(path + ".bin", std::ios::binary) << '\xD1';
        layer.dialogAnswers.push_back(path + ".bin");
    });
    layer.ChooseMenu(MenuItem::kOpen);
    layer.Call([this] {
        EXPECT_FALSE(layer.windows.at(kSourceWindow).shown);
        EXPECT_TRUE(layer.watchedFile.empty());
    });
    EXPECT_EQ(Launch(), 0);
    fs::remove(path + ".bin");
    EXPECT_EQ(workbench->breakpoints.count, 0);
}

// Step Out and Step Back after Step Over, on both machines.
TEST_F(SourceWindowTest, StepOutReturnsToTheCallerAndStepBackUndoesAWholeStepOver) {
    for (const int32_t machine : {MenuItem::kMachineCompatible, MenuItem::kMachineMcs4}) {
        SCOPED_TRACE(machine);
        SourceSession s;
        s.path = path;
        s.layer.ChooseMenu(machine);
        s.Open();
        std::vector<int32_t> pcs;
        auto note = [&] { s.layer.Call([&] { pcs.push_back(CurrentPc(*s.workbench)); }); };
        for (int k = 0; k < 3; ++k) s.layer.ChooseMenu(MenuItem::kStep);  // into SUB, at 7
        s.layer.PressKey(KeyCode::kShift | KeyCode::kF8);
        s.layer.Call([] {});  // what a run takes as pending input
        note();               // 3: back after the JMS
        s.layer.PressKey(KeyCode::kShift | KeyCode::kF7);
        note();  // 7: Step Out undone whole
        s.layer.ChooseMenu(MenuItem::kResetCpu);
        s.layer.ChooseMenu(MenuItem::kStep);
        s.layer.ChooseMenu(MenuItem::kStepOver);
        s.layer.Call([] {});
        note();  // 3
        s.layer.ChooseMenu(MenuItem::kStepBack);
        note();  // 1: before the whole call
        s.layer.ChooseMenu(MenuItem::kStepBack);
        note();  // 0
        EXPECT_EQ(s.Launch(), 0);
        EXPECT_EQ(pcs, (std::vector<int32_t>{3, 7, 3, 1, 0}));
        EXPECT_EQ(s.Status(), "Returned to 3 (line 4).");
    }
}

TEST_F(SourceWindowTest, F4RunsToTheSelectedLineAndTheListScrollsToTheCurrentLine) {
    std::vector<std::string> lines = {"; a long run of NOP"};
    lines.resize(60, "        NOP");
    lines.push_back("        JUN 0");
    Write(lines);
    Open();
    layer.ClickLine(SourceControl::kLines, 49);
    Key(KeyCode::kF4);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 48);
    EXPECT_EQ(Lines(LineFlag::kCurrent), std::vector<int32_t>{50});
    // 22 lines in view: the current one is the last of them.
    EXPECT_EQ(layer.controls.at(SourceControl::kLines).firstShown, 28);
}

// Why each run stopped, as the status line says it.
TEST_F(SourceWindowTest, TheStatusLineGivesEachStopsReason) {
    struct Case {
        const char* name;
        std::function<void(SourceSession&)> act;
        const char* status;
    };
    const std::vector<Case> cases = {
        {"end", [](SourceSession& t) { t.ChooseRun(); },
         "Stopped at the end of the program, at DONE+2."},
        {"escape",
         [](SourceSession& t) {
             t.layer.ClickGutter(SourceControl::kLines, 4);  // JUN DONE
             t.ChooseRun();
             t.layer.ClickGutter(SourceControl::kLines, 4);
             t.layer.Call([&t] {
                 t.state.RomImage[10] = 0x40;  // JUN 00A: a loop only Escape ends
                 t.state.RomImage[11] = 0x0A;
                 t.workbench->programLength = 0x100;
                 t.layer.HoldEscapeAfter(2);
             });
             t.ChooseRun();
         },
         "Stopped by Escape at DONE+1."},
        {"run to line",
         [](SourceSession& t) {
             t.layer.ClickLine(SourceControl::kLines, 7);
             t.Key(KeyCode::kF4);
         },
         "Reached CALC+2 (line 8)."},
        {"step over", [](SourceSession& t) { t.layer.PressKey(KeyCode::kF8); }, ""},
        {"error", [](SourceSession& t) { t.ChooseRun(); },
         "Stopped by an error at X+1 (line 2): Unrecognized instruction:FE at PC=0002"},
        {"step out at the top",
         [](SourceSession& t) {
             t.layer.ClickGutter(SourceControl::kLines, 8);
             t.layer.PressKey(KeyCode::kShift | KeyCode::kF8);
         },
         "Stopped at the breakpoint at DONE (line 9)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SourceSession t;
        t.path = path;
        Write(c.name == std::string("error") ? std::vector<std::string>{"X: LDM 1", "   DB 0FEh"}
                                             : kCallSource);
        t.Open();
        c.act(t);
        EXPECT_EQ(t.Launch(), 0);
        EXPECT_EQ(t.Status(), c.status);
    }
}

TEST_F(SourceWindowTest, WarningsFindAndGoToTakeTheUserToTheirLines) {
    std::vector<std::string> warned = kCallSource;
    warned[1] = "        FIM P0, 0x1FF";  // cut to 8 bits, with a warning
    Write(warned);
    Open();
    std::vector<int32_t> selected;
    auto note = [&] {
        layer.Call([&] { selected.push_back(layer.controls.at(SourceControl::kLines).selected); });
    };
    layer.ClickLine(SourceControl::kWarnings, 0);
    note();
    layer.textAnswers = {"bbl", "done", "7", "nowhere"};
    Key(KeyCode::kCtrlF);
    note();
    Key(KeyCode::kCtrlG);
    note();
    Key(KeyCode::kCtrlG);
    note();
    Key(KeyCode::kCtrlG);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(Lines(LineFlag::kWarning), std::vector<int32_t>{2});
    EXPECT_EQ(layer.controls.at(SourceControl::kWarnings).lines.size(), 1U);
    EXPECT_EQ(selected, (std::vector<int32_t>{1, 7, 8, 5}));
    EXPECT_EQ(Status(), "\"nowhere\" is neither a label nor an address.");
}

TEST_F(SourceWindowTest, GoToAddressShowsTheListingFromALabelAndStepFollowsPcAgain) {
    Open();
    layer.textAnswers = {"calc", "zz"};
    layer.PressKey(KeyCode::kCtrlG);
    layer.Call([this] { EXPECT_EQ(ListingLine(0).substr(0, 4), "006 "); });
    layer.PressKey(KeyCode::kCtrlG);
    layer.Call([this] { layer.textAnswers.push_back("2"); });  // the JMS's second byte
    layer.PressKey(KeyCode::kCtrlG);
    layer.PressKey(KeyCode::kF9);  // refused, with a message
    layer.ChooseMenu(MenuItem::kStep);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(SelectedLine().substr(0, 4), "001 ");
    ASSERT_EQ(layer.messages.size(), 2U);
    EXPECT_EQ(layer.messages[0].second, "\"zz\" is neither a label nor an address.");
    EXPECT_EQ(layer.messages[1].second,
              "Address 2 lies inside the instruction at 1: a breakpoint there would never be "
              "reached.");
    EXPECT_EQ(workbench->breakpoints.count, 0);
}

TEST(SourceMap, LinesMapByTheirTextAndTheirPlaceAmongMatchedLines) {
    struct Case {
        std::vector<std::string> before, after;
        std::vector<int32_t> mapped;
    };
    const std::vector<Case> cases = {
        {{"a", "b", "c"}, {"a", "b", "c"}, {0, 1, 2}},
        {{"a", "b", "c"}, {"x", "a", "b", "c"}, {1, 2, 3}},
        {{"a", "b", "c"}, {"a", "c"}, {0, -1, 1}},
        {{"a", "b", "c", "d"}, {"a", "B", "c", "y", "d"}, {0, 1, 2, 4}},
        {{"a", "b", "c"}, {"a", "x", "y", "c"}, {0, -1, 3}},
        {{"a", "a", "b"}, {"b", "a", "a"}, {1, 2, -1}},
    };
    for (const Case& c : cases) EXPECT_EQ(MapLines(c.before, c.after), c.mapped);
}

TEST(SourceMap, NamesAddressesByTheirLabels) {
    const SourceMap map = MapSource("X: NOP\nY: NOP\nNOP\n", Assemble("X: NOP\nY: NOP\nNOP\n"));
    EXPECT_EQ(NameOfAddress(map, 1), "Y");
    EXPECT_EQ(NameOfAddress(map, 2), "Y+1");
    EXPECT_EQ(AddressOfName(map, "y"), 1);
    EXPECT_EQ(AddressOfName(map, "0x1A"), 0x1A);
    EXPECT_EQ(AddressOfName(map, "1Ah"), 0x1A);
    EXPECT_EQ(AddressOfName(map, "1G"), std::nullopt);
    EXPECT_EQ(LineOfAddress(map, 2), 2);
    EXPECT_EQ(AddressOfLine(map, 3), -1);
}

}  // namespace
