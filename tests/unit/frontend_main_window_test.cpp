#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "data/lamps.h"
#include "frontend/main_window.h"
#include "tests/unit/frontend_test_support.h"

namespace {

struct ExpectedControl {
    int32_t number;
    ControlKind kind;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    std::string text;
    bool centred;
    int32_t maxChars;
};

// The window's controls in creation order, the register block derived from
// its rule: register n in column n mod 2, row n div 2, label above field.
std::vector<ExpectedControl> ExpectedControls() {
    std::vector<ExpectedControl> expected;
    for (int32_t n = 0; n < 16; ++n) {
        const int32_t x = 40 * (n % 2);
        const int32_t y = 40 * (n / 2);
        std::string caption = "R";
        caption += std::to_string(n);
        expected.push_back({19 + n, ControlKind::Label, x, y, 40, 20, caption, true, -1});
        expected.push_back({n, ControlKind::TextField, x, y + 20, 40, 20, "FF", false, 2});
    }
    const std::vector<ExpectedControl> rest = {
        {18, ControlKind::CheckBox, 80, 0, 30, 20, "C", false, -1},
        {35, ControlKind::Label, 110, 0, 30, 20, "A", true, -1},
        {16, ControlKind::TextField, 140, 0, 20, 20, "AA", true, 2},
        {36, ControlKind::Label, 160, 0, 40, 20, "PC", true, -1},
        {17, ControlKind::TextField, 200, 0, 40, 20, "FF", true, 4},
        {37, ControlKind::List, 90, 20, 200, 420, "", false, -1},
        {42, ControlKind::List, 295, 20, 40, 50, "", false, -1},
        {38, ControlKind::Image, 320, 0, 16, 16, "", false, -1},
        {39, ControlKind::Image, 300, 0, 16, 16, "", false, -1},
        {40, ControlKind::Image, 280, 0, 16, 16, "", false, -1},
        {41, ControlKind::Image, 260, 0, 16, 16, "", false, -1},
        {43, ControlKind::ReadOnlyTextField, 340, 0, 290, 20, "src", true, -1},
        {44, ControlKind::MultiLineText, 295, 105, 340, 335, "", false, -1},
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    return expected;
}

const std::vector<std::string> kMenuLog = {
    "title File",
    "item 0 Open\tCtrl+O",
    "item 9 Reload\tCtrl+R",
    "item 1 Quit",
    "title Debug",
    "item 2 Reset CPU",
    "item 3 Zero ROM",
    "separator",
    "item 6 Animate",
    "item 4 Step\tF7",
    "item 5 Run\tF5",
    "submenu Examples",
    "item 7 1. R2R3=R6+R7",
    "item 8 2. A^2",
    "end submenu",
    // The debugger's commands, after a separator at the end of Debug.
    "separator",
    "item 10 Step Over\tF8",
    "item 11 Run to Cursor\tF4",
    "item 12 Toggle Breakpoint\tF9",
    "item 13 Clear Breakpoints",
    "item 14 Step Back\tShift+F7",
    "title Help",
    "item 15 Keyboard Shortcuts",
    "item 16 About Quodlet",
};

class MainWindowTest : public FrontendTest {
protected:
    void Build() {
        ASSERT_TRUE(layer.OpenWindow(kMainWindow, kWindowWidth, kWindowHeight, kWindowTitle));
        BuildMainWindow(layer);
    }
};

TEST_F(MainWindowTest, CreatesTheControlsInOrderWithTheirPlacesTextsAndLimits) {
    Build();
    const std::vector<ExpectedControl> expected = ExpectedControls();
    ASSERT_EQ(layer.controls.size(), expected.size());
    for (size_t order = 0; order < expected.size(); ++order) {
        const ExpectedControl& want = expected[order];
        SCOPED_TRACE("control " + std::to_string(want.number));
        ASSERT_EQ(layer.controls.count(want.number), 1U);
        const HeadlessControl& got = layer.controls.at(want.number);
        EXPECT_EQ(got.creationOrder, static_cast<int32_t>(order));
        EXPECT_EQ(got.kind, want.kind);
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.width, want.width);
        EXPECT_EQ(got.height, want.height);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.centred, want.centred);
        EXPECT_EQ(got.maxChars, want.maxChars);
        // Lamps start dark; the listing and the dump share the one font.
        EXPECT_EQ(got.image, want.kind == ControlKind::Image ? Image::kLampOff : -1);
        EXPECT_EQ(got.font, want.number == 37 || want.number == 44 ? 0 : -1);
    }
}

TEST_F(MainWindowTest, CreatesLampImagesFontMenusAndShortcuts) {
    Build();
    ASSERT_EQ(layer.images.size(), 2U);
    EXPECT_EQ(layer.images.at(Image::kLampOff).argb, LampPicture(0).argb);
    EXPECT_EQ(layer.images.at(Image::kLampOn).argb, LampPicture(1).argb);
    EXPECT_NE(LampPicture(0).argb, LampPicture(1).argb);
    EXPECT_EQ(layer.fonts, (std::vector<std::pair<std::string, int32_t>>{{"Courier", 8}}));
    EXPECT_EQ(layer.menuLog, kMenuLog);
    EXPECT_EQ(layer.shortcuts, (std::map<int32_t, int32_t>{{0x74, 5},
                                                           {0x76, 4},
                                                           {0x2004F, 0},
                                                           {0x20052, 9},
                                                           {0x77, MenuItem::kStepOver},
                                                           {0x73, MenuItem::kRunToCursor},
                                                           {0x78, MenuItem::kToggleBreakpoint},
                                                           {0x10076, MenuItem::kStepBack}}));
    // Every entry has a mnemonic, none twice in one menu or on the bar.
    ASSERT_EQ(layer.menuMnemonics.size(), layer.menuLog.size());
    std::vector<std::set<char>> taken(1);  // the bar, then the open menus
    for (size_t i = 0; i < layer.menuLog.size(); ++i) {
        const std::string& entry = layer.menuLog[i];
        const char mnemonic = layer.menuMnemonics[i];
        if (entry == "separator") continue;
        if (entry == "end submenu") {
            taken.pop_back();
            continue;
        }
        if (entry.rfind("title ", 0) == 0) taken.resize(1);
        SCOPED_TRACE(entry);
        EXPECT_NE(mnemonic, 0);
        EXPECT_TRUE(taken.back().insert(mnemonic).second);
        if (entry.rfind("title ", 0) == 0 || entry.rfind("submenu ", 0) == 0) taken.emplace_back();
    }
}

TEST_F(MainWindowTest, WithoutAMenuBarTheControlsWorkAndTheShortcutsDoNothing) {
    layer.failMenuBar = true;
    layer.PressKey(KeyCode::kF7);
    layer.PressKey(KeyCode::kCtrlO);
    layer.PasteOver(5, "3");
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(layer.controls.size(), 45U);
    EXPECT_TRUE(layer.menuLog.empty());
    EXPECT_TRUE(layer.shortcuts.empty());
    EXPECT_EQ(state.pc, 0);
    EXPECT_TRUE(layer.dialogCalls.empty());
    EXPECT_EQ(state.indexRegisters[5], 3);
}

TEST_F(MainWindowTest, WithoutTheFontListingAndDumpKeepTheDefault) {
    layer.failFont = true;
    Build();
    EXPECT_EQ(layer.controls.at(Control::kCodeListing).font, -1);
    EXPECT_EQ(layer.controls.at(Control::kRamDump).font, -1);
    EXPECT_EQ(layer.menuLog, kMenuLog);  // the build goes on
}

TEST_F(MainWindowTest, HelpShowsEveryKeyAndWhatTheProgramIs) {
    debugger->toolkitVersion = "Qt 6.4.2";
    layer.ChooseMenu(MenuItem::kKeyboardShortcuts);
    layer.ChooseMenu(MenuItem::kAbout);
    EXPECT_EQ(Launch(), 0);
    ASSERT_EQ(layer.messages.size(), 2U);
    EXPECT_EQ(layer.messages[0].first, "Keyboard Shortcuts");
    const std::string& keys = layer.messages[0].second;
    for (const std::string line :
         {"F7\tStep\r\n", "F5\tRun\r\n", "Ctrl+O\tOpen\r\n", "Ctrl+R\tReload\r\n",
          "Alt+F\tOpens the File menu", "Alt+D\tOpens the Debug menu", "Alt+H\tOpens the Help menu",
          "Escape, held\t"}) {
        EXPECT_NE(keys.find(line), std::string::npos) << line << " in\n" << keys;
    }
    // Every registered shortcut is listed.
    EXPECT_EQ(static_cast<size_t>(std::count(keys.begin(), keys.end(), '\n')),
              layer.shortcuts.size() + 4)
        << keys;
    EXPECT_EQ(layer.messages[1].first, "About Quodlet");
    EXPECT_EQ(layer.messages[1].second,
              std::string("Quodlet ") + QUODLET_VERSION +
                  "\r\nAn emulator and single-step debugger for the Intel 4004.\r\n"
                  "Licence: MIT\r\nBuilt on Qt 6.4.2");
}

TEST_F(MainWindowTest, AFileNamedAtStartUpOpensAsOpenWould) {
    const std::string path = testing::TempDir() + "quodlet_start_up.asm";
    std::ofstream(path) << " LDM 7\n XCH 3\n";
    EXPECT_EQ(RunQuodlet(*debugger, layer, path), 0);
    EXPECT_EQ(state.RomImage[0], 0xD7);
    EXPECT_EQ(state.RomImage[1], 0xB3);
    EXPECT_EQ(debugger->programLength, 2);
    EXPECT_EQ(debugger->lastFile, path);
    EXPECT_EQ(ListingLine(0), "000 D7    LDM 7");
    EXPECT_TRUE(layer.messages.empty());
    std::remove(path.c_str());
    // A file that cannot be read says so, and the window goes on.
    Session missing;
    EXPECT_EQ(RunQuodlet(*missing.debugger, missing.layer, path), 0);
    ASSERT_EQ(missing.layer.messages.size(), 1U);
    EXPECT_EQ(missing.layer.messages[0].first, "file error");
    EXPECT_EQ(missing.debugger->programLength, 32);
}

TEST_F(MainWindowTest, ShortcutsRaiseTheirCommands) {
    layer.PressKey(KeyCode::kF7);
    layer.PressKey(KeyCode::kF7);
    layer.Call([this] { EXPECT_EQ(state.pc, 2); });
    layer.PressKey(KeyCode::kF5);
    layer.Call([] {});
    layer.PressKey(KeyCode::kCtrlO);
    EXPECT_EQ(Launch(), 0);
    EXPECT_EQ(state.pc, 33);
    EXPECT_EQ(layer.dialogCalls.size(), 1U);
}

}  // namespace
