#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "frontend/commands.h"
#include "frontend/main_window.h"
#include "tests/expected_main_window.h"
#include "tests/unit/frontend_test_support.h"

namespace {

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
        EXPECT_EQ(got.accessibleName, want.accessibleName);
        // Lamps start dark; the listing and the dump share the one font.
        EXPECT_EQ(got.image, want.kind == ControlKind::Image ? Image::kLampOff : -1);
        EXPECT_EQ(got.font, want.number == 37 || want.number == 44 ? 0 : -1);
    }
}

TEST_F(MainWindowTest, CreatesLampImagesFontMenusAndShortcuts) {
    Build();
    // What the lamps' pictures look like, the Qt tests check pixel by pixel.
    ASSERT_EQ(layer.images.size(), 2U);
    EXPECT_NE(layer.images.at(Image::kLampOff).argb, layer.images.at(Image::kLampOn).argb);
    EXPECT_EQ(layer.fonts, (std::vector<std::pair<std::string, int32_t>>{{"Courier", 8}}));
    EXPECT_EQ(layer.menuLog, kExpectedMenuLog);
    std::map<int32_t, int32_t> shortcuts;
    for (const ExpectedShortcut& shortcut : kExpectedShortcuts)
        shortcuts[shortcut.keyCode] = shortcut.item;
    EXPECT_EQ(layer.shortcuts, shortcuts);
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
    EXPECT_EQ(layer.menuLog, kExpectedMenuLog);  // the build goes on
}

TEST_F(MainWindowTest, HelpShowsEveryKeyAndWhatTheProgramIs) {
    workbench->toolkitVersion = "Qt 6.4.2";
    layer.ChooseMenu(MenuItem::kKeyboardShortcuts);
    layer.ChooseMenu(MenuItem::kAbout);
    EXPECT_EQ(Launch(), 0);
    ASSERT_EQ(layer.messages.size(), 2U);
    EXPECT_EQ(layer.messages[0].first, "Keyboard Shortcuts");
    const std::string& keys = layer.messages[0].second;
    for (const std::string line :
         {"F7\tStep\r\n", "F5\tRun\r\n", "Ctrl+O\tOpen\r\n", "Ctrl+R\tReload\r\n",
          "Alt+F\tOpens the File menu", "Alt+D\tOpens the Debug menu",
          "Alt+M\tOpens the Machine menu", "Alt+H\tOpens the Help menu", "Escape, held\t",
          "\r\nBackspace\tCE\r\n", "\r\n+\t+\r\n"}) {
        EXPECT_NE(keys.find(line), std::string::npos) << line << " in\n" << keys;
    }
    // Every registered shortcut is listed, then Escape, the Source window's
    // four keys, the four menus and the menus' letters, then a heading and a
    // line per key of the calculator window.
    const size_t calculator = keys.find("In the Busicom");
    ASSERT_NE(calculator, std::string::npos);
    EXPECT_EQ(static_cast<size_t>(std::count(keys.begin(), keys.begin() + calculator, '\n')),
              layer.shortcuts.size() + 10)
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
    EXPECT_EQ(RunQuodlet(*workbench, layer, path), 0);
    EXPECT_EQ(state.RomImage[0], 0xD7);
    EXPECT_EQ(state.RomImage[1], 0xB3);
    EXPECT_EQ(workbench->programLength, 2);
    EXPECT_EQ(workbench->lastFile, path);
    EXPECT_EQ(ListingLine(0), "000 D7    LDM 7");
    EXPECT_TRUE(layer.messages.empty());
    std::remove(path.c_str());
    // A file that cannot be read says so, and the window goes on.
    Session missing;
    EXPECT_EQ(RunQuodlet(*missing.workbench, missing.layer, path), 0);
    ASSERT_EQ(missing.layer.messages.size(), 1U);
    EXPECT_EQ(missing.layer.messages[0].first, "file error");
    EXPECT_EQ(missing.workbench->programLength, 32);
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
