#pragma once
// What the Qt window layer keeps, shared by its files. Internal to
// platform/qt.

#include <QApplication>
#include <QDialog>
#include <QFileSystemWatcher>
#include <QFont>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QSocketNotifier>
#include <QTimer>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/event_queue.h"
#include "platform/qt/qt_keys.h"
#include "platform/window_layer.h"

// A window never closes by itself: the close button, the system menu and
// Alt+F4 only tell the program, which decides.
class FixedWindow : public QMainWindow {
public:
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override;
};

// What an image control shows or is to show: an image number, or one of these.
namespace ShownImage {
constexpr int32_t kNone = -1;   // cleared: no picture
constexpr int32_t kStale = -2;  // a picture whose image was replaced or freed since
constexpr int32_t kNothingPending = -3;
}  // namespace ShownImage

struct QtControl {
    ControlKind kind = ControlKind::Label;
    QWidget* widget = nullptr;  // owned by the window's central widget
    int32_t maxChars = -1;      // text fields: the user's limit, -1 for none
    // Image controls: the image whose picture the label holds, and the one
    // asked for since Qt last ran.
    int32_t shownImage = ShownImage::kNone;
    int32_t pendingImage = ShownImage::kNothingPending;
};

struct QtWindow {
    std::unique_ptr<FixedWindow> frame;
    QWidget* central = nullptr;  // where its controls live
};

// A timer and the window it belongs to.
struct QtTimer {
    int32_t window = 0;
    std::unique_ptr<QTimer> timer;
};

struct QtLayerState {
    std::unique_ptr<QApplication> ownApplication;  // first: it must outlive every pixmap and widget
    std::unique_ptr<KeyTracker> keys;
    std::map<int32_t, QtWindow> windows;
    int32_t mainNumber = -1;  // the main window's number while it is open
    std::map<int32_t, QtControl> controls;
    std::map<int32_t, QPixmap> images;
    std::vector<QFont> fonts;
    QMenuBar* menuBar = nullptr;
    std::vector<QMenu*> openMenus;  // the menu being built, innermost last
    // The menu bar's items, and the marks the program set on them.
    std::map<int32_t, std::vector<QAction*>> menuActions;
    std::map<int32_t, bool> menuChecks;
    std::map<std::pair<int32_t, int32_t>, int32_t> shortcutItems;  // window, key code -> item
    std::map<int32_t, QtTimer> timers;
    EventQueue events;
    // Terminate: raised for good once set. The message box or open-file
    // dialog open at the time, which Terminate closes.
    bool terminated = false;
    QDialog* openModal = nullptr;
    // Termination signals, while this layer has taken them over: the read
    // end of the pipe the handler writes to, and what watches it.
    int signalReadEnd = -1;
    std::unique_ptr<QSocketNotifier> signalNotifier;
    // The file WatchFile watches, and what watches it.
    std::unique_ptr<QFileSystemWatcher> watcher;
    QString watchedFile;
    bool busy = false;  // the busy cursor overrides the application's cursor
    std::chrono::steady_clock::time_point lastPump{};
    // Image controls asked to show another image since Qt last ran. A Run
    // may switch a lamp at every instruction, but the window only sees what
    // it shows when it next processes events and paints, so the pictures
    // are put on the labels then, once.
    std::vector<int32_t> pendingImageControls;

    QtControl* Find(int32_t number) {
        const auto found = controls.find(number);
        return found == controls.end() ? nullptr : &found->second;
    }
    template <typename Widget>
    Widget* FindAs(int32_t number, ControlKind kind) {
        QtControl* control = Find(number);
        return control != nullptr && control->kind == kind ? static_cast<Widget*>(control->widget)
                                                           : nullptr;
    }
    QtWindow* FindWindow(int32_t number) {
        const auto found = windows.find(number);
        return found == windows.end() ? nullptr : &found->second;
    }
    // The main window; nullptr before OpenWindow and after Release.
    FixedWindow* Main() {
        QtWindow* main = FindWindow(mainNumber);
        return main == nullptr ? nullptr : main->frame.get();
    }

    // Puts the pictures asked for on their labels.
    void ApplyPendingImages();
    // Whether Terminate is raised; a signal caught and not yet seen by Qt
    // raises it now.
    bool Terminated();
    // Raises Terminate and closes the modal dialog that is open.
    void Terminate();
    // Runs a modal dialog as the one Terminate closes; Rejected at once
    // once Terminate is raised.
    int RunModal(QDialog& dialog);

    // The one way Qt gets to run (process events, run a modal dialog or
    // message box, grab the window): the pending pictures go on their labels
    // first, so that whatever Qt paints shows the lamps as they stand.
    template <typename Work>
    auto LetQtRun(Work&& work) {
        ApplyPendingImages();
        return work();
    }
};

QString ToQt(const std::string& text);
QPixmap PixmapOf(const Picture& picture);
