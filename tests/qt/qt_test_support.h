#pragma once
// Shared pieces of the Qt tests: a fixture with an open main window and
// helpers that let Qt deliver what a test did, then collect the events.

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <vector>

#include "frontend/controls.h"
#include "platform/qt/qt_layer.h"
#include "tests/contract/events.h"

// A menu entry's text as screen readers read it: without the "&" that marks
// its mnemonic ("&&" stands for "&").
[[nodiscard]] inline std::string Readable(const QString& text) {
    QString readable;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size()) ++i;
        readable += text[i];
    }
    return readable.toStdString();
}

// Lets Qt deliver everything pending, then takes every queued event. The
// wait outlasts the layer's pump interval, so the first take lets Qt run
// through the layer as a Run's poll does: pending pictures go on their
// labels first.
[[nodiscard]] inline std::vector<Event> TakeAll(QtLayer& layer) {
    constexpr int kPastPumpIntervalMs = 6;
    QTest::qWait(kPastPumpIntervalMs);
    std::vector<Event> events;
    for (Event event = layer.TakeEvent(); event.kind != EventKind::None;
         event = layer.TakeEvent()) {
        events.push_back(event);
        if (event.kind == EventKind::Terminate) break;  // it would come for ever
    }
    return events;
}

class QtWindowTest : public testing::Test {
protected:
    int argc = 1;
    char programName[8] = "quodlet";
    char* argv[2] = {programName, nullptr};
    QtLayer layer{argc, argv};
    QWidget* window = nullptr;

    void SetUp() override {
        ASSERT_TRUE(layer.OpenWindow(kMainWindow, kWindowWidth, kWindowHeight, kWindowTitle));
        window = layer.MainWindowForTests();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }

    template <typename Widget>
    Widget* WidgetOf(int32_t control) {
        return qobject_cast<Widget*>(layer.ControlWidgetForTests(control));
    }
};
