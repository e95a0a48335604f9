// The in-memory window layer is what most tests drive the program through,
// so its imitation of the user has to be right: limits on typing and
// pasting, one event per user action, none for the program's own writes.

#include "platform/headless/headless_layer.h"

#include <gtest/gtest.h>

#include "frontend/controls.h"

namespace {

class HeadlessLayerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(layer.OpenWindow(kMainWindow, 640, 480, "t"));
        layer.CreateControl(ControlKind::TextField, 5, 0, 0, 40, 20, "FF", false);
        layer.LimitText(5, 2);
        layer.CreateControl(ControlKind::CheckBox, 18, 0, 0, 30, 20, "C", false);
    }

    // Takes every event up to the point where the script runs dry.
    std::vector<Event> Drain() {
        std::vector<Event> events;
        for (Event event = layer.WaitEvent(); !layer.ranDry; event = layer.WaitEvent()) {
            events.push_back(event);
        }
        return events;
    }

    HeadlessLayer layer;
};

TEST_F(HeadlessLayerTest, TypingStopsAtTheLimitAndRaisesOneChangePerAcceptedCharacter) {
    layer.ClearField(5);
    layer.TypeText(5, "1F7");
    const std::vector<Event> events = Drain();
    EXPECT_EQ(layer.GetText(5), "1F");
    ASSERT_EQ(events.size(), 3u);  // the clearing and two accepted characters
    for (const Event& event : events) {
        EXPECT_EQ(event.kind, EventKind::Control);
        EXPECT_EQ(event.number, 5);
        EXPECT_EQ(event.type, ControlEventType::Change);
    }
}

TEST_F(HeadlessLayerTest, PastingIsCutToTheLimitButProgramTextIsKeptWhole) {
    layer.PasteOver(5, "ABCDEF");
    EXPECT_EQ(Drain().size(), 1u);
    EXPECT_EQ(layer.GetText(5), "AB");
    layer.SetText(5, "10000");
    EXPECT_EQ(layer.GetText(5), "10000");
}

TEST_F(HeadlessLayerTest, ActionsTakeEffectWhenTheLoopReachesThem) {
    layer.PasteOver(5, "12");
    EXPECT_EQ(layer.GetText(5), "FF");
    (void)layer.WaitEvent();
    EXPECT_EQ(layer.GetText(5), "12");
}

TEST_F(HeadlessLayerTest, CheckBoxClicksToggleWhileProgramWritesRaiseNothing) {
    layer.SetCheck(18, 1);
    layer.ClickCheckBox(18);
    layer.ClickCheckBox(18);
    layer.Call([this] { EXPECT_EQ(layer.GetCheck(18), 1); });
    const std::vector<Event> events = Drain();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_EQ(layer.GetCheck(18), 1);
}

TEST_F(HeadlessLayerTest, ShortcutsRaiseTheirItemAndUnknownKeysNothing) {
    layer.AddShortcut(kMainWindow, KeyCode::kF7, MenuItem::kStep);
    layer.PressKey(KeyCode::kF7);
    layer.PressKey(KeyCode::kF5);
    const std::vector<Event> events = Drain();
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].kind, EventKind::Menu);
    EXPECT_EQ(events[0].number, MenuItem::kStep);
}

TEST_F(HeadlessLayerTest, AnIdleLoopGetsTimerTicksUntilTheTimerIsRemoved) {
    layer.AddTimer(kMainWindow, kAnimationTimer, kAnimationPeriodMs);
    for (int i = 0; i < 3; ++i) {
        const Event event = layer.WaitEvent();
        EXPECT_EQ(event.kind, EventKind::Timer);
        EXPECT_EQ(event.number, kAnimationTimer);
    }
    layer.RemoveTimer(kMainWindow, kAnimationTimer);
    EXPECT_EQ(layer.WaitEvent().kind, EventKind::Close);
    EXPECT_TRUE(layer.ranDry);
}

TEST_F(HeadlessLayerTest, ABusyLoopThatPollsSeesTheScriptInOrder) {
    layer.Tick(kAnimationTimer);
    layer.ChooseMenu(MenuItem::kStep);
    // A Run polls once per instruction; the script's steps reach the queue
    // as the layer pumps, in order, and nothing is invented in between.
    std::vector<Event> seen;
    for (int i = 0; i < 4 * 256; ++i) {
        const Event event = layer.TakeEvent();
        if (event.kind != EventKind::None) seen.push_back(event);
    }
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].kind, EventKind::Timer);
    EXPECT_EQ(seen[1].kind, EventKind::Menu);
    EXPECT_EQ(seen[1].number, MenuItem::kStep);
}

TEST_F(HeadlessLayerTest, EscapeIsHeldFromTheGivenPollOn) {
    layer.HoldEscapeAfter(2);
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kEscape));
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kF5));
    layer.ReleaseEscape();
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
}

TEST_F(HeadlessLayerTest, UnknownControlNumbersAreIgnored) {
    layer.SetText(99, "x");
    layer.AppendLine(99, "x");
    layer.SelectLine(99, 0);
    layer.ShowImage(99, 1);
    EXPECT_EQ(layer.GetText(99), "");
    EXPECT_EQ(layer.CountLines(99), 0);
    EXPECT_EQ(layer.GetLine(99, 0), "");
    EXPECT_EQ(layer.GetCheck(99), 0);
    EXPECT_EQ(layer.controls.count(99), 0u);
}

TEST_F(HeadlessLayerTest, AnImageControlShowsOnlyPicturesThatExist) {
    layer.CreateControl(ControlKind::Image, 38, 320, 0, 16, 16, "", false);
    layer.ShowImage(38, 0);
    EXPECT_EQ(layer.controls[38].image, -1);
    ASSERT_TRUE(layer.CreateImage(0, Picture{1, 1, {0xFF000000u}}));
    ASSERT_TRUE(layer.CreateImage(1, Picture{1, 1, {0xFFFFFFFFu}}));
    layer.ShowImage(38, 1);
    layer.ShowImage(38, 0);
    EXPECT_EQ(layer.controls[38].image, 0);
}

}  // namespace
