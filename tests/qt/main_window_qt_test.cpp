// The real main window as BuildMainWindow makes it on Qt, against the one
// expected window of tests/expected_main_window.h: every control in its
// place and kind with its text and accessible name, the Tab order, the
// field limits, the listing font, the lamp pixels, the menus with their
// item numbers and the shortcuts.

#include <QCheckBox>
#include <QFontInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShortcut>
#include <algorithm>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "data/icon.h"
#include "frontend/main_window.h"
#include "platform/qt/qt_keys.h"
#include "qt_test_support.h"
#include "tests/expected_main_window.h"

namespace {

class MainWindowQtTest : public QtWindowTest {
protected:
    void SetUp() override {
        QtWindowTest::SetUp();
        if (HasFatalFailure()) return;
        BuildMainWindow(layer);
        QCoreApplication::processEvents();
    }

    // The control number of a widget, -1 for none.
    int32_t NumberOf(const QWidget* widget) {
        for (int32_t n = 0; n < Control::kCount; ++n) {
            if (layer.ControlWidgetForTests(n) == widget) return n;
        }
        return -1;
    }
};

// Which kind of control a widget is, read from the widget alone.
[[nodiscard]] std::optional<ControlKind> KindOf(QWidget* widget) {
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        return edit->isReadOnly() ? ControlKind::ReadOnlyTextField : ControlKind::TextField;
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->pixmap().isNull() ? ControlKind::Label : ControlKind::Image;
    }
    if (qobject_cast<QPlainTextEdit*>(widget) != nullptr) return ControlKind::MultiLineText;
    if (qobject_cast<QCheckBox*>(widget) != nullptr) return ControlKind::CheckBox;
    if (qobject_cast<QListWidget*>(widget) != nullptr) return ControlKind::List;
    return std::nullopt;
}

TEST_F(MainWindowQtTest, EveryControlHasItsPlaceKindTextAndName) {
    auto* main = qobject_cast<QMainWindow*>(window);
    ASSERT_NE(main, nullptr);
    const int barHeight = main->menuBar()->height();
    (void)TakeAll(layer);  // the lamps' pictures reach their labels
    const QList<QWidget*> widgets = window->findChildren<QWidget*>();
    const std::vector<ExpectedControl> controls = ExpectedControls();
    ASSERT_EQ(controls.size(), static_cast<size_t>(Control::kCount));
    for (const ExpectedControl& want : controls) {
        SCOPED_TRACE("control " + std::to_string(want.number));
        QWidget* widget = layer.ControlWidgetForTests(want.number);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(KindOf(widget), want.kind);
        EXPECT_EQ(widget->mapTo(window, QPoint(0, 0)), QPoint(want.x, want.y + barHeight));
        EXPECT_EQ(widget->size(), QSize(want.width, want.height));
        EXPECT_TRUE(widget->isVisible());
        // Every control stays inside the fixed window below the menu bar.
        EXPECT_LE(want.y + barHeight + want.height, window->height());
        EXPECT_EQ(layer.GetText(want.number), want.text);
        // Assistive tools find the machine's controls by a name of their own.
        EXPECT_EQ(widget->accessibleName().toStdString(), want.accessibleName);
        if (want.accessibleName.empty()) continue;
        const auto named = std::count_if(widgets.begin(), widgets.end(), [&](const QWidget* w) {
            return w->accessibleName().toStdString() == want.accessibleName;
        });
        EXPECT_EQ(named, 1);
    }
    EXPECT_EQ(window->size(), QSize(640, 480));
}

// Tab visits the controls that take the focus (all but captions and lamps)
// in creation order.
TEST_F(MainWindowQtTest, TabVisitsTheControlsInCreationOrder) {
    std::vector<int32_t> expected;
    for (const ExpectedControl& control : ExpectedControls()) {
        if (control.kind != ControlKind::Label && control.kind != ControlKind::Image)
            expected.push_back(control.number);
    }
    QWidget* first = layer.ControlWidgetForTests(expected.front());
    ASSERT_NE(first, nullptr);
    first->setFocus();
    std::vector<int32_t> visited = {NumberOf(QApplication::focusWidget())};
    while (visited.size() < expected.size()) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.push_back(NumberOf(QApplication::focusWidget()));
    }
    EXPECT_EQ(visited, expected);
}

TEST_F(MainWindowQtTest, FieldsTakeTypedTextUpToTheirLimits) {
    for (const ExpectedControl& want : ExpectedControls()) {
        if (want.kind != ControlKind::TextField) continue;
        SCOPED_TRACE("field " + std::to_string(want.number));
        auto* edit = WidgetOf<QLineEdit>(want.number);
        ASSERT_NE(edit, nullptr);
        edit->setFocus();
        edit->selectAll();
        QTest::keyClicks(edit, "123456");
        const auto limit = static_cast<size_t>(want.maxChars);
        EXPECT_EQ(layer.GetText(want.number), std::string("123456").substr(0, limit));
        EXPECT_EQ(TakeAll(layer), std::vector<Event>(limit, ChangeEvent(want.number)));
    }
}

TEST_F(MainWindowQtTest, ListingAndDumpShareAFixedPitchFontOfEightPoints) {
    for (int32_t number : {Control::kCodeListing, Control::kRamDump}) {
        QWidget* widget = layer.ControlWidgetForTests(number);
        ASSERT_NE(widget, nullptr);
        const QFontInfo info(widget->font());
        EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
        EXPECT_EQ(info.pointSize(), 8);
    }
    EXPECT_EQ(layer.ControlWidgetForTests(Control::kStack)->font(),
              QApplication::font(layer.ControlWidgetForTests(Control::kStack)));
    EXPECT_EQ(layer.CreateFont("", 8), -1);
    EXPECT_EQ(layer.CreateFont("Courier", 0), -1);
}

// The lamp shape by rows: transparent, lamp-colour and black columns.
enum class Shade { Transparent, Lamp, Black };

[[nodiscard]] Shade ExpectedShade(int row, int column) {
    auto in = [column](int from, int to) { return column >= from && column <= to; };
    if (row == 0 || row == 15) return Shade::Transparent;
    if (row == 1 || row == 2 || row == 13 || row == 14) {
        return in(0, 2) || in(13, 15) ? Shade::Transparent : Shade::Black;
    }
    if (column == 0 || column == 15) return Shade::Transparent;
    if (row == 3 || row == 4 || row == 11 || row == 12) {
        return in(5, 10) ? Shade::Lamp : Shade::Black;
    }
    if (row == 5 || row == 6) return in(3, 12) ? Shade::Lamp : Shade::Black;
    if (row == 7 || row == 8) return in(3, 8) || in(11, 12) ? Shade::Lamp : Shade::Black;
    return in(3, 6) || in(11, 12) ? Shade::Lamp : Shade::Black;  // rows 9 and 10
}

// Counts the pixels of the picture a lamp shows that differ from the shape.
[[nodiscard]] int WrongLampPixels(QtLayer& layer, int32_t control, QColor lamp) {
    auto* label = qobject_cast<QLabel*>(layer.ControlWidgetForTests(control));
    if (label == nullptr || label->pixmap().isNull()) return -1;
    const QImage image = label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    if (image.size() != QSize(16, 16)) return -1;
    int wrong = 0;
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 16; ++column) {
            const QColor got = image.pixelColor(column, row);
            bool right = false;
            switch (ExpectedShade(row, column)) {
                case Shade::Transparent: right = got.alpha() == 0; break;
                case Shade::Black: right = got == QColor(0, 0, 0); break;
                case Shade::Lamp: right = got == lamp; break;
            }
            if (!right) ++wrong;
        }
    }
    return wrong;
}

TEST_F(MainWindowQtTest, LampsShowEveryPixelOfBothImages) {
    const QColor off(192, 192, 192);
    const QColor on(80, 255, 23);
    (void)TakeAll(layer);
    for (int32_t lamp = Control::kFirstLamp; lamp < Control::kFirstLamp + 4; ++lamp) {
        EXPECT_EQ(WrongLampPixels(layer, lamp, off), 0) << "lamp " << lamp;
    }
    layer.ShowImage(Control::kFirstLamp, Image::kLampOn);
    (void)TakeAll(layer);
    EXPECT_EQ(WrongLampPixels(layer, Control::kFirstLamp, on), 0);
    EXPECT_EQ(WrongLampPixels(layer, Control::kFirstLamp + 1, off), 0);
    layer.ShowImage(Control::kFirstLamp, Image::kLampOff);
    (void)TakeAll(layer);
    EXPECT_EQ(WrongLampPixels(layer, Control::kFirstLamp, off), 0);
}

TEST_F(MainWindowQtTest, ALampSwitchedDuringARunReachesTheWindowWhenQtNextWorks) {
    const QColor on(80, 255, 23);
    auto* label = qobject_cast<QLabel*>(layer.ControlWidgetForTests(Control::kFirstLamp));
    ASSERT_NE(label, nullptr);
    // A Run switches the lamp many times between two pumps; only the last
    // switch matters to the window.
    for (int i = 0; i < 5; ++i) {
        layer.ShowImage(Control::kFirstLamp, Image::kLampOn);
        layer.ShowImage(Control::kFirstLamp, Image::kLampOff);
    }
    layer.ShowImage(Control::kFirstLamp, Image::kLampOn);
    // The Run's polls, once the pump's few milliseconds have passed.
    QTest::qWait(10);
    for (int poll = 0; poll < 1024; ++poll) (void)layer.TakeEvent();
    // Read straight from the widget: the window sees what was applied.
    const QImage image = label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(image.pixelColor(7, 4), on);
}

// The menu bar as the user sees it, in the form the headless layer logs
// it (texts as read, without mnemonic marks); each item is chosen once to
// learn the number it raises.
void DescribeMenu(QMenu* menu, QtLayer& layer, std::vector<std::string>& log) {
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) {
            log.push_back("separator");
        } else if (action->menu() != nullptr) {
            log.push_back("submenu " + Readable(action->text()));
            DescribeMenu(action->menu(), layer, log);
            log.push_back("end submenu");
        } else {
            action->trigger();
            const std::vector<Event> events = TakeAll(layer);
            std::string raised = "?";
            if (events.size() == 1 && events.front().kind == EventKind::Menu) {
                raised = std::to_string(events.front().number);
            }
            // An item with a shortcut of its own would raise each key twice.
            log.push_back("item " + raised + " " + Readable(action->text()) +
                          (action->shortcut().isEmpty() ? "" : " (own shortcut!)"));
        }
    }
}

TEST_F(MainWindowQtTest, MenusShowTheirEntriesInOrderWithTheirItemNumbers) {
    auto* main = qobject_cast<QMainWindow*>(window);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(main->menuBar()->isNativeMenuBar());
    std::vector<std::string> log;
    for (QAction* title : main->menuBar()->actions()) {
        log.push_back("title " + Readable(title->text()));
        ASSERT_NE(title->menu(), nullptr);
        DescribeMenu(title->menu(), layer, log);
    }
    EXPECT_EQ(log, kExpectedMenuLog);
}

TEST_F(MainWindowQtTest, AltWithAMenusMnemonicOpensIt) {
    auto* main = qobject_cast<QMainWindow*>(window);
    ASSERT_NE(main, nullptr);
    const QList<QAction*> titles = main->menuBar()->actions();
    ASSERT_GE(titles.size(), 2);
    for (const auto& [key, title] : {std::pair{Qt::Key_F, 0}, std::pair{Qt::Key_D, 1}}) {
        QMenu* menu = titles[title]->menu();
        ASSERT_NE(menu, nullptr);
        QTest::keyClick(window, key, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000))
            << Readable(titles[title]->text());
        // Escape closes the menu, and again leaves the menu bar.
        QTest::keyClick(menu, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([menu] { return !menu->isVisible(); }, 2000));
        QTest::keyClick(main->menuBar(), Qt::Key_Escape);
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
}

TEST_F(MainWindowQtTest, ShortcutsWorkFromATextFieldAndRaiseTheirItemOnce) {
    auto* edit = WidgetOf<QLineEdit>(5);
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), edit);
    for (const ExpectedShortcut& shortcut : kExpectedShortcuts) {
        const QKeyCombination key = SequenceOf(shortcut.keyCode)[0];
        QTest::keyClick(edit, key.key(), key.keyboardModifiers());
        EXPECT_EQ(TakeAll(layer), std::vector<Event>{MenuEvent(shortcut.item)}) << shortcut.keyCode;
    }
    EXPECT_EQ(layer.GetText(5), "FF");  // the keys did not reach the field

    // Also from the listing, and a key without a shortcut raises nothing.
    QWidget* listing = layer.ControlWidgetForTests(Control::kCodeListing);
    listing->setFocus();
    QTest::keyClick(listing, Qt::Key_F7);
    QTest::keyClick(listing, Qt::Key_F6);
    EXPECT_EQ(TakeAll(layer), std::vector<Event>{MenuEvent(MenuItem::kStep)});

    // A held F7 repeats: its shortcut must accept auto-repeated presses.
    int repeating = 0;
    for (const QShortcut* shortcut : window->findChildren<QShortcut*>()) {
        if (shortcut->key() == QKeySequence(Qt::Key_F7) && shortcut->autoRepeat()) ++repeating;
    }
    EXPECT_EQ(repeating, 1);
}

TEST(ProgramIconTest, IsThirtyTwoSquareInAtMostSixteenColours) {
    const Picture icon = ProgramIcon();
    ASSERT_EQ(icon.width, 32);
    ASSERT_EQ(icon.height, 32);
    ASSERT_EQ(icon.argb.size(), 32u * 32u);
    std::map<uint32_t, int> colours;
    for (uint32_t pixel : icon.argb) ++colours[pixel];
    EXPECT_LE(colours.size(), 16u);
    EXPECT_GE(colours.size(), 4u);  // a drawing, not a blank
    for (const auto& [colour, count] : colours) {
        const uint32_t alpha = colour >> 24;
        EXPECT_TRUE(alpha == 0 || alpha == 0xFF) << std::hex << colour;
        const uint32_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
        if (alpha == 0xFF) {
            EXPECT_TRUE(r == g && g == b) << std::hex << colour;  // a grey package
        }
    }
}

}  // namespace
