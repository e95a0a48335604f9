// The window layer's contract (tests/contract/window_layer_contract.h) held
// against the Qt layer offscreen, and what only a real window shows of it.

#include <QCheckBox>
#include <QClipboard>
#include <QCursor>
#include <QElapsedTimer>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>
#include <csignal>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/key_codes.h"
#include "platform/qt/qt_keys.h"
#include "platform/qt/qt_line_list.h"
#include "qt_test_support.h"
#include "tests/contract/window_layer_contract.h"

namespace {

// The Qt layer offscreen: real widgets, clicked and typed into with QTest.
struct QtBackend {
    int argc = 1;
    char programName[8] = "quodlet";
    char* argv[2] = {programName, nullptr};
    QtLayer layer{argc, argv};
    std::vector<Event> pending;

    // Shortcuts and the focus need the window active.
    bool WindowReady() { return QTest::qWaitForWindowActive(layer.MainWindowForTests()); }
    // Lets Qt deliver what is pending and run as a Run's poll lets it, so
    // that pending pictures reach their labels too.
    void Pump() {
        const std::vector<Event> events = ::TakeAll(layer);
        pending.insert(pending.end(), events.begin(), events.end());
    }
    std::vector<Event> TakeAll() {
        Pump();
        return std::exchange(pending, {});
    }
    template <typename Widget>
    Widget* WidgetOf(int32_t control) {
        return qobject_cast<Widget*>(layer.ControlWidgetForTests(control));
    }
    void Type(int32_t control, const std::string& text) {
        if (auto* edit = WidgetOf<QLineEdit>(control)) {
            edit->setFocus();
            edit->end(false);
            QTest::keyClicks(edit, QString::fromStdString(text));
        }
        Pump();
    }
    void ClickCheckBox(int32_t control) {
        if (auto* box = WidgetOf<QCheckBox>(control)) {
            QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
        }
        Pump();
    }
    void ClickButton(int32_t control) {
        if (auto* button = WidgetOf<QPushButton>(control)) {
            QTest::mouseClick(button, Qt::LeftButton);
        }
        Pump();
    }
    std::string Clipboard() const { return QApplication::clipboard()->text().toStdString(); }
    // A line list's line, at its text or in its gutter.
    void ClickLineList(int32_t control, int32_t index, bool gutter) {
        auto* lines = dynamic_cast<LineListWidget*>(layer.ControlWidgetForTests(control));
        if (lines == nullptr) return;
        const int32_t row = index - lines->FirstShown();
        const int32_t height = lines->fontMetrics().height();
        QTest::mouseClick(
            lines->viewport(), Qt::LeftButton, {},
            QPoint(gutter ? 2 : lines->viewport()->width() - 4, row * height + height / 2));
        Pump();
    }
    void ClickGutter(int32_t control, int32_t index) { ClickLineList(control, index, true); }
    // Answers the next text dialog once it is up: types the text and OK,
    // or Cancel for nullopt.
    void AnswerNextText(std::optional<std::string> answer) {
        textWatch = std::make_unique<QTimer>();
        QObject::connect(textWatch.get(), &QTimer::timeout, [this, answer] {
            auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            textWatch->stop();
            if (!answer) {
                dialog->reject();
                return;
            }
            dialog->setTextValue(QString::fromStdString(*answer));
            dialog->accept();
        });
        textWatch->start(5);
    }
    std::unique_ptr<QTimer> textWatch;
    std::string TemporaryFile() {
        file = std::make_unique<QTemporaryFile>();
        if (!file->open()) return "";
        file->write("; a source\n");
        file->flush();
        return file->fileName().toStdString();
    }
    // Writes to the file, then gives the watch time to tell.
    void ChangeFile(const std::string& /*path*/) {
        file->write("NOP\n");
        file->flush();
        QElapsedTimer waited;
        waited.start();
        while (!waited.hasExpired(2000)) {
            Pump();
            if (!pending.empty()) return;
            QTest::qWait(20);
        }
    }
    std::unique_ptr<QTemporaryFile> file;
    void ClickLine(int32_t control, int32_t index) {
        if (dynamic_cast<LineListWidget*>(layer.ControlWidgetForTests(control)) != nullptr) {
            ClickLineList(control, index, false);
            return;
        }
        auto* list = WidgetOf<QListWidget>(control);
        if (list != nullptr && list->item(index) != nullptr) {
            const QRect line = list->visualItemRect(list->item(index));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, line.center());
        }
        Pump();
    }
    void PressKey(int32_t keyCode) {
        const QKeySequence sequence = SequenceOf(keyCode);
        QWidget* target = QApplication::focusWidget();
        if (target == nullptr) target = layer.MainWindowForTests();
        if (!sequence.isEmpty() && target != nullptr) {
            QTest::keyClick(target, sequence[0].key(), sequence[0].keyboardModifiers());
        }
        Pump();
    }
    // Presses the key in that window, made the active one.
    void PressKeyIn(int32_t window, int32_t keyCode) {
        QWidget* target = layer.WindowForTests(window);
        const QKeySequence sequence = SequenceOf(keyCode);
        if (target != nullptr && !sequence.isEmpty()) {
            target->activateWindow();
            if (QTest::qWaitForWindowActive(target))
                QTest::keyClick(target, sequence[0].key(), sequence[0].keyboardModifiers());
        }
        Pump();
    }
    void CloseWindow(int32_t window) {
        if (QWidget* target = layer.WindowForTests(window)) target->close();
        Pump();
    }
    std::string Window(int32_t window) {
        QWidget* target = layer.WindowForTests(window);
        if (target == nullptr) return "";
        return std::to_string(target->width()) + "x" + std::to_string(target->height()) +
               (target->isVisible() ? " shown " : " hidden ") + target->windowTitle().toStdString();
    }
    bool InWindow(int32_t control, int32_t window) {
        QWidget* widget = layer.ControlWidgetForTests(control);
        return widget != nullptr && widget->window() == layer.WindowForTests(window);
    }
    // The menu bar's entry raising that item.
    QAction* ActionOf(int32_t item) {
        for (QAction* action : layer.MainWindowForTests()->findChildren<QAction*>())
            if (action->data() == QVariant(item)) return action;
        return nullptr;
    }
    void ChooseMenuItem(int32_t item) { ActionOf(item)->trigger(); }
    bool Marked(int32_t item) { return ActionOf(item) != nullptr && ActionOf(item)->isChecked(); }
    void DoubleClick(int32_t control, int32_t index) {
        auto* list = WidgetOf<QListWidget>(control);
        if (list != nullptr && list->item(index) != nullptr) {
            const QPoint centre = list->visualItemRect(list->item(index)).center();
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, centre);
            QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, centre);
        }
        Pump();
    }
    // Termination as the session sends it: a real signal.
    void RaiseTerminate() {
        layer.TerminateOnSignals();
        std::raise(SIGTERM);
    }
    // Sends SIGTERM once the next modal is up, and counts the modals that
    // come up; one still up after three seconds is closed and counted as
    // left open.
    void TerminateInNextModal() {
        layer.TerminateOnSignals();
        modalWatch = std::make_unique<QTimer>();
        QObject::connect(modalWatch.get(), &QTimer::timeout,
                         [this, wasUp = false, since = QElapsedTimer()]() mutable {
                             QWidget* modal = QApplication::activeModalWidget();
                             const bool up = modal != nullptr && modal->isVisible();
                             if (up && !wasUp) {
                                 since.start();
                                 if (++modalsShown == 1) std::raise(SIGTERM);
                             } else if (up && since.hasExpired(3000)) {
                                 ++modalsLeftOpen;
                                 modal->close();
                             }
                             wasUp = up;
                         });
        modalWatch->start(5);
    }
    int32_t ModalsShown() const { return modalsShown; }
    int32_t ModalsLeftOpen() const { return modalsLeftOpen; }
    int32_t modalsShown = 0;
    int32_t modalsLeftOpen = 0;
    std::unique_ptr<QTimer> modalWatch;
    bool ShowsBusyCursor() const {
        const QCursor* cursor = QApplication::overrideCursor();
        return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
    }
    void HoldEscape() { QTest::keyPress(layer.MainWindowForTests(), Qt::Key_Escape); }
    void ReleaseEscape() { QTest::keyRelease(layer.MainWindowForTests(), Qt::Key_Escape); }
    void PostEscapePress() {
        QCoreApplication::postEvent(
            layer.MainWindowForTests(),
            new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }
    // Several periods of contract::kTimerPeriodMs pass.
    void LetTimersRun() { QTest::qWait(6 * contract::kTimerPeriodMs); }
    std::vector<uint32_t> ShownPicture(int32_t control) {
        Pump();
        auto* label = WidgetOf<QLabel>(control);
        if (label == nullptr || label->pixmap().isNull()) return {};
        const QImage image = label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
        std::vector<uint32_t> argb;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) argb.push_back(image.pixel(x, y));
        }
        return argb;
    }
    std::string Font(int32_t control) {
        QWidget* widget = layer.ControlWidgetForTests(control);
        if (widget->font() == QApplication::font(widget)) return "";
        return widget->font().toString().toStdString();
    }
    std::string AccessibleName(int32_t control) {
        return layer.ControlWidgetForTests(control)->accessibleName().toStdString();
    }
    bool Centred(int32_t control) {
        auto* edit = WidgetOf<QLineEdit>(control);
        return edit != nullptr && (edit->alignment() & Qt::AlignHCenter) != 0;
    }
    // The menu bar as the user sees it; each item is chosen once to learn
    // the number it raises.
    std::vector<std::string> Menus() {
        std::vector<std::string> lines;
        auto* window = qobject_cast<QMainWindow*>(layer.MainWindowForTests());
        if (window == nullptr || window->menuWidget() == nullptr) return lines;
        for (QAction* title : window->menuBar()->actions()) {
            lines.push_back(title->text().toStdString());
            if (title->menu() != nullptr) Describe(title->menu(), "  ", lines);
        }
        return lines;
    }
    void Describe(QMenu* menu, const std::string& indent, std::vector<std::string>& lines) {
        for (QAction* action : menu->actions()) {
            if (action->isSeparator()) {
                lines.push_back(indent + "-");
            } else if (action->menu() != nullptr) {
                lines.push_back(indent + "[" + action->text().toStdString() + "]");
                Describe(action->menu(), indent + "  ", lines);
            } else {
                action->trigger();
                const std::vector<Event> events = TakeAll();
                const std::string number = events.size() == 1 && events[0].kind == EventKind::Menu
                                               ? std::to_string(events[0].number)
                                               : "?";
                lines.push_back(indent + number + " " + action->text().toStdString());
            }
        }
    }
};

// What only a real window shows: the colour behind a marked line, and its
// accessible description for screen readers.
TEST(QtLineMarks, AMarkedLineHasAColourBehindItAndItsDescription) {
    QtBackend backend;
    ASSERT_TRUE(backend.layer.OpenWindow(contract::kWindow, 300, 200, "marks"));
    backend.layer.CreateControl(contract::kWindow, ControlKind::List, contract::kList, 0, 0, 200,
                                150, "", false);
    backend.layer.AppendLine(contract::kList, "000 00    NOP");
    backend.layer.AppendLine(contract::kList, "001 00    NOP");
    backend.layer.SetLineMark(contract::kList, 1, "breakpoint");
    auto* list = backend.WidgetOf<QListWidget>(contract::kList);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(0)->background().style(), Qt::NoBrush);
    EXPECT_NE(list->item(1)->background().style(), Qt::NoBrush);
    EXPECT_EQ(list->item(1)->data(Qt::AccessibleDescriptionRole).toString(), "breakpoint");
    EXPECT_EQ(list->item(1)->text(), "001 00    NOP");
    backend.layer.SetLineMark(contract::kList, 1, "");
    EXPECT_EQ(list->item(1)->background().style(), Qt::NoBrush);
}

}  // namespace

// The suite's own namespace, where the macro finds it.
namespace contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, WindowLayerContract, QtBackend);
}  // namespace contract
