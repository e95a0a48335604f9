#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

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
