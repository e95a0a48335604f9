// The Qt window layer itself: lifetime, the window, menus and shortcuts,
// events, timers, the open-file dialog and the message box.

#include "platform/qt/qt_layer.h"

#include <fcntl.h>
#include <unistd.h>

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QSocketNotifier>
#include <algorithm>
#include <csignal>
#include <utility>

#include "data/icon.h"
#include "platform/key_codes.h"
#include "platform/qt/qt_layer_state.h"
#include "platform/qt/runtime_dir.h"

namespace {

// A Run takes events every 4096 instructions, at the history's snapshots:
// at some 360 million instructions a second, about 90,000 times a second,
// far more often than painting and input need. Letting Qt work only this
// often keeps the cost per take tiny while Escape is still seen within
// milliseconds.
constexpr auto kPumpInterval = std::chrono::milliseconds(4);

// A signal handler can reach nothing but plain globals: the flag that a
// termination signal came, which the layer reads whenever it is asked for
// an event or a dialog, and the write end of the pipe through which the
// signal wakes Qt's event loop, also inside a dialog.
volatile std::sig_atomic_t terminationSignalled = 0;
volatile std::sig_atomic_t signalPipe = -1;

void OnTerminationSignal(int /*signal*/) {
    terminationSignalled = 1;
    const char byte = 1;
    if (signalPipe >= 0) (void)!::write(signalPipe, &byte, 1);
}

constexpr Event kTerminate{EventKind::Terminate, 0, ControlEventType::Other};

}  // namespace

void FixedWindow::closeEvent(QCloseEvent* event) {
    event->ignore();
    if (onClose) onClose();
}

std::string QtLayer::ToolkitVersion() {
    return std::string("Qt ") + qVersion();
}

QtLayer::QtLayer(int& argc, char** argv) : state_(std::make_unique<QtLayerState>()) {
    if (QApplication::instance() == nullptr) {
        std::string why;  // without a folder of its own, Qt picks one and says so
        EnsureRuntimeDirectory(why);
        state_->ownApplication = std::make_unique<QApplication>(argc, argv);
    }
    QApplication::setQuitOnLastWindowClosed(false);
    state_->keys = std::make_unique<KeyTracker>();
    qApp->installEventFilter(state_->keys.get());
}

QtLayer::~QtLayer() {
    Release();
    if (state_->signalReadEnd >= 0) {
        std::signal(SIGTERM, SIG_DFL);
        std::signal(SIGINT, SIG_DFL);
        state_->signalNotifier.reset();
        ::close(signalPipe);
        ::close(state_->signalReadEnd);
        signalPipe = -1;
        terminationSignalled = 0;
    }
}

void QtLayer::TerminateOnSignals() {
    int ends[2];
    if (signalPipe >= 0 || ::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    state_->signalReadEnd = ends[0];
    state_->signalNotifier = std::make_unique<QSocketNotifier>(ends[0], QSocketNotifier::Read);
    QtLayerState& state = *state_;
    QObject::connect(state.signalNotifier.get(), &QSocketNotifier::activated,
                     state.signalNotifier.get(), [&state] {
                         char byte = 0;
                         while (::read(state.signalReadEnd, &byte, 1) > 0) {
                         }
                         state.Terminate();
                     });
    signalPipe = ends[1];
    std::signal(SIGTERM, OnTerminationSignal);
    std::signal(SIGINT, OnTerminationSignal);
}

bool QtLayerState::Terminated() {
    if (signalReadEnd >= 0 && terminationSignalled != 0) terminated = true;
    return terminated;
}

void QtLayerState::Terminate() {
    terminated = true;
    if (openModal != nullptr) openModal->done(QDialog::Rejected);
}

int QtLayerState::RunModal(QDialog& dialog) {
    if (Terminated()) return QDialog::Rejected;
    openModal = &dialog;
    // A signal caught after the check above is still in the pipe: its
    // notifier closes the dialog as soon as the dialog's loop runs.
    const int result = LetQtRun([&] { return dialog.exec(); });
    openModal = nullptr;
    return result;
}

QWidget* QtLayer::MainWindowForTests() {
    return state_->Main();
}

QWidget* QtLayer::WindowForTests(int32_t window) {
    QtWindow* found = state_->FindWindow(window);
    return found == nullptr ? nullptr : found->frame.get();
}

QWidget* QtLayer::ControlWidgetForTests(int32_t control) {
    QtControl* found = state_->Find(control);
    return found == nullptr ? nullptr : found->widget;
}

bool QtLayer::SaveWindowPicture(const std::string& path) {
    FixedWindow* main = state_->Main();
    if (main == nullptr) return false;
    return state_->LetQtRun([&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        return main->grab().save(ToQt(path), "PNG");
    });
}

bool QtLayer::SaveWindowsPicture(const std::string& path, const std::vector<int32_t>& windows) {
    constexpr int kGap = 8;
    return state_->LetQtRun([&] {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        std::vector<QPixmap> pictures;
        for (const int32_t number : windows) {
            if (QtWindow* window = state_->FindWindow(number)) {
                pictures.push_back(window->frame->grab());
            }
        }
        if (pictures.empty()) return false;
        int width = -kGap;
        int height = 0;
        for (const QPixmap& picture : pictures) {
            width += picture.width() + kGap;
            height = std::max(height, picture.height());
        }
        QPixmap whole(width, height);
        whole.fill(Qt::white);
        QPainter painter(&whole);
        int x = 0;
        for (const QPixmap& picture : pictures) {
            painter.drawPixmap(x, 0, picture);
            x += picture.width() + kGap;
        }
        painter.end();
        return whole.save(ToQt(path), "PNG");
    });
}

void QtLayer::Show(const std::string& title, const std::string& text) {
    QMessageBox box(state_->Main());
    box.setWindowTitle(ToQt(title));
    box.setTextFormat(Qt::PlainText);  // a path with "<" is not markup
    box.setText(ToQt(text));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    state_->RunModal(box);
}

namespace {

// Where a window of that size opens beside the main window: to its right,
// top edges aligned, moved back as far as needed to stay on the main
// window's screen.
QPoint BesideMainWindow(const QWidget& main, int32_t width, int32_t height) {
    const QRect frame = main.frameGeometry();
    // A frame of the same make as the main window's.
    const int32_t frameWidth = width + frame.width() - main.width();
    const int32_t frameHeight = height + frame.height() - main.height();
    int32_t x = frame.right() + 1;
    int32_t y = frame.top();
    if (const QScreen* screen = main.screen()) {
        const QRect area = screen->geometry();
        x = std::max(area.left(), std::min(x, area.right() + 1 - frameWidth));
        y = std::max(area.top(), std::min(y, area.bottom() + 1 - frameHeight));
    }
    return {x, y};
}

}  // namespace

bool QtLayer::OpenWindow(int32_t window, int32_t innerWidth, int32_t innerHeight,
                         const std::string& title) {
    if (state_->FindWindow(window) != nullptr || innerWidth <= 0 || innerHeight <= 0) return false;
    auto frame = std::make_unique<FixedWindow>();
    frame->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint);
    EventQueue& events = state_->events;
    frame->onClose = [&events, window] {
        events.Push(Event{EventKind::Close, window, ControlEventType::Other});
    };
    frame->setWindowTitle(ToQt(title));
    frame->setWindowIcon(QIcon(PixmapOf(ProgramIcon())));
    frame->setBackgroundRole(QPalette::Window);
    auto* central = new QWidget(frame.get());
    central->setBackgroundRole(QPalette::Window);
    frame->setCentralWidget(central);
    // The whole window, menu bar included, keeps the inner size: the menu
    // bar's height is taken from the area the controls live in.
    frame->setFixedSize(innerWidth, innerHeight);
    if (const FixedWindow* main = state_->Main()) {
        frame->move(BesideMainWindow(*main, innerWidth, innerHeight));
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        frame->move(area.x() + std::max(0, (area.width() - innerWidth) / 2),
                    area.y() + std::max(0, (area.height() - innerHeight) / 2));
    }
    frame->show();
    frame->activateWindow();
    if (state_->Main() == nullptr) state_->mainNumber = window;
    state_->windows[window] = QtWindow{std::move(frame), central};
    return true;
}

void QtLayer::ShowWindow(int32_t window, bool shown) {
    QtWindow* found = state_->FindWindow(window);
    if (found == nullptr) return;
    if (!shown) {
        found->frame->hide();
        return;
    }
    found->frame->show();
    found->frame->raise();
    found->frame->activateWindow();
}

void QtLayer::SetWindowTitle(int32_t window, const std::string& title) {
    if (QtWindow* found = state_->FindWindow(window)) found->frame->setWindowTitle(ToQt(title));
}

bool QtLayer::CreateMenuBar(int32_t window) {
    FixedWindow* main = state_->Main();
    if (main == nullptr || window != state_->mainNumber) return false;
    state_->menuBar = main->menuBar();
    state_->menuBar->setNativeMenuBar(false);  // inside the window, as the layout expects
    state_->openMenus.clear();
    return true;
}

void QtLayer::AddMenuTitle(const std::string& title) {
    if (state_->menuBar == nullptr) return;
    state_->openMenus.assign(1, state_->menuBar->addMenu(ToQt(title)));
}

void QtLayer::AddMenuItem(int32_t item, const std::string& text) {
    if (state_->openMenus.empty()) return;
    // QMenu draws what follows "\t" right-aligned as the shortcut's name; the
    // action gets no shortcut of its own, or each key would raise two events.
    QAction* action = state_->openMenus.back()->addAction(ToQt(text));
    action->setData(item);
    QtLayerState& state = *state_;
    QObject::connect(action, &QAction::triggered, action, [&state, action, item] {
        // Qt has flipped a checkable item's mark: the program's stands.
        const auto mark = state.menuChecks.find(item);
        if (mark != state.menuChecks.end()) action->setChecked(mark->second);
        state.events.Push(Event{EventKind::Menu, item, ControlEventType::Other});
    });
    state_->menuActions[item].push_back(action);
    const auto mark = state_->menuChecks.find(item);
    if (mark != state_->menuChecks.end()) {
        action->setCheckable(true);
        action->setChecked(mark->second);
    }
}

void QtLayer::SetMenuCheck(int32_t item, bool checked) {
    const auto found = state_->menuActions.find(item);
    if (found == state_->menuActions.end()) return;
    state_->menuChecks[item] = checked;
    for (QAction* action : found->second) {
        action->setCheckable(true);
        action->setChecked(checked);
    }
}

void QtLayer::AddMenuSeparator() {
    if (!state_->openMenus.empty()) state_->openMenus.back()->addSeparator();
}

void QtLayer::OpenSubmenu(const std::string& title) {
    if (state_->openMenus.empty()) return;
    state_->openMenus.push_back(state_->openMenus.back()->addMenu(ToQt(title)));
}

void QtLayer::CloseSubmenu() {
    if (state_->openMenus.size() > 1) state_->openMenus.pop_back();
}

void QtLayer::AddShortcut(int32_t window, int32_t keyCode, int32_t item) {
    QtWindow* target = state_->FindWindow(window);
    if (target == nullptr) return;
    const QKeySequence sequence = SequenceOf(keyCode);
    if (sequence.isEmpty()) return;
    // A key given twice to a window keeps one QShortcut (two would be
    // ambiguous and raise nothing); the later item wins.
    const std::pair<int32_t, int32_t> key{window, keyCode};
    const bool known = state_->shortcutItems.count(key) != 0;
    state_->shortcutItems[key] = item;
    if (known) return;
    auto* shortcut = new QShortcut(sequence, target->frame.get());
    shortcut->setContext(Qt::WindowShortcut);  // also while a text field has the focus
    shortcut->setAutoRepeat(true);             // a held F7 keeps stepping
    QtLayerState& state = *state_;
    QObject::connect(shortcut, &QShortcut::activated, shortcut, [&state, key] {
        const auto found = state.shortcutItems.find(key);
        if (found != state.shortcutItems.end()) {
            state.events.Push(Event{EventKind::Menu, found->second, ControlEventType::Other});
        }
    });
}

Event QtLayer::WaitEvent() {
    while (state_->events.Empty()) {
        if (state_->Terminated()) return kTerminate;
        // Without a window nothing could ever arrive: answer as if closed.
        if (state_->windows.empty()) return Event{EventKind::Close, 0, ControlEventType::Other};
        state_->LetQtRun([] {
            QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        });
        state_->lastPump = std::chrono::steady_clock::now();
    }
    return state_->Terminated() ? kTerminate : state_->events.Take();
}

Event QtLayer::TakeEvent() {
    const auto now = std::chrono::steady_clock::now();
    if (now - state_->lastPump >= kPumpInterval) {
        state_->lastPump = now;
        state_->LetQtRun([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    }
    return state_->Terminated() ? kTerminate : state_->events.Take();
}

void QtLayer::AddTimer(int32_t window, int32_t timer, int32_t periodMs) {
    if (state_->FindWindow(window) == nullptr) return;
    QtTimer& entry = state_->timers[timer];
    entry.window = window;
    std::unique_ptr<QTimer>& slot = entry.timer;
    if (!slot) {
        slot = std::make_unique<QTimer>();
        EventQueue& events = state_->events;
        QObject::connect(slot.get(), &QTimer::timeout, slot.get(), [&events, timer] {
            events.Push(Event{EventKind::Timer, timer, ControlEventType::Other});
        });
    }
    slot->start(std::max(periodMs, 1));  // restarts the period of a running timer
}

void QtLayer::RemoveTimer(int32_t window, int32_t timer) {
    const auto found = state_->timers.find(timer);
    if (found != state_->timers.end() && found->second.window == window &&
        state_->FindWindow(window) != nullptr) {
        state_->timers.erase(found);
    }
}

bool QtLayer::IsKeyDown(int32_t keyCode) {
    return state_->keys && state_->keys->IsHeld(keyCode & KeyCode::kKeyMask);
}

void QtLayer::SetClipboardText(const std::string& text) {
    QApplication::clipboard()->setText(ToQt(text));
}

void QtLayer::SetBusy(bool busy) {
    if (state_->windows.empty() || busy == state_->busy || qApp == nullptr) return;
    // Application-wide, so that the fields' and the list's own cursors do
    // not show through.
    if (busy) {
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QApplication::restoreOverrideCursor();
    }
    state_->busy = busy;
}

std::string QtLayer::OpenFileDialog(const std::string& title, const std::string& folder,
                                    const std::string& filterList) {
    QFileDialog dialog(state_->Main(), ToQt(title),
                       QFile::decodeName(QByteArray::fromStdString(folder)),
                       ToQt(QtFileFilter(filterList)));
    // Qt's own dialog: the desktop's dialogs refuse a name that does not
    // exist, and the program reports a missing file itself.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (state_->RunModal(dialog) != QDialog::Accepted) return "";
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen.first()).toStdString();
}

void QtLayer::Release() {
    SetBusy(false);
    state_->timers.clear();
    state_->controls.clear();
    state_->pendingImageControls.clear();
    state_->shortcutItems.clear();
    state_->openMenus.clear();
    state_->menuActions.clear();
    state_->menuChecks.clear();
    state_->menuBar = nullptr;
    state_->windows.clear();  // deletes the controls, menus and shortcuts with them
    state_->mainNumber = -1;
    state_->images.clear();
    state_->fonts.clear();
    state_->watcher.reset();
    state_->watchedFile.clear();
    if (state_->keys) {
        if (qApp != nullptr) qApp->removeEventFilter(state_->keys.get());
        state_->keys.reset();
    }
}

bool QtLayer::AskText(const std::string& title, const std::string& prompt, std::string& answer) {
    QInputDialog dialog(state_->Main());
    dialog.setWindowTitle(ToQt(title));
    dialog.setLabelText(ToQt(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(ToQt(answer));
    if (state_->RunModal(dialog) != QDialog::Accepted) return false;
    answer = dialog.textValue().toStdString();
    return true;
}

void QtLayer::WatchFile(const std::string& path) {
    QtLayerState& state = *state_;
    state.watcher.reset();
    state.watchedFile = QFile::decodeName(QByteArray::fromStdString(path));
    if (path.empty() || state.Main() == nullptr) return;
    state.watcher = std::make_unique<QFileSystemWatcher>();
    QFileSystemWatcher& watcher = *state.watcher;
    const QString file = state.watchedFile;
    // An editor that saves by writing a new file and renaming it over the
    // old one ends the watch on the old one: the folder tells when the name
    // holds a file again, and the new one is watched from then on.
    const QString folder = QFileInfo(file).absolutePath();
    watcher.addPath(file);
    watcher.addPath(folder);
    QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, &watcher,
                     [&state, &watcher, file](const QString&) {
                         if (!watcher.files().contains(file) && QFileInfo::exists(file))
                             watcher.addPath(file);
                         state.events.Push(Event{EventKind::FileChanged, 0});
                     });
    QObject::connect(&watcher, &QFileSystemWatcher::directoryChanged, &watcher,
                     [&state, &watcher, file](const QString&) {
                         if (watcher.files().contains(file) || !QFileInfo::exists(file)) return;
                         watcher.addPath(file);
                         state.events.Push(Event{EventKind::FileChanged, 0});
                     });
}

std::string QtFileFilter(const std::string& filterList) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < filterList.size()) {
        size_t end = filterList.find('|', start);
        if (end == std::string::npos) end = filterList.size();
        parts.push_back(filterList.substr(start, end - start));
        start = end + 1;
    }
    std::string filter;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        std::string pattern = parts[i + 1];
        std::replace(pattern.begin(), pattern.end(), ';', ' ');  // "*.bin;*.rom" lists patterns
        if (pattern.empty()) continue;
        if (!filter.empty()) filter += ";;";
        const std::string& label = parts[i];
        if (label.find("(" + pattern + ")") != std::string::npos) {
            filter += label;
        } else {
            filter += (label.empty() ? "" : label + " ") + "(" + pattern + ")";
        }
    }
    return filter;
}
