// The window layer's contract (tests/contract/window_layer_contract.h) held
// against the in-memory layer, without Qt, and the queue both backends keep.

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_queue.h"
#include "platform/headless/headless_layer.h"
#include "platform/key_codes.h"
#include "tests/contract/window_layer_contract.h"

namespace {

// The headless layer: user actions are scripted steps, run at once through
// the layer's own poll; the events they raise wait in `pending` in order.
struct HeadlessBackend {
    HeadlessLayer layer;
    std::vector<Event> pending;

    bool WindowReady() { return true; }
    void Pump() {
        bool reached = false;
        layer.Call([&reached] { reached = true; });
        for (;;) {
            const Event event = layer.TakeEvent();
            if (event.kind != EventKind::None) pending.push_back(event);
            if ((event.kind == EventKind::None && reached) || event.kind == EventKind::Terminate)
                return;
        }
    }
    std::vector<Event> TakeAll() {
        Pump();
        return std::exchange(pending, {});
    }
    void Type(int32_t control, const std::string& text) {
        layer.TypeText(control, text);
        Pump();
    }
    void ClickCheckBox(int32_t control) {
        layer.ClickCheckBox(control);
        Pump();
    }
    void ClickButton(int32_t control) {
        layer.ClickButton(control);
        Pump();
    }
    std::string Clipboard() const { return layer.clipboard; }
    void ClickLine(int32_t control, int32_t index) {
        layer.ClickLine(control, index);
        Pump();
    }
    void PressKey(int32_t keyCode) {
        layer.PressKey(keyCode);
        Pump();
    }
    void PressKeyIn(int32_t window, int32_t keyCode) {
        layer.PressKeyIn(window, keyCode);
        Pump();
    }
    void CloseWindow(int32_t window) {
        layer.CloseWindow(window);
        Pump();
    }
    // "640x480 shown title", or "" for a window that is not open.
    std::string Window(int32_t window) const {
        const auto found = layer.windows.find(window);
        if (found == layer.windows.end()) return "";
        const HeadlessWindow& w = found->second;
        return std::to_string(w.innerWidth) + "x" + std::to_string(w.innerHeight) +
               (w.shown ? " shown " : " hidden ") + w.title;
    }
    bool InWindow(int32_t control, int32_t window) const {
        return layer.controls.at(control).window == window;
    }
    void ChooseMenuItem(int32_t item) { layer.ChooseMenu(item); }
    bool Marked(int32_t item) const {
        const auto found = layer.menuChecks.find(item);
        return found != layer.menuChecks.end() && found->second;
    }
    void DoubleClick(int32_t control, int32_t index) {
        layer.DoubleClickLine(control, index);
        Pump();
    }
    void HoldEscape() { layer.HoldEscapeAfter(0); }
    void ReleaseEscape() { layer.ReleaseEscape(); }
    // Escape goes down, as the platform will report it when it next runs.
    void PostEscapePress() {
        layer.Call([this] { layer.HoldEscapeAfter(0); });
    }
    bool ShowsBusyCursor() const { return layer.busy; }
    void RaiseTerminate() { layer.TerminateAfter(0); }
    void TerminateInNextModal() { layer.TerminateInNextModal(); }
    // Message boxes and dialogs that showed, and those left open.
    int32_t ModalsShown() const {
        return static_cast<int32_t>(layer.messages.size() + layer.dialogCalls.size());
    }
    int32_t ModalsLeftOpen() const { return 0; }  // a call returns or it never does
    // Time passes: every timer falls due. (That a tick falling due while
    // another is queued is dropped, the event queue's own test holds.)
    void LetTimersRun() {
        for (const auto& [timer, period] : layer.timers) layer.Tick(timer);
    }
    std::vector<uint32_t> ShownPicture(int32_t control) {
        const auto found = layer.controls.find(control);
        return found == layer.controls.end() ? std::vector<uint32_t>() : found->second.picture.argb;
    }
    // What names the control's font; empty for the default font.
    std::string Font(int32_t control) {
        const int32_t font = layer.controls.at(control).font;
        if (font < 0) return "";
        const auto& [face, points] = layer.fonts.at(static_cast<size_t>(font));
        return face + " " + std::to_string(points);
    }
    std::string AccessibleName(int32_t control) {
        return layer.controls.at(control).accessibleName;
    }
    bool Centred(int32_t control) { return layer.controls.at(control).centred; }
    void ClickGutter(int32_t control, int32_t index) {
        layer.ClickGutter(control, index);
        Pump();
    }
    // The next text dialog's answer; nullopt cancels it.
    void AnswerNextText(std::optional<std::string> answer) {
        layer.textAnswers.push_back(std::move(answer));
    }
    // The layer watches no real file: a test names one and scripts its change.
    std::string TemporaryFile() { return "watched.asm"; }
    void ChangeFile(const std::string& /*path*/) { layer.ChangeWatchedFile(); }
    // The menu bar, one line per entry: "File", "  0 Open", "  -",
    // "  [Examples]", "    7 Sum".
    std::vector<std::string> Menus() {
        std::vector<std::string> lines;
        std::string indent;
        for (const std::string& entry : layer.menuLog) {
            if (entry.rfind("title ", 0) == 0) {
                lines.push_back(entry.substr(6));
                indent = "  ";
            } else if (entry.rfind("item ", 0) == 0) {
                lines.push_back(indent + entry.substr(5));
            } else if (entry == "separator") {
                lines.push_back(indent + "-");
            } else if (entry.rfind("submenu ", 0) == 0) {
                lines.push_back(indent + "[" + entry.substr(8) + "]");
                indent += "  ";
            } else if (entry == "end submenu") {
                indent.resize(indent.size() - 2);
            }
        }
        return lines;
    }
};

// The queue both backends keep.
TEST(EventQueueTest, KeepsOrderAndDropsATickOfATimerAlreadyQueued) {
    EventQueue queue;
    EXPECT_TRUE(queue.Empty());
    EXPECT_EQ(queue.Take().kind, EventKind::None);
    const Event tick1{EventKind::Timer, 1, ControlEventType::Other};
    const Event tick2{EventKind::Timer, 2, ControlEventType::Other};
    for (const Event& event :
         {tick1, MenuEvent(4), tick1, tick2, ChangeEvent(5), ChangeEvent(5), MenuEvent(4), tick2}) {
        queue.Push(event);
    }
    std::vector<Event> taken;
    while (!queue.Empty()) taken.push_back(queue.Take());
    EXPECT_EQ(taken, (std::vector<Event>{tick1, MenuEvent(4), tick2, ChangeEvent(5), ChangeEvent(5),
                                         MenuEvent(4)}));
    // Once taken, a tick of the same timer is queued again.
    queue.Push(tick1);
    EXPECT_EQ(queue.Take(), tick1);
    queue.Push(tick1);
    EXPECT_FALSE(queue.Empty());
    EXPECT_EQ(queue.Take(), tick1);
    EXPECT_EQ(queue.Take().kind, EventKind::None);
}

}  // namespace

// The suite's own namespace, where the macro finds it.
namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Headless, WindowLayerContract, HeadlessBackend);
}  // namespace contract
