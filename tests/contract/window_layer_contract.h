#pragma once
// The window layer's rules (platform/window_layer.h) as one typed suite that
// any backend's test target instantiates: every operation on every control
// kind, the numbers that name nothing, the event queue, images, fonts,
// menus, shortcuts, timers, line marks, double-clicks, the busy cursor and
// Release. Where two backends disagree, one is wrong.
//
// A backend's test target writes an adapter that plays the user and reads
// what a control shows, then instantiates the suite with it:
//   INSTANTIATE_TYPED_TEST_SUITE_P(Qt, WindowLayerContract, QtBackend);
// The adapter has a member `layer` (the backend's WindowLayer) and the
// members the tests below call on `backend`: WindowReady, TakeAll, Type,
// ClickCheckBox, ClickLine, DoubleClick, PressKey, PressKeyIn, CloseWindow,
// Window, InWindow, HoldEscape, ReleaseEscape, PostEscapePress,
// LetTimersRun, ShownPicture, Font, AccessibleName, Centred, Menus,
// ChooseMenuItem, Marked, ShowsBusyCursor, RaiseTerminate,
// TerminateInNextModal, ModalsShown, ModalsLeftOpen, ClickGutter,
// AnswerNextText, TemporaryFile and ChangeFile.
// Each says in the adapters what it does.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/picture.h"
#include "platform/key_codes.h"
#include "platform/window_layer.h"
#include "tests/contract/events.h"

namespace contract {

constexpr int32_t kWindow = 3;
constexpr int32_t kOtherWindow = 4;
constexpr int32_t kUnknown = 99;
constexpr int32_t kTimerPeriodMs = 10;

// One control of each kind, with numbers of their own.
struct KindCase {
    ControlKind kind;
    int32_t number;
    const char* text;  // its initial text
    bool hasText;      // one of SetText's kinds
};

constexpr KindCase kKinds[] = {
    {ControlKind::Label, 1, "label", true},
    {ControlKind::TextField, 2, "field", true},
    {ControlKind::ReadOnlyTextField, 3, "fixed", true},
    {ControlKind::MultiLineText, 4, "one\r\ntwo", true},
    {ControlKind::CheckBox, 5, "box", true},
    {ControlKind::List, 6, "", false},
    {ControlKind::Image, 7, "", false},
    {ControlKind::Button, 8, "press", true},
};
constexpr int32_t kLabel = 1;
constexpr int32_t kField = 2;
constexpr int32_t kReadOnly = 3;
constexpr int32_t kCheckBox = 5;
constexpr int32_t kList = 6;
constexpr int32_t kImage = 7;
constexpr int32_t kButton = 8;

inline Picture Solid(int32_t width, int32_t height, uint32_t argb) {
    return Picture{
        width, height,
        std::vector<uint32_t>(static_cast<size_t>(width) * static_cast<size_t>(height), argb)};
}
const Picture kRed = Solid(2, 2, 0xFFFF0000u);
const Picture kBlue = Solid(2, 2, 0xFF0000FFu);

template <typename Backend>
class WindowLayerContract : public testing::Test {
protected:
    Backend backend;
    WindowLayer& layer = backend.layer;

    void SetUp() override {
        ASSERT_TRUE(layer.OpenWindow(kWindow, 640, 480, "contract"));
        ASSERT_TRUE(backend.WindowReady());
        for (const KindCase& c : kKinds) {
            layer.CreateControl(kWindow, c.kind, c.number, 70 * (c.number - 1), 30, 60, 80, c.text,
                                false);
        }
    }
    void AddLines() {
        for (const char* line : {"000 00    NOP", "001 D5    LDM 5", "002 F2    IAC"})
            layer.AppendLine(kList, line);
    }
    std::vector<std::string> Marks() {
        std::vector<std::string> marks;
        for (int32_t k = 0; k < layer.CountLines(kList); ++k)
            marks.push_back(layer.GetLineMark(kList, k));
        return marks;
    }
};
TYPED_TEST_SUITE_P(WindowLayerContract);

// Each window number opens once; control numbers are one set over all
// windows; a window is hidden, shown and retitled on its own, and closing
// it only tells the program.
TYPED_TEST_P(WindowLayerContract, WindowsOpenOncePerNumberShareControlNumbersAndStandApart) {
    WindowLayer& layer = this->layer;
    EXPECT_FALSE(layer.OpenWindow(kWindow, 640, 480, "again"));
    EXPECT_FALSE(layer.OpenWindow(kOtherWindow, 0, 100, "t"));
    EXPECT_FALSE(layer.OpenWindow(kOtherWindow, 200, -1, "t"));
    ASSERT_TRUE(layer.OpenWindow(kOtherWindow, 200, 100, "second"));
    EXPECT_FALSE(layer.OpenWindow(kOtherWindow, 200, 100, "again"));
    layer.CreateControl(kOtherWindow, ControlKind::CheckBox, 20, 0, 0, 60, 20, "TEST", false);
    layer.CreateControl(kOtherWindow, ControlKind::Label, kLabel, 0, 30, 60, 20, "moved", false);
    layer.CreateControl(kUnknown, ControlKind::Label, 21, 0, 0, 60, 20, "nowhere", false);
    EXPECT_TRUE(this->backend.InWindow(20, kOtherWindow));
    EXPECT_TRUE(this->backend.InWindow(kLabel, kOtherWindow));
    EXPECT_TRUE(this->backend.InWindow(kField, kWindow));
    EXPECT_EQ(layer.GetText(kLabel), "moved");
    EXPECT_EQ(layer.GetText(21), "");
    this->backend.ClickCheckBox(20);
    this->backend.CloseWindow(kOtherWindow);
    this->backend.CloseWindow(kWindow);
    EXPECT_EQ(this->backend.TakeAll(),
              (std::vector<Event>{ClickEvent(20), CloseEvent(kOtherWindow), CloseEvent(kWindow)}));
    EXPECT_EQ(this->backend.Window(kWindow), "640x480 shown contract");
    EXPECT_EQ(this->backend.Window(kOtherWindow), "200x100 shown second");

    layer.SetWindowTitle(kOtherWindow, "renamed");
    layer.SetWindowTitle(kUnknown, "x");
    layer.ShowWindow(kWindow, false);
    layer.ShowWindow(kUnknown, true);
    EXPECT_EQ(this->backend.Window(kWindow), "640x480 hidden contract");
    EXPECT_EQ(this->backend.Window(kOtherWindow), "200x100 shown renamed");
    layer.ShowWindow(kOtherWindow, false);
    layer.ShowWindow(kWindow, true);
    EXPECT_EQ(this->backend.Window(kWindow), "640x480 shown contract");
    EXPECT_EQ(this->backend.Window(kOtherWindow), "200x100 hidden renamed");
    EXPECT_EQ(layer.GetCheck(20), 1);  // hidden, it keeps its controls
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, WithoutAWindowControlsMenusShortcutsAndTimersAreNotMade) {
    TypeParam fresh;
    WindowLayer& layer = fresh.layer;
    EXPECT_FALSE(layer.OpenWindow(kWindow, 0, 480, "t"));  // nor a first window of no size
    EXPECT_FALSE(layer.OpenWindow(kWindow, 640, -1, "t"));
    layer.CreateControl(kWindow, ControlKind::Label, kLabel, 0, 0, 40, 20, "x", false);
    EXPECT_EQ(layer.GetText(kLabel), "");
    EXPECT_FALSE(layer.CreateMenuBar(kWindow));
    layer.AddShortcut(kWindow, KeyCode::kF7, 4);
    layer.AddTimer(kWindow, 1, kTimerPeriodMs);
    fresh.LetTimersRun();
    EXPECT_TRUE(fresh.TakeAll().empty());
    EXPECT_EQ(layer.WaitEvent(), (Event{EventKind::Close, 0, ControlEventType::Other}));
    EXPECT_TRUE(layer.OpenWindow(kWindow, 1, 1, "t"));
}

TYPED_TEST_P(WindowLayerContract, EveryKindTakesItsInitialTextAndName) {
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(this->layer.GetText(c.number), c.hasText ? c.text : "");
        this->layer.SetAccessibleName(c.number, "name " + std::to_string(c.number));
        EXPECT_EQ(this->backend.AccessibleName(c.number), "name " + std::to_string(c.number));
    }
    this->layer.CreateControl(kWindow, ControlKind::TextField, 8, 0, 0, 40, 20, "mid", true);
    EXPECT_TRUE(this->backend.Centred(8));
    EXPECT_FALSE(this->backend.Centred(kField));
}

TYPED_TEST_P(WindowLayerContract, SetTextReachesTheTextKindsOnly) {
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.number);
        const std::string text = c.kind == ControlKind::MultiLineText ? "a\r\nb\r\nc" : "new";
        this->layer.SetText(c.number, text);
        EXPECT_EQ(this->layer.GetText(c.number), c.hasText ? text : "");
        // Nothing else of the control changes.
        EXPECT_EQ(this->layer.GetCheck(c.number), 0);
        EXPECT_EQ(this->layer.CountLines(c.number), 0);
    }
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, TheCheckMarkBelongsToCheckBoxesOnly) {
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.number);
        this->layer.SetCheck(c.number, 7);
        EXPECT_EQ(this->layer.GetCheck(c.number), c.kind == ControlKind::CheckBox ? 1 : 0);
        EXPECT_EQ(this->layer.GetText(c.number), c.hasText ? c.text : "");
    }
    this->layer.SetCheck(kCheckBox, 0);
    EXPECT_EQ(this->layer.GetCheck(kCheckBox), 0);
    this->layer.SetCheck(kCheckBox, -1);
    EXPECT_EQ(this->layer.GetCheck(kCheckBox), 1);
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, LinesBelongToListsOnly) {
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.number);
        this->layer.AppendLine(c.number, "x");
        this->layer.SelectLine(c.number, 0);
        const bool list = c.kind == ControlKind::List;
        EXPECT_EQ(this->layer.CountLines(c.number), list ? 1 : 0);
        EXPECT_EQ(this->layer.GetLine(c.number, 0), list ? "x" : "");
        EXPECT_EQ(this->layer.SelectedLine(c.number), list ? 0 : -1);
        EXPECT_EQ(this->layer.GetText(c.number), c.hasText ? c.text : "");
        this->layer.ClearLines(c.number);
        EXPECT_EQ(this->layer.CountLines(c.number), 0);
        EXPECT_EQ(this->layer.SelectedLine(c.number), -1);
    }
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, AListKeepsItsLinesInOrderAndReadsNothingPastTheLast) {
    WindowLayer& layer = this->layer;
    for (const char* line : {"FFF", "000", "800"}) layer.AppendLine(kList, line);
    EXPECT_EQ(layer.CountLines(kList), 3);
    EXPECT_EQ(layer.GetLine(kList, 0), "FFF");  // never sorted
    EXPECT_EQ(layer.GetLine(kList, 1), "000");
    EXPECT_EQ(layer.GetLine(kList, 2), "800");
    EXPECT_EQ(layer.GetLine(kList, 3), "");
    EXPECT_EQ(layer.GetLine(kList, 4), "");
    EXPECT_EQ(layer.GetLine(kList, -1), "");
    EXPECT_EQ(layer.SelectedLine(kList), -1);
}

TYPED_TEST_P(WindowLayerContract, SelectLineOutOfRangeLeavesNoLineSelected) {
    WindowLayer& layer = this->layer;
    for (const char* line : {"a", "b", "c"}) layer.AppendLine(kList, line);
    for (const int32_t index : {0, 2, 1}) {
        layer.SelectLine(kList, index);
        EXPECT_EQ(layer.SelectedLine(kList), index);
    }
    layer.AppendLine(kList, "d");  // keeps the selection
    EXPECT_EQ(layer.SelectedLine(kList), 1);
    for (const int32_t outside : {4, 5, -1, -2}) {
        SCOPED_TRACE(outside);
        layer.SelectLine(kList, 3);
        ASSERT_EQ(layer.SelectedLine(kList), 3);
        layer.SelectLine(kList, outside);
        EXPECT_EQ(layer.SelectedLine(kList), -1);
    }
    layer.SelectLine(kList, 0);
    layer.ClearLines(kList);
    EXPECT_EQ(layer.SelectedLine(kList), -1);
    layer.SelectLine(kList, 0);  // no line left to select
    EXPECT_EQ(layer.SelectedLine(kList), -1);
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, LimitTextBindsTheUserInTextFieldsOnly) {
    WindowLayer& layer = this->layer;
    layer.SetText(kField, "");
    layer.LimitText(kField, 2);
    this->backend.Type(kField, "1F7");
    EXPECT_EQ(layer.GetText(kField), "1F");
    // One Change per accepted character, none for the refused one.
    EXPECT_EQ(this->backend.TakeAll(),
              (std::vector<Event>{ChangeEvent(kField), ChangeEvent(kField)}));

    layer.SetText(kField, "10000");  // the program's text is shown whole
    EXPECT_EQ(layer.GetText(kField), "10000");
    this->backend.Type(kField, "5");
    EXPECT_EQ(layer.GetText(kField), "10000");
    EXPECT_TRUE(this->backend.TakeAll().empty());

    layer.SetText(kField, "");
    layer.LimitText(kField, 0);  // lifts the limit
    this->backend.Type(kField, "12345");
    EXPECT_EQ(layer.GetText(kField), "12345");
    layer.SetText(kField, "");
    layer.LimitText(kField, 3);
    layer.LimitText(kField, -4);  // lifts it too
    this->backend.Type(kField, "6789");
    EXPECT_EQ(layer.GetText(kField), "6789");
    EXPECT_EQ(this->backend.TakeAll().size(), 9u);

    // Other kinds take no limit, and a read-only field takes no typing.
    for (const KindCase& c : kKinds) {
        if (c.kind == ControlKind::TextField) continue;
        layer.LimitText(c.number, 1);
        EXPECT_EQ(layer.GetText(c.number), c.hasText ? c.text : "") << c.number;
    }
    this->backend.Type(kReadOnly, "XY");
    EXPECT_EQ(layer.GetText(kReadOnly), "fixed");
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, UserActionsRaiseEventsInOrderAndProgramWritesNone) {
    WindowLayer& layer = this->layer;
    layer.AppendLine(kList, "first");
    layer.AppendLine(kList, "second");
    layer.SetText(kField, "");
    this->backend.Type(kField, "A");
    this->backend.ClickCheckBox(kCheckBox);
    this->backend.ClickLine(kList, 1);
    this->backend.ClickButton(kButton);
    this->backend.ClickCheckBox(kCheckBox);
    this->backend.CloseWindow(kWindow);
    EXPECT_EQ(
        this->backend.TakeAll(),
        (std::vector<Event>{ChangeEvent(kField), ClickEvent(kCheckBox), ClickEvent(kList),
                            ClickEvent(kButton), ClickEvent(kCheckBox), CloseEvent(kWindow)}));
    EXPECT_EQ(layer.GetCheck(kCheckBox), 0);  // clicked twice
    layer.SetClipboardText("12.3 X\n4.56 =");
    EXPECT_EQ(this->backend.Clipboard(), "12.3 X\n4.56 =");
    EXPECT_EQ(layer.SelectedLine(kList), 1);

    // Whatever the program writes raises nothing.
    for (const KindCase& c : kKinds) layer.SetText(c.number, "x");
    layer.SetCheck(kCheckBox, 1);
    layer.AppendLine(kList, "third");
    layer.SelectLine(kList, 2);
    layer.ClearLines(kList);
    ASSERT_TRUE(layer.CreateImage(0, kRed));
    layer.ShowImage(kImage, 0);
    EXPECT_TRUE(this->backend.TakeAll().empty());
    EXPECT_EQ(layer.TakeEvent().kind, EventKind::None);
}

TYPED_TEST_P(WindowLayerContract, UnknownControlNumbersDoNothingAndAnswerEmpty) {
    WindowLayer& layer = this->layer;
    layer.LimitText(kUnknown, 2);
    layer.SetAccessibleName(kUnknown, "x");
    layer.SetText(kUnknown, "x");
    layer.SetCheck(kUnknown, 1);
    layer.ClearLines(kUnknown);
    layer.AppendLine(kUnknown, "x");
    layer.SelectLine(kUnknown, 0);
    layer.ShowImage(kUnknown, 0);
    layer.SetFont(kUnknown, layer.CreateFont("Courier", 12));
    EXPECT_EQ(layer.GetText(kUnknown), "");
    EXPECT_EQ(layer.GetCheck(kUnknown), 0);
    EXPECT_EQ(layer.CountLines(kUnknown), 0);
    EXPECT_EQ(layer.GetLine(kUnknown, 0), "");
    EXPECT_EQ(layer.SelectedLine(kUnknown), -1);
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, ANumberInUseIsReplacedByTheNewControl) {
    WindowLayer& layer = this->layer;
    layer.AppendLine(kList, "x");
    layer.CreateControl(kWindow, ControlKind::Label, kList, 0, 0, 40, 20, "now a label", true);
    EXPECT_EQ(layer.GetText(kList), "now a label");
    EXPECT_EQ(layer.CountLines(kList), 0);
    layer.CreateControl(kWindow, ControlKind::CheckBox, kLabel, 0, 0, 40, 20, "box", false);
    layer.SetCheck(kLabel, 1);
    EXPECT_EQ(layer.GetCheck(kLabel), 1);
}

TYPED_TEST_P(WindowLayerContract, CreateImageRejectsPicturesWithoutMatchingPixels) {
    WindowLayer& layer = this->layer;
    ASSERT_TRUE(layer.CreateImage(0, kRed));
    const Picture bad[] = {
        Picture{},
        Picture{0, 2, {}},
        Picture{2, 0, {}},
        Picture{-1, -1, {1u}},
        Picture{2, 2, {0xFF000000u, 0xFF000000u, 0xFF000000u}},
        Picture{2, 2, std::vector<uint32_t>(5, 0xFF000000u)},
        Picture{1, 1, {}},
    };
    for (const Picture& picture : bad) EXPECT_FALSE(layer.CreateImage(0, picture));
    // Image 0 is still the red picture, and the rejected numbers hold none.
    EXPECT_FALSE(layer.CreateImage(1, bad[4]));
    layer.ShowImage(kImage, 0);
    EXPECT_EQ(this->backend.ShownPicture(kImage), kRed.argb);
    layer.ShowImage(kImage, 1);
    EXPECT_TRUE(this->backend.ShownPicture(kImage).empty());
}

TYPED_TEST_P(WindowLayerContract, AnImageShownBeforeItExistsShowsOnceShownAgain) {
    WindowLayer& layer = this->layer;
    layer.ShowImage(kImage, 0);
    EXPECT_TRUE(this->backend.ShownPicture(kImage).empty());
    ASSERT_TRUE(layer.CreateImage(0, kRed));
    layer.ShowImage(kImage, 0);
    EXPECT_EQ(this->backend.ShownPicture(kImage), kRed.argb);
}

TYPED_TEST_P(WindowLayerContract, AFreedOrReplacedImageStaysUntilShownAgain) {
    WindowLayer& layer = this->layer;
    ASSERT_TRUE(layer.CreateImage(0, kRed));
    ASSERT_TRUE(layer.CreateImage(1, kBlue));
    layer.ShowImage(kImage, 1);
    layer.ShowImage(kImage, 0);  // the last one asked for wins
    EXPECT_EQ(this->backend.ShownPicture(kImage), kRed.argb);
    layer.ShowImage(kImage, 0);  // again: nothing changes
    EXPECT_EQ(this->backend.ShownPicture(kImage), kRed.argb);

    ASSERT_TRUE(layer.CreateImage(0, kBlue));  // replaced
    EXPECT_EQ(this->backend.ShownPicture(kImage), kRed.argb);
    layer.ShowImage(kImage, 0);
    EXPECT_EQ(this->backend.ShownPicture(kImage), kBlue.argb);

    ASSERT_TRUE(layer.CreateImage(0, kRed));
    layer.ShowImage(kImage, 0);
    layer.FreeImage(0);
    EXPECT_EQ(this->backend.ShownPicture(kImage), kRed.argb);
    layer.ShowImage(kImage, 0);  // freed: clears it
    EXPECT_TRUE(this->backend.ShownPicture(kImage).empty());
    layer.ShowImage(kImage, 1);
    EXPECT_EQ(this->backend.ShownPicture(kImage), kBlue.argb);

    // Only image controls show pictures.
    for (const KindCase& c : kKinds) {
        if (c.kind == ControlKind::Image) continue;
        layer.ShowImage(c.number, 1);
        EXPECT_TRUE(this->backend.ShownPicture(c.number).empty()) << c.number;
        EXPECT_EQ(layer.GetText(c.number), c.hasText ? c.text : "") << c.number;
    }
}

TYPED_TEST_P(WindowLayerContract, FontsAreNumberedFromZeroAndFitEveryKind) {
    WindowLayer& layer = this->layer;
    EXPECT_EQ(layer.CreateFont("", 8), -1);
    EXPECT_EQ(layer.CreateFont("Courier", 0), -1);
    EXPECT_EQ(layer.CreateFont("Courier", -3), -1);
    EXPECT_EQ(layer.CreateFont("Courier", 13), 0);
    EXPECT_EQ(layer.CreateFont("Courier", 24), 1);
    std::string first;
    std::string second;
    for (const KindCase& c : kKinds) {
        SCOPED_TRACE(c.number);
        EXPECT_EQ(this->backend.Font(c.number), "");
        layer.SetFont(c.number, 2);  // names no font
        layer.SetFont(c.number, -1);
        EXPECT_EQ(this->backend.Font(c.number), "");
        layer.SetFont(c.number, 0);
        if (first.empty()) first = this->backend.Font(c.number);
        EXPECT_EQ(this->backend.Font(c.number), first);
        layer.SetFont(c.number, 1);
        if (second.empty()) second = this->backend.Font(c.number);
        EXPECT_EQ(this->backend.Font(c.number), second);
    }
    EXPECT_NE(first, "");
    EXPECT_NE(second, "");
    EXPECT_NE(first, second);
}

TYPED_TEST_P(WindowLayerContract, MenusAreBuiltInOrderAndRaiseTheirItems) {
    WindowLayer& layer = this->layer;
    // Nothing before the bar, and nothing outside a menu.
    layer.AddMenuTitle("Early");
    layer.AddMenuItem(9, "Early item");
    ASSERT_TRUE(layer.OpenWindow(kOtherWindow, 200, 100, "second"));
    EXPECT_FALSE(layer.CreateMenuBar(kOtherWindow));  // the main window's alone
    ASSERT_TRUE(layer.CreateMenuBar(kWindow));
    layer.AddMenuItem(9, "Stray");
    layer.AddMenuSeparator();
    layer.OpenSubmenu("Stray");
    layer.CloseSubmenu();
    layer.AddMenuTitle("File");
    layer.AddMenuItem(0, "Open\tCtrl+O");
    layer.AddMenuSeparator();
    layer.AddMenuItem(1, "Quit");
    layer.CloseSubmenu();  // no submenu is open: stays in File
    layer.AddMenuItem(5, "More");
    layer.AddMenuTitle("Debug");
    layer.OpenSubmenu("Examples");
    layer.AddMenuItem(7, "Sum");
    layer.OpenSubmenu("Deeper");
    layer.AddMenuItem(8, "Square");
    layer.CloseSubmenu();
    layer.CloseSubmenu();
    layer.CloseSubmenu();  // none open any more: stays in Debug
    layer.AddMenuItem(2, "Reset");
    EXPECT_EQ(this->backend.Menus(),
              (std::vector<std::string>{"File", "  0 Open\tCtrl+O", "  -", "  1 Quit", "  5 More",
                                        "Debug", "  [Examples]", "    7 Sum", "    [Deeper]",
                                        "      8 Square", "  2 Reset"}));
}

// The menu bar's check marks are the program's alone.
TYPED_TEST_P(WindowLayerContract, MenuChecksChangeOnlyWhenTheProgramSetsThem) {
    WindowLayer& layer = this->layer;
    ASSERT_TRUE(layer.CreateMenuBar(kWindow));
    layer.AddMenuTitle("Machine");
    layer.AddMenuItem(20, "compatible");
    layer.AddMenuItem(21, "mcs4");
    const std::vector<std::string> menus = this->backend.Menus();
    layer.SetMenuCheck(20, true);
    layer.SetMenuCheck(kUnknown, true);  // on no item
    EXPECT_TRUE(this->backend.Marked(20));
    EXPECT_FALSE(this->backend.Marked(21));
    EXPECT_FALSE(this->backend.Marked(kUnknown));
    this->backend.ChooseMenuItem(20);
    this->backend.ChooseMenuItem(21);
    EXPECT_EQ(this->backend.TakeAll(), (std::vector<Event>{MenuEvent(20), MenuEvent(21)}));
    EXPECT_TRUE(this->backend.Marked(20));
    EXPECT_FALSE(this->backend.Marked(21));
    layer.SetMenuCheck(20, false);
    layer.SetMenuCheck(21, true);
    EXPECT_FALSE(this->backend.Marked(20));
    EXPECT_TRUE(this->backend.Marked(21));
    EXPECT_EQ(this->backend.Menus(), menus);
}

TYPED_TEST_P(WindowLayerContract, ShortcutsRaiseTheirLatestItemFromAnyControlOfTheirWindow) {
    WindowLayer& layer = this->layer;
    layer.AddShortcut(kWindow, KeyCode::kF7, 4);
    layer.AddShortcut(kWindow, KeyCode::kCtrlO, 0);
    layer.AddShortcut(kWindow, KeyCode::kF5, 5);
    layer.AddShortcut(kWindow, KeyCode::kF5, 6);  // given again: the later item
    layer.AddShortcut(kUnknown, KeyCode::kF1, 8);
    layer.SetText(kField, "FF");
    this->backend.Type(kField, "");  // the field has the focus
    this->backend.PressKey(KeyCode::kF7);
    this->backend.PressKey(KeyCode::kF5);
    this->backend.PressKey(KeyCode::kCtrlO);
    this->backend.PressKey(KeyCode::kF1);
    this->backend.PressKey(KeyCode::kShift | KeyCode::kF7);
    EXPECT_EQ(this->backend.TakeAll(),
              (std::vector<Event>{MenuEvent(4), MenuEvent(6), MenuEvent(0)}));
    EXPECT_EQ(layer.GetText(kField), "FF");  // the keys did not reach the field

    // Another window's shortcuts are its own, the same key included.
    ASSERT_TRUE(layer.OpenWindow(kOtherWindow, 200, 100, "second"));
    layer.AddShortcut(kOtherWindow, KeyCode::kF7, 9);
    layer.AddShortcut(kOtherWindow, KeyCode::kPlus, 10);
    layer.AddShortcut(kOtherWindow, KeyCode::kEquals, 11);
    this->backend.PressKeyIn(kOtherWindow, KeyCode::kF7);
    this->backend.PressKeyIn(kOtherWindow, KeyCode::kCtrlO);
    this->backend.PressKeyIn(kOtherWindow, KeyCode::kEquals);
    this->backend.PressKeyIn(kOtherWindow, KeyCode::kPlus);
    this->backend.PressKeyIn(kWindow, KeyCode::kF7);
    EXPECT_EQ(this->backend.TakeAll(),
              (std::vector<Event>{MenuEvent(9), MenuEvent(11), MenuEvent(10), MenuEvent(4)}));
}

// The timers whose ticks were taken, each once. (Whether a tick falling due
// while another of the same timer is queued is dropped, the event queue's
// own test holds: between two takes real time may pass a period.)
inline std::vector<int32_t> TimersTicked(const std::vector<Event>& events) {
    std::vector<int32_t> timers;
    for (const Event& event : events) {
        EXPECT_EQ(event.kind, EventKind::Timer);
        timers.push_back(event.number);
    }
    std::sort(timers.begin(), timers.end());
    timers.erase(std::unique(timers.begin(), timers.end()), timers.end());
    return timers;
}

TYPED_TEST_P(WindowLayerContract, TimersTickUntilRemovedFromTheirWindow) {
    WindowLayer& layer = this->layer;
    layer.AddTimer(kWindow, 7, kTimerPeriodMs);
    EXPECT_EQ(layer.WaitEvent(), (Event{EventKind::Timer, 7, ControlEventType::Other}));
    this->backend.LetTimersRun();
    EXPECT_EQ(TimersTicked(this->backend.TakeAll()), std::vector<int32_t>{7});

    ASSERT_TRUE(layer.OpenWindow(kOtherWindow, 200, 100, "second"));
    layer.ShowWindow(kOtherWindow, false);  // hidden, its timers tick all the same
    layer.AddTimer(kOtherWindow, 8, kTimerPeriodMs);
    layer.AddTimer(kUnknown, 9, kTimerPeriodMs);
    this->backend.LetTimersRun();
    EXPECT_EQ(TimersTicked(this->backend.TakeAll()), (std::vector<int32_t>{7, 8}));

    layer.RemoveTimer(kOtherWindow, 7);  // not that window's: 7 goes on
    layer.RemoveTimer(kOtherWindow, 8);
    (void)this->backend.TakeAll();  // a tick of 8 may have fallen due meanwhile
    this->backend.LetTimersRun();
    EXPECT_EQ(TimersTicked(this->backend.TakeAll()), std::vector<int32_t>{7});
    layer.RemoveTimer(kWindow, 7);
    (void)this->backend.TakeAll();
    this->backend.LetTimersRun();
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, EscapeIsDownWhileHeld) {
    WindowLayer& layer = this->layer;
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    this->backend.HoldEscape();
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kEscape));
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kShift | KeyCode::kEscape));  // modifiers are ignored
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kF5));
    this->backend.ReleaseEscape();
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
}

// A Run asks for Escape once per event take and relies on the answer
// holding until the next: a press reaches the poll only when the platform
// runs.
TYPED_TEST_P(WindowLayerContract, AKeyPressReachesThePollOnlyWhenThePlatformRuns) {
    WindowLayer& layer = this->layer;
    this->backend.PostEscapePress();
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    (void)this->backend.TakeAll();
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kEscape));
    this->backend.ReleaseEscape();
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
}

TYPED_TEST_P(WindowLayerContract, ReleaseEndsEverythingAndMayBeRepeated) {
    WindowLayer& layer = this->layer;
    layer.AppendLine(kList, "x");
    ASSERT_TRUE(layer.OpenWindow(kOtherWindow, 200, 100, "second"));
    layer.CreateControl(kOtherWindow, ControlKind::Label, 20, 0, 0, 40, 20, "there", false);
    layer.AddTimer(kOtherWindow, 7, kTimerPeriodMs);
    ASSERT_TRUE(layer.CreateMenuBar(kWindow));
    layer.AddShortcut(kWindow, KeyCode::kF7, 4);
    layer.Release();
    layer.Release();
    for (const KindCase& c : kKinds) {
        EXPECT_EQ(layer.GetText(c.number), "") << c.number;
        EXPECT_EQ(layer.GetCheck(c.number), 0) << c.number;
    }
    EXPECT_EQ(layer.CountLines(kList), 0);
    EXPECT_EQ(layer.SelectedLine(kList), -1);
    EXPECT_EQ(layer.GetText(20), "");
    EXPECT_EQ(this->backend.Window(kWindow), "");
    EXPECT_EQ(this->backend.Window(kOtherWindow), "");
    layer.CreateControl(kWindow, ControlKind::Label, 20, 0, 0, 40, 20, "late", false);
    EXPECT_EQ(layer.GetText(20), "");
    EXPECT_FALSE(layer.CreateMenuBar(kWindow));
    this->backend.LetTimersRun();
    EXPECT_TRUE(this->backend.TakeAll().empty());
    EXPECT_EQ(layer.WaitEvent(), (Event{EventKind::Close, 0, ControlEventType::Other}));
}

TYPED_TEST_P(WindowLayerContract, LineMarksKeepTheTextAndRaiseNoEvent) {
    WindowLayer& layer = this->layer;
    this->AddLines();
    layer.SetLineMark(kList, 1, "breakpoint");
    layer.SetLineMark(kList, 2, "breakpoint");
    layer.SetLineMark(kList, 2, "breakpoint");  // again: nothing changes
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", "breakpoint", "breakpoint"}));
    EXPECT_EQ(layer.GetLine(kList, 1), "001 D5    LDM 5");
    layer.SetLineMark(kList, 2, "");
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", "breakpoint", ""}));
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

TYPED_TEST_P(WindowLayerContract, LineMarksOutsideTheLinesOrOnOtherKindsDoNothing) {
    WindowLayer& layer = this->layer;
    this->AddLines();
    for (const int32_t index : {-1, 3, 1000}) layer.SetLineMark(kList, index, "breakpoint");
    for (const KindCase& c : kKinds) {
        if (c.kind == ControlKind::List) continue;
        layer.SetLineMark(c.number, 0, "breakpoint");
        EXPECT_EQ(layer.GetLineMark(c.number, 0), "") << c.number;
        EXPECT_EQ(layer.GetText(c.number), c.hasText ? c.text : "") << c.number;
    }
    layer.SetLineMark(kUnknown, 0, "breakpoint");
    EXPECT_EQ(layer.GetLineMark(kUnknown, 0), "");
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(layer.GetLineMark(kList, 3), "");
    EXPECT_EQ(layer.GetLineMark(kList, -1), "");
    EXPECT_EQ(layer.CountLines(kList), 3);
}

TYPED_TEST_P(WindowLayerContract, ClearLinesTakesTheMarksWithTheLines) {
    WindowLayer& layer = this->layer;
    this->AddLines();
    layer.SetLineMark(kList, 0, "breakpoint");
    layer.ClearLines(kList);
    layer.AppendLine(kList, "000 00    NOP");
    layer.AppendLine(kList, "001 00    NOP");
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", ""}));
}

TYPED_TEST_P(WindowLayerContract, ADoubleClickSelectsTheLineAndRaisesOneDoubleClick) {
    this->AddLines();
    this->backend.DoubleClick(kList, 2);
    int doubleClicks = 0;
    for (const Event& event : this->backend.TakeAll()) {
        EXPECT_EQ(event.kind, EventKind::Control);
        EXPECT_EQ(event.number, kList);
        if (event.type == ControlEventType::DoubleClick)
            ++doubleClicks;
        else
            EXPECT_EQ(event.type, ControlEventType::Other);
    }
    EXPECT_EQ(doubleClicks, 1);
    EXPECT_EQ(this->layer.SelectedLine(kList), 2);
}

TYPED_TEST_P(WindowLayerContract, TheBusyCursorShowsWhileBusyAndEndsWithRelease) {
    WindowLayer& layer = this->layer;
    EXPECT_FALSE(this->backend.ShowsBusyCursor());
    layer.SetBusy(true);
    layer.SetBusy(true);  // set already: one false is enough to end it
    EXPECT_TRUE(this->backend.ShowsBusyCursor());
    layer.SetBusy(false);
    EXPECT_FALSE(this->backend.ShowsBusyCursor());
    layer.SetBusy(true);
    layer.Release();
    EXPECT_FALSE(this->backend.ShowsBusyCursor());
    layer.SetBusy(true);  // no window: nothing
    EXPECT_FALSE(this->backend.ShowsBusyCursor());
}

// Terminate wins over anything pending, for good, with or without a window.
TYPED_TEST_P(WindowLayerContract, TerminateAnswersEveryLaterTakeAndWait) {
    WindowLayer& layer = this->layer;
    layer.AddTimer(kWindow, 7, kTimerPeriodMs);
    this->backend.LetTimersRun();
    this->backend.RaiseTerminate();
    const Event terminate{EventKind::Terminate, 0, ControlEventType::Other};
    for (int k = 0; k < 2; ++k) {
        EXPECT_EQ(layer.TakeEvent(), terminate);
        EXPECT_EQ(layer.WaitEvent(), terminate);
    }
    layer.Release();
    EXPECT_EQ(layer.WaitEvent(), terminate);
}

// Raised while a message box or the open-file dialog is up, Terminate
// closes it; later ones do not show.
TYPED_TEST_P(WindowLayerContract, TerminateClosesTheOpenModalAndLaterOnesDoNotShow) {
    for (const bool dialogFirst : {false, true}) {
        SCOPED_TRACE(dialogFirst ? "dialog" : "message box");
        TypeParam fresh;
        WindowLayer& layer = fresh.layer;
        ASSERT_TRUE(layer.OpenWindow(kWindow, 200, 100, "t"));
        fresh.TerminateInNextModal();
        if (dialogFirst) {
            EXPECT_EQ(layer.OpenFileDialog("Open", "/", "All files (*)|*"), "");
        } else {
            layer.Show("file error", "cannot read");
        }
        EXPECT_EQ(fresh.ModalsShown(), 1);
        layer.Show("later", "not shown");
        EXPECT_EQ(layer.OpenFileDialog("Open", "/", "All files (*)|*"), "");
        EXPECT_EQ(fresh.ModalsShown(), 1);
        EXPECT_EQ(fresh.ModalsLeftOpen(), 0);
        EXPECT_EQ(layer.TakeEvent().kind, EventKind::Terminate);
    }
}

// The line list: lines, marks, the selection and scrolling, all written by
// the program without an event; a click on a line and one in its gutter.
TYPED_TEST_P(WindowLayerContract, ALineListKeepsLinesMarksSelectionAndScrollApart) {
    WindowLayer& layer = this->layer;
    constexpr int32_t kLines = 8;
    layer.CreateControl(kWindow, ControlKind::LineList, kLines, 0, 120, 400, 160, "", false);
    std::vector<std::string> lines;
    for (int k = 0; k < 300; ++k) lines.push_back("line " + std::to_string(k));
    layer.SetLines(kLines, lines);
    layer.SetLines(kList, lines);  // not a line list
    EXPECT_EQ(layer.CountLines(kList), 0);
    EXPECT_EQ(layer.CountLines(kLines), 300);
    EXPECT_EQ(layer.GetLine(kLines, 299), "line 299");
    EXPECT_EQ(layer.GetLine(kLines, 300), "");
    layer.SetLineFlags(kLines, 4, LineFlag::kCurrent | LineFlag::kBreakpoint | 0x100);
    layer.SetLineFlags(kLines, 300, LineFlag::kWarning);
    layer.SetLineFlags(kList, 4, LineFlag::kWarning);
    EXPECT_EQ(layer.GetLineFlags(kLines, 4), LineFlag::kCurrent | LineFlag::kBreakpoint);
    EXPECT_EQ(layer.GetLineFlags(kLines, 5), 0U);
    EXPECT_EQ(layer.GetLineFlags(kLines, 300), 0U);
    EXPECT_EQ(layer.SelectedLine(kLines), -1);
    layer.SelectLine(kLines, 250);
    EXPECT_EQ(layer.SelectedLine(kLines), 250);
    const int32_t first = layer.FirstShownLine(kLines);
    EXPECT_TRUE(first > 200 && first <= 250) << first;
    layer.ScrollToLine(kLines, 0);
    EXPECT_EQ(layer.FirstShownLine(kLines), 0);
    EXPECT_EQ(layer.SelectedLine(kLines), 250);
    EXPECT_EQ(layer.GetLineFlags(kLines, 4), LineFlag::kCurrent | LineFlag::kBreakpoint);
    EXPECT_TRUE(this->backend.TakeAll().empty());
    this->backend.ClickLine(kLines, 2);
    EXPECT_EQ(layer.SelectedLine(kLines), 2);
    this->backend.ClickGutter(kLines, 3);
    EXPECT_EQ(layer.SelectedLine(kLines), 3);
    EXPECT_EQ(this->backend.TakeAll(),
              (std::vector<Event>{ClickEvent(kLines),
                                  Event{EventKind::Control, kLines, ControlEventType::Gutter}}));
    layer.SelectLine(kLines, 120);
    layer.SetLines(kLines, {"only"});
    EXPECT_EQ(layer.SelectedLine(kLines), -1);
    EXPECT_EQ(layer.FirstShownLine(kLines), 0);
    EXPECT_EQ(layer.GetLineFlags(kLines, 0), 0U);
}

// The text dialog gives back what was typed on OK, and nothing on Cancel.
TYPED_TEST_P(WindowLayerContract, TheTextDialogAnswersOnOkOnly) {
    WindowLayer& layer = this->layer;
    std::string answer = "start";
    this->backend.AnswerNextText(std::string("11A"));
    EXPECT_TRUE(layer.AskText("Go to", "Address:", answer));
    EXPECT_EQ(answer, "11A");
    this->backend.AnswerNextText(std::nullopt);
    EXPECT_FALSE(layer.AskText("Go to", "Address:", answer));
    EXPECT_EQ(answer, "11A");
}

// A watched file that changes raises FileChanged; after the watch ends, nothing.
TYPED_TEST_P(WindowLayerContract, AWatchedFileRaisesFileChangedUntilTheWatchEnds) {
    WindowLayer& layer = this->layer;
    const std::string path = this->backend.TemporaryFile();
    layer.WatchFile(path);
    this->backend.ChangeFile(path);
    const std::vector<Event> events = this->backend.TakeAll();
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.front().kind, EventKind::FileChanged);
    layer.WatchFile("");
    this->backend.ChangeFile(path);
    EXPECT_TRUE(this->backend.TakeAll().empty());
}

REGISTER_TYPED_TEST_SUITE_P(
    WindowLayerContract, WindowsOpenOncePerNumberShareControlNumbersAndStandApart,
    MenuChecksChangeOnlyWhenTheProgramSetsThem,
    WithoutAWindowControlsMenusShortcutsAndTimersAreNotMade, EveryKindTakesItsInitialTextAndName,
    SetTextReachesTheTextKindsOnly, TheCheckMarkBelongsToCheckBoxesOnly, LinesBelongToListsOnly,
    AListKeepsItsLinesInOrderAndReadsNothingPastTheLast, SelectLineOutOfRangeLeavesNoLineSelected,
    LimitTextBindsTheUserInTextFieldsOnly, UserActionsRaiseEventsInOrderAndProgramWritesNone,
    UnknownControlNumbersDoNothingAndAnswerEmpty, ANumberInUseIsReplacedByTheNewControl,
    CreateImageRejectsPicturesWithoutMatchingPixels, AnImageShownBeforeItExistsShowsOnceShownAgain,
    AFreedOrReplacedImageStaysUntilShownAgain, FontsAreNumberedFromZeroAndFitEveryKind,
    MenusAreBuiltInOrderAndRaiseTheirItems,
    ShortcutsRaiseTheirLatestItemFromAnyControlOfTheirWindow, TimersTickUntilRemovedFromTheirWindow,
    EscapeIsDownWhileHeld, AKeyPressReachesThePollOnlyWhenThePlatformRuns,
    ReleaseEndsEverythingAndMayBeRepeated, LineMarksKeepTheTextAndRaiseNoEvent,
    LineMarksOutsideTheLinesOrOnOtherKindsDoNothing, ClearLinesTakesTheMarksWithTheLines,
    ADoubleClickSelectsTheLineAndRaisesOneDoubleClick,
    TheBusyCursorShowsWhileBusyAndEndsWithRelease, TerminateAnswersEveryLaterTakeAndWait,
    TerminateClosesTheOpenModalAndLaterOnesDoNotShow,
    ALineListKeepsLinesMarksSelectionAndScrollApart, TheTextDialogAnswersOnOkOnly,
    AWatchedFileRaisesFileChangedUntilTheWatchEnds);

}  // namespace contract
