// The whole program on the real Qt window: the event loop of RunQuodlet
// receives a menu command and the F7 shortcut as a user gives them, and the
// window's fields show the result; a signal ends a Run and the program.

#include <QAction>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QTimer>
#include <csignal>
#include <memory>
#include <string>
#include <vector>

#include "debug/history.h"
#include "frontend/app.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "qt_test_support.h"

namespace {

QAction* FindAction(QWidget* window, const QString& text) {
    for (QAction* action : window->findChildren<QAction*>()) {
        if (Readable(action->text()) == text.toStdString()) return action;
    }
    return nullptr;
}

TEST(EventLoopQtTest, ExampleMenuThenF7StepsTheRealLoop) {
    int argc = 1;
    char programName[8] = "quodlet";
    char* argv[2] = {programName, nullptr};
    QtLayer layer(argc, argv);
    auto workbench = std::make_unique<Workbench>();

    std::vector<std::string> seen;  // field texts read while the loop runs
    // Should a step below fail, the window still closes and the loop ends.
    // The guard ends with the test: a later test must not meet it.
    QObject guard;
    QTimer::singleShot(5000, &guard, [&] {
        if (QWidget* window = layer.MainWindowForTests()) window->close();
    });
    // Everything the user does happens from inside the running loop.
    QTimer::singleShot(0, [&] {
        QWidget* window = layer.MainWindowForTests();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        QAction* square = FindAction(window, "2. A^2");
        ASSERT_NE(square, nullptr);
        square->trigger();
        // Focus in a register field: F7 must still step.
        auto* r0 = qobject_cast<QLineEdit*>(layer.ControlWidgetForTests(0));
        ASSERT_NE(r0, nullptr);
        r0->setFocus();
        QTest::keyClick(window, Qt::Key_F7);
        QTest::keyClick(window, Qt::Key_F7);
        QTimer::singleShot(0, [&, window] {
            for (int32_t control : {Control::kAccumulator, 0, Control::kProgramCounter}) {
                seen.push_back(qobject_cast<QLineEdit*>(layer.ControlWidgetForTests(control))
                                   ->text()
                                   .toStdString());
            }
            auto* listing =
                qobject_cast<QListWidget*>(layer.ControlWidgetForTests(Control::kCodeListing));
            seen.push_back(listing->currentItem() ? listing->currentItem()->text().toStdString()
                                                  : "");
            window->close();  // the close button: the loop ends
        });
    });

    EXPECT_EQ(RunQuodlet(*workbench, layer), 0);
    // LDM 5 then XCH R0 from the start-up state.
    EXPECT_EQ(workbench->state.pc, 2);
    EXPECT_EQ(workbench->state.indexRegisters[0], 5);
    EXPECT_EQ(workbench->programLength, 18);
    EXPECT_EQ(seen, (std::vector<std::string>{"0", "5", "2", "002 A0    LD R0"}));
}

TEST(EventLoopQtTest, SigintEndsARunAndTheProgram) {
    int argc = 1;
    char programName[8] = "quodlet";
    char* argv[2] = {programName, nullptr};
    QtLayer layer(argc, argv);
    layer.TerminateOnSignals();
    auto workbench = std::make_unique<Workbench>();

    // A Run that ignored the signal would go on until Escape stops it here.
    bool escapeNeeded = false;
    QObject guard;
    QTimer::singleShot(5000, &guard, [&] {
        escapeNeeded = true;
        QTest::keyPress(layer.MainWindowForTests(), Qt::Key_Escape);
    });
    QTimer::singleShot(0, &guard, [&] {
        QWidget* window = layer.MainWindowForTests();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
        workbench->state.RomImage[0] = 0x40;  // 000 JUN 000 for ever
        QTest::keyClick(window, Qt::Key_F5);
        // Due while the Run has the thread: it fires in one of its event takes.
        QTimer::singleShot(100, &guard, [] { std::raise(SIGINT); });
    });

    EXPECT_EQ(RunQuodlet(*workbench, layer), 0);
    EXPECT_FALSE(escapeNeeded);
    EXPECT_GT(HistoryLength(workbench->history), kSnapshotInterval);
    EXPECT_EQ(layer.MainWindowForTests(), nullptr);  // released
}

}  // namespace
