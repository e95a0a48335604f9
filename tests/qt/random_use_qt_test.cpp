// The whole program on the real Qt window under a long run of random use, as
// a restless user would give it: keys of every kind (with Run, Step and the
// open-file shortcut among them), typing into whatever has the focus,
// clicks anywhere in the window and its menus, menu commands, and Escape
// held. Dialogs and message boxes that come up are closed, as a user would.
// The program must neither crash nor leave the window out of shape. In the
// sanitizer build this also proves that no such use reads or writes outside
// memory.

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "frontend/app.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "qt_test_support.h"

namespace {

constexpr int kActions = 1500;

// The same actions every run; QUODLET_RANDOM_SEED picks others, for longer
// exploration by hand.
uint32_t Seed() {
    bool given = false;
    const uint32_t seed = qEnvironmentVariable("QUODLET_RANDOM_SEED").toUInt(&given);
    return given ? seed : 4004;
}

// What the window must look like whatever was done: a listing of 32 lines
// and a stack list of three, each with a line selected, and a RAM dump of
// 18 lines of 36 characters.
void CheckWindow(QtLayer& layer, std::vector<std::string>& problems) {
    auto* listing = qobject_cast<QListWidget*>(layer.ControlWidgetForTests(Control::kCodeListing));
    auto* stack = qobject_cast<QListWidget*>(layer.ControlWidgetForTests(Control::kStack));
    if (listing->count() != 32 || listing->currentRow() < 0) problems.push_back("listing");
    // Three slots on the compatible machine, four address registers on the
    // MCS-4 system.
    if (stack->count() < 3 || stack->count() > 4 || stack->currentRow() < 0) {
        problems.push_back("stack");
    }
    const QStringList dump =
        QString::fromStdString(layer.GetText(Control::kRamDump)).split(QStringLiteral("\r\n"));
    bool dumpWhole = dump.size() == 18;
    for (const QString& line : dump) dumpWhole = dumpWhole && line.size() == 36;
    if (!dumpWhole) problems.push_back("RAM dump");
}

class RandomUser {
public:
    RandomUser(QWidget* window, uint32_t seed) : window_(window), random_(seed) {
        for (QAction* action : window->findChildren<QAction*>()) {
            // Quit would end the session early; closing is tried at the end.
            if (!action->menu() && !action->isSeparator() && Readable(action->text()) != "Quit")
                commands_.push_back(action);
        }
    }

    void Act() {
        if (escapeHeld_) {
            QTest::keyRelease(window_, Qt::Key_Escape);
            escapeHeld_ = false;
        }
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window_;
        switch (Below(7)) {
            case 0:
            case 1: {
                const auto [key, modifiers] = kKeys[Below(kKeys.size())];
                QTest::keyClick(target, key, modifiers);
                break;
            }
            case 2: {
                // Characters as a keyboard layout delivers them: the text
                // counts, whatever the key.
                for (int i = 0, n = 1 + static_cast<int>(Below(4)); i < n; ++i) {
                    const QString text(kTyped[static_cast<qsizetype>(Below(kTyped.size()))]);
                    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
                    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
                    QApplication::sendEvent(target, &press);
                    QApplication::sendEvent(target, &release);
                }
                break;
            }
            case 3:
            case 4: {
                const QPoint point(static_cast<int>(Below(static_cast<size_t>(window_->width()))),
                                   static_cast<int>(Below(static_cast<size_t>(window_->height()))));
                QWidget* child = window_->childAt(point);
                QWidget* clicked = child != nullptr ? child : window_;
                QTest::mouseClick(clicked, Qt::LeftButton, {}, clicked->mapFrom(window_, point));
                break;
            }
            case 5: commands_[Below(commands_.size())]->trigger(); break;
            default:
                QTest::keyPress(window_, Qt::Key_Escape);
                escapeHeld_ = true;
                break;
        }
    }

private:
    size_t Below(size_t count) {
        return std::uniform_int_distribution<size_t>(0, count - 1)(random_);
    }

    static constexpr std::array<std::pair<Qt::Key, Qt::KeyboardModifiers>, 22> kKeys = {{
        {Qt::Key_F5, Qt::NoModifier},     {Qt::Key_F7, Qt::NoModifier},
        {Qt::Key_F7, Qt::NoModifier},     {Qt::Key_O, Qt::ControlModifier},
        {Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_Tab, Qt::NoModifier},
        {Qt::Key_Tab, Qt::ShiftModifier}, {Qt::Key_Backspace, Qt::NoModifier},
        {Qt::Key_Delete, Qt::NoModifier}, {Qt::Key_Return, Qt::NoModifier},
        {Qt::Key_Space, Qt::NoModifier},  {Qt::Key_Up, Qt::NoModifier},
        {Qt::Key_Down, Qt::NoModifier},   {Qt::Key_Home, Qt::NoModifier},
        {Qt::Key_End, Qt::NoModifier},    {Qt::Key_A, Qt::ControlModifier},
        {Qt::Key_V, Qt::ControlModifier}, {Qt::Key_Z, Qt::ControlModifier},
        {Qt::Key_D, Qt::AltModifier},     {Qt::Key_F, Qt::AltModifier},
        {Qt::Key_F10, Qt::NoModifier},    {Qt::Key_PageDown, Qt::NoModifier},
    }};
    inline static const QString kTyped = QStringLiteral("0123456789abcdefABCDEFxyz-+ äß€\t\u00a0");

    QWidget* window_;
    std::vector<QAction*> commands_;
    std::mt19937 random_;
    bool escapeHeld_ = false;
};

TEST(RandomUseQtTest, ManyRandomActionsLeaveTheWindowWhole) {
    int argc = 1;
    char programName[8] = "quodlet";
    char* argv[2] = {programName, nullptr};
    QtLayer layer(argc, argv);
    auto workbench = std::make_unique<Workbench>();

    std::unique_ptr<RandomUser> user;
    std::vector<std::string> problems;
    int actions = 0;
    QTimer clock;
    QObject::connect(&clock, &QTimer::timeout, [&] {
        QWidget* window = layer.MainWindowForTests();
        if (window == nullptr) return;
        // Open menus, dialogs and message boxes are closed first: while one
        // is up, the main window takes no input.
        if (QWidget* popup = QApplication::activePopupWidget()) {
            popup->close();
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            modal->close();
            return;
        }
        // A user's input goes to the active window: one that lost that to
        // a closed dialog is brought back first.
        if (!window->isActiveWindow()) {
            window->activateWindow();
            QApplication::processEvents();
            if (!window->isActiveWindow()) return;
        }
        if (actions >= kActions) {
            // Done: a Run in progress ends on Escape, then the window closes.
            CheckWindow(layer, problems);
            QTest::keyPress(window, Qt::Key_Escape);
            window->close();
            return;
        }
        if (!user) user = std::make_unique<RandomUser>(window, Seed());
        user->Act();
        ++actions;
        if (actions % 100 == 0) CheckWindow(layer, problems);
    });
    QTimer::singleShot(0, [&] { clock.start(1); });

    EXPECT_EQ(RunQuodlet(*workbench, layer), 0);
    EXPECT_GE(actions, kActions);
    EXPECT_EQ(problems, std::vector<std::string>{});
    for (const int32_t byte : workbench->state.RomImage) {
        ASSERT_GE(byte, 0);
        ASSERT_LE(byte, 0xFF);
    }
}

}  // namespace
