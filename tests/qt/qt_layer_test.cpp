// What only the Qt window layer has to get right, with controls made by the
// tests themselves: the windows' frames and places, pasting and Qt's own
// length limit on fields, the widgets' looks, the key tracker, message
// boxes, the file dialog and the platform check. The rules it shares with
// the headless layer are held by tests/contract/window_layer_contract.h.

#include <QCheckBox>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>

#include "qt_test_support.h"

namespace {

using QtLayerTest = QtWindowTest;

TEST_F(QtLayerTest, WindowHasTitleFixedSizeCentredAndNoMaximiseButton) {
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Quodlet v0.9"));
    EXPECT_EQ(window->size(), QSize(640, 480));
    EXPECT_EQ(window->minimumSize(), window->maximumSize());
    const Qt::WindowFlags flags = window->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(window->windowIcon().isNull());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(window->pos(), QPoint(screen.x() + std::max(0, (screen.width() - 640) / 2),
                                    screen.y() + std::max(0, (screen.height() - 480) / 2)));
}

TEST_F(QtLayerTest, AFurtherWindowOpensBesideTheMainOneWithinTheScreen) {
    ASSERT_TRUE(layer.OpenWindow(1, 60, 40, "beside"));
    ASSERT_TRUE(layer.OpenWindow(2, 300, 40, "too wide to fit beside"));
    const QRect main = window->frameGeometry();
    const QRect screen = window->screen()->geometry();
    ASSERT_LT(main.right() + 60, screen.right());
    EXPECT_EQ(layer.WindowForTests(1)->frameGeometry().topLeft(),
              QPoint(main.right() + 1, main.top()));
    EXPECT_EQ(layer.WindowForTests(2)->frameGeometry().topRight(),
              QPoint(screen.right(), main.top()));
    EXPECT_EQ(layer.WindowForTests(2)->windowFlags(), window->windowFlags());
    EXPECT_EQ(layer.WindowForTests(2)->minimumSize(), layer.WindowForTests(2)->maximumSize());
}

TEST_F(QtLayerTest, TypedAndPastedTextIsCutAtTheLimitWithOneChangePerEdit) {
    layer.CreateControl(kMainWindow, ControlKind::TextField, 0, 0, 20, 40, 20, "", false);
    layer.LimitText(0, 2);
    auto* edit = WidgetOf<QLineEdit>(0);
    ASSERT_NE(edit, nullptr);
    edit->setFocus();

    QTest::keyClicks(edit, "1F7");
    EXPECT_EQ(layer.GetText(0), "1F");
    EXPECT_EQ(TakeAll(layer),
              (std::vector<Event>{ChangeEvent(0), ChangeEvent(0)}));  // '7' refused: no event

    QGuiApplication::clipboard()->setText(QStringLiteral("ABCDEF"));
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(layer.GetText(0), "AB");
    EXPECT_EQ(TakeAll(layer), std::vector<Event>{ChangeEvent(0)});
}

TEST_F(QtLayerTest, ProgramTextIsShownWholeAndRaisesNoEvent) {
    layer.CreateControl(kMainWindow, ControlKind::TextField, 17, 200, 0, 40, 20, "FF", true);
    layer.LimitText(17, 4);
    auto* edit = WidgetOf<QLineEdit>(17);
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->alignment() & Qt::AlignHCenter);

    layer.SetText(17, "10000");  // a typed FFFF stepped on: beyond the four characters
    EXPECT_EQ(layer.GetText(17), "10000");
    EXPECT_TRUE(TakeAll(layer).empty());

    // The user still cannot make it longer, and once shortened by the user
    // the field holds to its limit again.
    edit->setFocus();
    edit->end(false);
    QTest::keyClick(edit, Qt::Key_5);
    EXPECT_EQ(layer.GetText(17), "10000");
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClick(edit, Qt::Key_5);
    EXPECT_EQ(layer.GetText(17), "1000");
    EXPECT_EQ(TakeAll(layer), std::vector<Event>{ChangeEvent(17)});

    layer.SetText(17, "7");
    EXPECT_EQ(layer.GetText(17), "7");
    QTest::keyClicks(edit, "ABCD");
    EXPECT_EQ(layer.GetText(17), "7ABC");
    EXPECT_EQ(TakeAll(layer).size(), 3u);
}

TEST_F(QtLayerTest, ReadOnlyFieldAndMultiLineTextRefuseTheUser) {
    layer.CreateControl(kMainWindow, ControlKind::ReadOnlyTextField, 43, 340, 0, 290, 20, "src",
                        true);
    layer.CreateControl(kMainWindow, ControlKind::MultiLineText, 44, 295, 105, 340, 335, "", false);
    auto* src = WidgetOf<QLineEdit>(43);
    auto* dump = WidgetOf<QPlainTextEdit>(44);
    ASSERT_NE(src, nullptr);
    ASSERT_NE(dump, nullptr);
    EXPECT_TRUE(src->isReadOnly());
    EXPECT_TRUE(dump->isReadOnly());
    EXPECT_EQ(dump->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_EQ(dump->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(dump->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(dump->frameShape(), QFrame::NoFrame);

    src->setFocus();
    QTest::keyClicks(src, "XY");
    layer.SetText(44, "  0123\r\n0 0000");
    EXPECT_EQ(dump->toPlainText(), QStringLiteral("  0123\n0 0000"));
    EXPECT_EQ(dump->blockCount(), 2);
    EXPECT_EQ(layer.GetText(43), "src");
    EXPECT_TRUE(TakeAll(layer).empty());
}

TEST_F(QtLayerTest, EscapePollFollowsPressAndReleaseButNotAutoRepeat) {
    layer.CreateControl(kMainWindow, ControlKind::TextField, 5, 40, 100, 40, 20, "FF", false);
    auto* edit = WidgetOf<QLineEdit>(5);
    ASSERT_NE(edit, nullptr);
    edit->setFocus();
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    QTest::keyPress(edit, Qt::Key_Escape);
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kEscape));
    // X11 reports a held key as release/press pairs marked auto-repeat.
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QString(), true);
    QCoreApplication::sendEvent(edit, &repeatRelease);
    EXPECT_TRUE(layer.IsKeyDown(KeyCode::kEscape));
    QCoreApplication::sendEvent(edit, &repeatPress);
    QTest::keyRelease(edit, Qt::Key_Escape);
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));

    // Switching away while the key is held must not leave it stuck.
    QTest::keyPress(edit, Qt::Key_Escape);
    ASSERT_TRUE(layer.IsKeyDown(KeyCode::kEscape));
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QCoreApplication::sendEvent(qApp, &inactive);
    EXPECT_FALSE(layer.IsKeyDown(KeyCode::kEscape));
    EXPECT_FALSE(layer.IsKeyDown(0x7FFFFFFF));
}

// Runs `check` on the modal dialog once it is up (checking every 20 ms), and
// closes whatever modal is left after three seconds, so that a failing test
// never hangs.
void WhenModalAppears(const std::function<void(QWidget*)>& check) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, check] {
        if (QWidget* modal = QApplication::activeModalWidget();
            modal != nullptr && modal->isVisible()) {
            poll->stop();
            poll->deleteLater();
            check(modal);
        }
    });
    poll->start(20);
    QTimer::singleShot(3000, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
    });
}

TEST_F(QtLayerTest, MessageBoxHasNoIconAndOnlyOk) {
    std::optional<QString> title;
    std::optional<QString> text;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QList<QAbstractButton*> buttons;
    QMessageBox::StandardButton okRole = QMessageBox::NoButton;
    WhenModalAppears([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        if (box == nullptr) return;
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons();
        if (!buttons.isEmpty()) okRole = box->standardButton(buttons.front());
        if (QAbstractButton* ok = box->button(QMessageBox::Ok)) ok->click();
    });
    layer.Show("file error", "cannot read\n/tmp/<x>.bin");
    ASSERT_TRUE(title.has_value());
    EXPECT_EQ(*title, QStringLiteral("file error"));
    EXPECT_EQ(*text, QStringLiteral("cannot read\n/tmp/<x>.bin"));
    EXPECT_EQ(icon, QMessageBox::NoIcon);
    EXPECT_EQ(buttons.size(), 1);
    EXPECT_EQ(okRole, QMessageBox::Ok);
}

TEST_F(QtLayerTest, FileDialogReturnsTheTypedPathOrNothingWhenCancelled) {
    WhenModalAppears([](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (dialog == nullptr) return;
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Open"));
        EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Binary files (*.bin)")});
        EXPECT_EQ(dialog->fileMode(), QFileDialog::AnyFile);
        // The user types the name of a file that does not exist.
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (name == nullptr) return;
        QTest::keyClicks(name, "no-such-program.bin");
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog hides accept()
    });
    EXPECT_EQ(layer.OpenFileDialog("Open", "/tmp/", "Binary files (*.bin)|*.bin"),
              "/tmp/no-such-program.bin");

    WhenModalAppears([](QWidget* modal) {
        if (auto* dialog = qobject_cast<QFileDialog*>(modal)) dialog->reject();
    });
    EXPECT_EQ(layer.OpenFileDialog("Open", "/tmp/", "Binary files (*.bin)|*.bin"), "");
}

TEST(QtFileFilterTest, ConvertsLabelPatternPairs) {
    EXPECT_EQ(QtFileFilter("Binary files (*.bin)|*.bin"), "Binary files (*.bin)");
    EXPECT_EQ(QtFileFilter("Programs|*.bin;*.rom|All files|*.*"),
              "Programs (*.bin *.rom);;All files (*.*)");
    EXPECT_EQ(QtFileFilter("Binary files (*.bin)|*.bin|"), "Binary files (*.bin)");
    EXPECT_EQ(QtFileFilter(""), "");
}

// Sets an environment variable for one scope and puts the old value back.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value == nullptr) {
            unsetenv(name);
        } else {
            setenv(name, value, 1);
        }
    }
    ~ScopedEnvironment() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(PlatformAvailableTest, OffscreenNeedsNoDisplayButX11AndWaylandDo) {
    const ScopedEnvironment noDisplay("DISPLAY", nullptr);
    const ScopedEnvironment noWayland("WAYLAND_DISPLAY", nullptr);
    std::string why;
    {
        const ScopedEnvironment platform("QT_QPA_PLATFORM", "offscreen");
        EXPECT_TRUE(QtLayer::PlatformAvailable(why)) << why;
    }
    {
        const ScopedEnvironment platform("QT_QPA_PLATFORM", "xcb");
        EXPECT_FALSE(QtLayer::PlatformAvailable(why));
        EXPECT_NE(why.find("DISPLAY is not set"), std::string::npos) << why;
        EXPECT_NE(why.find("xvfb-run"), std::string::npos) << why;
        const ScopedEnvironment unreachable("DISPLAY", ":97");
        EXPECT_FALSE(QtLayer::PlatformAvailable(why));
        EXPECT_NE(why.find("cannot connect to the display :97"), std::string::npos) << why;
    }
    {
        const ScopedEnvironment platform("QT_QPA_PLATFORM", "wayland");
        why.clear();
        EXPECT_FALSE(QtLayer::PlatformAvailable(why));
        EXPECT_FALSE(why.empty());
    }
    {
        // A fallback list is usable when any entry is.
        const ScopedEnvironment platform("QT_QPA_PLATFORM", "xcb;offscreen");
        EXPECT_TRUE(QtLayer::PlatformAvailable(why)) << why;
    }
}

}  // namespace
