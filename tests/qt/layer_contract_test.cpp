// The window layer's rules for list line marks, double-clicks and the busy
// cursor, held against both backends: the in-memory layer the tests of the
// program rely on, and the Qt layer the user sees.

#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QListWidget>
#include <QTest>
#include <string>
#include <vector>

#include "platform/headless/headless_layer.h"
#include "platform/qt/qt_layer.h"
#include "tests/qt/qt_test_support.h"

namespace {

constexpr int32_t kWindow = 3;
constexpr int32_t kList = 7;
constexpr int32_t kLabel = 8;

// What the contract tests need of a backend beside the layer itself: doing
// what a user does, and seeing what the user sees.
struct HeadlessBackend {
    HeadlessLayer layer;

    void DoubleClick(int32_t control, int32_t index) { layer.DoubleClickLine(control, index); }
    std::vector<Event> Events() {
        std::vector<Event> events;
        // Each take lets one scripted action happen.
        for (int k = 0; k < 8; ++k) {
            const Event event = layer.TakeEvent();
            if (event.kind != EventKind::None) events.push_back(event);
        }
        return events;
    }
    bool ShowsBusyCursor() const { return layer.busy; }
};

struct QtBackend {
    int argc = 1;
    char programName[8] = "quodlet";
    char* argv[2] = {programName, nullptr};
    QtLayer layer{argc, argv};

    void DoubleClick(int32_t control, int32_t index) {
        auto* list = qobject_cast<QListWidget*>(layer.ControlWidgetForTests(control));
        ASSERT_NE(list, nullptr);
        const QPoint centre = list->visualItemRect(list->item(index)).center();
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
    }
    std::vector<Event> Events() { return TakeAll(layer); }
    bool ShowsBusyCursor() const {
        const QCursor* cursor = QApplication::overrideCursor();
        return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    }
};

template <typename Backend>
class LayerContractTest : public testing::Test {
protected:
    Backend backend;
    WindowLayer& layer = backend.layer;

    void SetUp() override {
        ASSERT_TRUE(layer.OpenWindow(kWindow, 300, 200, "contract"));
        layer.CreateControl(ControlKind::List, kList, 0, 0, 200, 150, "", false);
        layer.CreateControl(ControlKind::Label, kLabel, 210, 0, 80, 20, "label", true);
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

using Backends = testing::Types<HeadlessBackend, QtBackend>;
TYPED_TEST_SUITE(LayerContractTest, Backends);

TYPED_TEST(LayerContractTest, LineMarksKeepTheTextAndRaiseNoEvent) {
    WindowLayer& layer = this->layer;
    layer.SetLineMark(kList, 1, "breakpoint");
    layer.SetLineMark(kList, 2, "breakpoint");
    layer.SetLineMark(kList, 2, "breakpoint");  // again: nothing changes
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", "breakpoint", "breakpoint"}));
    EXPECT_EQ(layer.GetLine(kList, 1), "001 D5    LDM 5");
    layer.SetLineMark(kList, 2, "");
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", "breakpoint", ""}));
    EXPECT_TRUE(this->backend.Events().empty());
}

TYPED_TEST(LayerContractTest, LineMarksOutsideTheLinesOrOnOtherKindsDoNothing) {
    WindowLayer& layer = this->layer;
    for (const int32_t index : {-1, 3, 1000}) layer.SetLineMark(kList, index, "breakpoint");
    layer.SetLineMark(kLabel, 0, "breakpoint");
    layer.SetLineMark(99, 0, "breakpoint");
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", "", ""}));
    EXPECT_EQ(layer.GetLineMark(kList, 3), "");
    EXPECT_EQ(layer.GetLineMark(kList, -1), "");
    EXPECT_EQ(layer.GetLineMark(kLabel, 0), "");
    EXPECT_EQ(layer.CountLines(kList), 3);
}

TYPED_TEST(LayerContractTest, ClearLinesTakesTheMarksWithTheLines) {
    WindowLayer& layer = this->layer;
    layer.SetLineMark(kList, 0, "breakpoint");
    layer.ClearLines(kList);
    layer.AppendLine(kList, "000 00    NOP");
    layer.AppendLine(kList, "001 00    NOP");
    EXPECT_EQ(this->Marks(), (std::vector<std::string>{"", ""}));
}

TYPED_TEST(LayerContractTest, ADoubleClickSelectsTheLineAndRaisesOneDoubleClick) {
    this->backend.DoubleClick(kList, 2);
    const std::vector<Event> events = this->backend.Events();
    int doubleClicks = 0;
    for (const Event& event : events) {
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

TYPED_TEST(LayerContractTest, TheBusyCursorShowsWhileBusyAndEndsWithRelease) {
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

// What only a real window shows: the colour behind a marked line, and its
// accessible description for screen readers.
TEST(QtLineMarks, AMarkedLineHasAColourBehindItAndItsDescription) {
    QtBackend backend;
    ASSERT_TRUE(backend.layer.OpenWindow(kWindow, 300, 200, "marks"));
    backend.layer.CreateControl(ControlKind::List, kList, 0, 0, 200, 150, "", false);
    backend.layer.AppendLine(kList, "000 00    NOP");
    backend.layer.AppendLine(kList, "001 00    NOP");
    backend.layer.SetLineMark(kList, 1, "breakpoint");
    auto* list = qobject_cast<QListWidget*>(backend.layer.ControlWidgetForTests(kList));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(0)->background().style(), Qt::NoBrush);
    EXPECT_NE(list->item(1)->background().style(), Qt::NoBrush);
    EXPECT_EQ(list->item(1)->data(Qt::AccessibleDescriptionRole).toString(), "breakpoint");
    EXPECT_EQ(list->item(1)->text(), "001 00    NOP");
    backend.layer.SetLineMark(kList, 1, "");
    EXPECT_EQ(list->item(1)->background().style(), Qt::NoBrush);
}

}  // namespace
