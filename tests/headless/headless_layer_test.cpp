// The in-memory window layer's scripting of the user, which most tests drive
// the program through: a paste cut to the field's limit, steps that take
// effect when the loop reaches them, timer ticks of an idle loop, a busy
// loop's polls, Escape and Terminate at a given event take, and hidden
// windows out of the user's reach. The rules it shares with the Qt layer are
// held by tests/contract/window_layer_contract.h.

#include "platform/headless/headless_layer.h"

#include <gtest/gtest.h>

#include "platform/key_codes.h"

namespace {

constexpr int32_t kMainWindow = 0;
constexpr int32_t kTimer = 123;
constexpr int32_t kPeriodMs = 250;
constexpr int32_t kItem = 6;

class HeadlessLayerTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(layer.OpenWindow(kMainWindow, 640, 480, "t"));
        layer.CreateControl(kMainWindow, ControlKind::TextField, 5, 0, 0, 40, 20, "FF", false);
        layer.LimitText(5, 2);
        layer.CreateControl(kMainWindow, ControlKind::CheckBox, 18, 0, 0, 30, 20, "C", false);
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

TEST_F(HeadlessLayerTest, AnIdleLoopGetsTimerTicksUntilTheTimerIsRemoved) {
    layer.AddTimer(kMainWindow, kTimer, kPeriodMs);
    for (int i = 0; i < 3; ++i) {
        const Event event = layer.WaitEvent();
        EXPECT_EQ(event.kind, EventKind::Timer);
        EXPECT_EQ(event.number, kTimer);
    }
    layer.RemoveTimer(kMainWindow, kTimer);
    EXPECT_EQ(layer.WaitEvent().kind, EventKind::Close);
    EXPECT_TRUE(layer.ranDry);
}

TEST_F(HeadlessLayerTest, ABusyLoopThatPollsSeesTheScriptInOrder) {
    layer.Tick(kTimer);
    layer.ChooseMenu(kItem);
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
    EXPECT_EQ(seen[1].number, kItem);
}

// Escape scripted to go down, and Terminate to come, after two event
// takes: polls between takes all see what the last take left, and waiting
// for events takes none. Terminate in a dialog cancels it, answer unused.
TEST_F(HeadlessLayerTest, EscapeAndTerminateComeAtTheGivenEventTake) {
    layer.HoldEscapeAfter(2);
    layer.TerminateAfter(2);
    for (int32_t take = 1; take <= 3; ++take) {
        SCOPED_TRACE(take);
        EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
        EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
        if (take == 1) layer.WaitEvent();
        EXPECT_EQ(layer.TakeEvent().kind, take < 3 ? EventKind::None : EventKind::Terminate);
    }
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kEscape));
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kF5));
    EXPECT_EQ(layer.escapePolls, 7);
    layer.ReleaseEscape();
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    layer.HoldEscapeAfter(0);
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kEscape));

    HeadlessLayer dialogs;
    dialogs.dialogAnswers = {"a.bin"};
    dialogs.TerminateInNextModal();
    EXPECT_EQ(dialogs.OpenFileDialog("Open", "/", "*|*"), "");
    EXPECT_EQ(dialogs.dialogAnswers.size(), 1u);
    EXPECT_EQ(dialogs.dialogCalls.size(), 1u);
}

// The user reaches nothing of a hidden window, nor a window not open.
TEST_F(HeadlessLayerTest, AHiddenWindowTakesNoClicksKeysOrPastes) {
    layer.AddShortcut(kMainWindow, KeyCode::kF7, kItem);
    layer.ShowWindow(kMainWindow, false);
    layer.ClickCheckBox(18);
    layer.PasteOver(5, "12");
    layer.PressKey(KeyCode::kF7);
    layer.PressKeyIn(kMainWindow, KeyCode::kF7);
    layer.CloseWindow(7);
    EXPECT_TRUE(Drain().empty());
    EXPECT_EQ(layer.GetCheck(18), 0);
    EXPECT_EQ(layer.GetText(5), "FF");
}

}  // namespace
