#include "platform/qt/qt_layer.h"

#include <dlfcn.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontInfo>
#include <QImage>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "data/icon.h"
#include "platform/qt/qt_fonts.h"
#include "platform/qt/runtime_dir.h"

namespace {

// Virtual-key codes and the Qt keys they stand for. Letters and digits share
// their codes with Qt; function keys run from 0x70 (F1) on.
struct KeyPair {
    int32_t virtualKey;
    int qtKey;
};

constexpr std::array<KeyPair, 21> kNamedKeys = {{
    {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},    {0x0D, Qt::Key_Return},
    {0x0D, Qt::Key_Enter},     {0x10, Qt::Key_Shift},  {0x11, Qt::Key_Control},
    {0x12, Qt::Key_Alt},       {0x13, Qt::Key_Pause},  {0x14, Qt::Key_CapsLock},
    {0x1B, Qt::Key_Escape},    {0x20, Qt::Key_Space},  {0x21, Qt::Key_PageUp},
    {0x22, Qt::Key_PageDown},  {0x23, Qt::Key_End},    {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},      {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},      {0x2D, Qt::Key_Insert}, {0x2E, Qt::Key_Delete},
}};
constexpr int32_t kFirstFunctionKey = 0x70;  // F1
constexpr int32_t kFunctionKeys = 24;
constexpr int32_t kTrackedKeys = 256;

int QtKeyOf(int32_t virtualKey) {
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        return virtualKey;
    }
    if (virtualKey >= kFirstFunctionKey && virtualKey < kFirstFunctionKey + kFunctionKeys) {
        return Qt::Key_F1 + (virtualKey - kFirstFunctionKey);
    }
    for (const KeyPair& pair : kNamedKeys) {
        if (pair.virtualKey == virtualKey) return pair.qtKey;
    }
    return 0;
}

// 0 for a key without a virtual-key code here.
int32_t VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) {
        return qtKey;
    }
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeys) {
        return kFirstFunctionKey + (qtKey - Qt::Key_F1);
    }
    if (qtKey == Qt::Key_Backtab) return 0x09;
    for (const KeyPair& pair : kNamedKeys) {
        if (pair.qtKey == qtKey) return pair.virtualKey;
    }
    return 0;
}

QKeySequence SequenceOf(int32_t keyCode) {
    const int key = QtKeyOf(keyCode & 0xFFFF);
    if (key == 0) return QKeySequence();
    Qt::KeyboardModifiers modifiers;
    if (keyCode & 0x10000) modifiers |= Qt::ShiftModifier;
    if (keyCode & 0x20000) modifiers |= Qt::ControlModifier;
    if (keyCode & 0x40000) modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

QString ToQt(const std::string& text) {
    return QString::fromStdString(text);
}

// Keys held down right now, by virtual-key code. Auto-repeat is ignored:
// X11 reports a held key as release/press pairs marked as repeats, and
// taking those at face value would let a poll see the key as up.
class KeyTracker : public QObject {
public:
    std::array<bool, kTrackedKeys> held{};

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::ShortcutOverride:  // a press taken by a shortcut arrives only as this
            case QEvent::KeyRelease: {
                const auto* key = static_cast<QKeyEvent*>(event);
                if (key->isAutoRepeat()) break;
                const int32_t virtualKey = VirtualKeyOf(key->key());
                if (virtualKey > 0 && virtualKey < kTrackedKeys) {
                    held[static_cast<size_t>(virtualKey)] = event->type() != QEvent::KeyRelease;
                }
                break;
            }
            case QEvent::ApplicationStateChange:
                // The release of a key held while the user switched away goes to
                // another program: forget every key rather than keep one stuck.
                if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
                    Qt::ApplicationActive) {
                    held.fill(false);
                }
                break;
            default: break;
        }
        return QObject::eventFilter(watched, event);
    }
};

// The main window never closes by itself: the close button, the system menu
// and Alt+F4 only tell the program, which decides.
class MainWindow : public QMainWindow {
public:
    std::function<void()> onClose;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        if (onClose) onClose();
    }
};

QPixmap PixmapOf(const Picture& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.argb.size() !=
            static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height)) {
        return QPixmap();
    }
    QImage image(picture.width, picture.height, QImage::Format_ARGB32);
    for (int32_t y = 0; y < picture.height; ++y) {
        std::memcpy(
            image.scanLine(y),
            picture.argb.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width),
            static_cast<size_t>(picture.width) * sizeof(uint32_t));
    }
    return QPixmap::fromImage(image);
}

// The directories in which Qt looks for platform plugins.
std::vector<QString> PlatformPluginDirectories() {
    std::vector<QString> directories;
    const QString direct = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
    if (!direct.isEmpty()) directories.push_back(direct);
    for (const QString& path :
         qEnvironmentVariable("QT_PLUGIN_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        directories.push_back(path + QStringLiteral("/platforms"));
    }
    directories.push_back(QLibraryInfo::path(QLibraryInfo::PluginsPath) +
                          QStringLiteral("/platforms"));
    return directories;
}

bool PluginInstalled(const std::string& platform) {
    // "wayland" is served by libqwayland-generic.so, "xcb" by libqxcb.so.
    const QString prefix = QStringLiteral("libq") + QString::fromStdString(platform);
    for (const QString& directory : PlatformPluginDirectories()) {
        const QStringList found =
            QDir(directory).entryList({prefix + QStringLiteral("*.so")}, QDir::Files);
        if (!found.isEmpty()) return true;
    }
    return false;
}

// Tries an X connection through libxcb, loaded at run time so that no
// development package is needed to build.
bool DisplayReachable(const std::string& display, std::string& why) {
    void* library = dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        why = "the X client library libxcb.so.1 is not installed";
        return false;
    }
    using ConnectFunction = void* (*)(const char*, int*);
    using HasErrorFunction = int (*)(void*);
    using DisconnectFunction = void (*)(void*);
    ConnectFunction connect = nullptr;
    HasErrorFunction hasError = nullptr;
    DisconnectFunction disconnect = nullptr;
    // Symbols come back as object pointers; copying the bits is the
    // portable way to turn them into function pointers.
    void* symbol = dlsym(library, "xcb_connect");
    std::memcpy(&connect, &symbol, sizeof connect);
    symbol = dlsym(library, "xcb_connection_has_error");
    std::memcpy(&hasError, &symbol, sizeof hasError);
    symbol = dlsym(library, "xcb_disconnect");
    std::memcpy(&disconnect, &symbol, sizeof disconnect);
    bool reachable = false;
    if (connect == nullptr || hasError == nullptr || disconnect == nullptr) {
        why = "libxcb.so.1 lacks the functions to connect to a display";
    } else {
        void* connection = connect(display.c_str(), nullptr);
        reachable = connection != nullptr && hasError(connection) == 0;
        if (connection != nullptr) disconnect(connection);  // also frees a failed connection
        if (!reachable) why = "cannot connect to the display " + display;
    }
    dlclose(library);
    return reachable;
}

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

bool PlatformUsable(const std::string& platform, std::string& why) {
    if (!PluginInstalled(platform)) {
        why = "the Qt platform plugin \"" + platform + "\" is not installed";
        return false;
    }
    if (platform == "xcb") {
        const std::string display = Environment("DISPLAY");
        if (display.empty()) {
            why = "no display (DISPLAY is not set)";
            return false;
        }
        return DisplayReachable(display, why);
    }
    if (platform.rfind("wayland", 0) == 0) {
        if (Environment("WAYLAND_DISPLAY").empty()) {
            why = "no Wayland display (WAYLAND_DISPLAY is not set)";
            return false;
        }
        return true;
    }
    return true;  // offscreen, minimal, vnc, eglfs, linuxfb and the like need no display
}

// The platforms Qt will try, in order, as it chooses them at start-up.
std::vector<std::string> RequestedPlatforms() {
    std::string requested = Environment("QT_QPA_PLATFORM");
    if (requested.empty()) {
        const QString desktop = (qEnvironmentVariable("XDG_CURRENT_DESKTOP") +
                                 qEnvironmentVariable("XDG_SESSION_DESKTOP"))
                                    .toLower();
        const bool wayland = Environment("XDG_SESSION_TYPE") == "wayland" &&
                             !desktop.contains(QStringLiteral("gnome"));
        requested = wayland ? "wayland" : "xcb";
    }
    std::vector<std::string> platforms;
    size_t start = 0;
    while (start <= requested.size()) {
        size_t end = requested.find(';', start);
        if (end == std::string::npos) end = requested.size();
        std::string entry = requested.substr(start, end - start);
        entry = entry.substr(0, entry.find(':'));  // "xcb:option=value" names xcb
        if (!entry.empty()) platforms.push_back(entry);
        start = end + 1;
    }
    return platforms;
}

}  // namespace

struct QtControl {
    ControlKind kind = ControlKind::Label;
    QWidget* widget = nullptr;  // owned by the window's central widget
    int32_t maxChars = -1;      // text fields: the user's limit, -1 for none
};

struct QtLayerState {
    std::unique_ptr<QApplication> ownApplication;  // first: it must outlive every pixmap and widget
    std::unique_ptr<KeyTracker> keys;
    std::unique_ptr<MainWindow> window;
    QWidget* central = nullptr;
    std::map<int32_t, QtControl> controls;
    std::map<int32_t, QPixmap> images;
    std::vector<QFont> fonts;
    QMenuBar* menuBar = nullptr;
    std::vector<QMenu*> openMenus;             // the menu being built, innermost last
    std::map<int32_t, int32_t> shortcutItems;  // key code -> menu item
    std::map<std::pair<int32_t, int32_t>, std::unique_ptr<QTimer>> timers;  // (window, timer)
    std::chrono::steady_clock::time_point lastPump{};
    // Images shown on image controls since Qt last got to work, as (control,
    // image): a Run may switch a lamp at every instruction, but the window
    // only sees what it shows when it next processes events and paints.
    std::vector<std::pair<int32_t, int32_t>> pendingImages;

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
    QListWidget* FindList(int32_t number) { return FindAs<QListWidget>(number, ControlKind::List); }
};

// QLineEdit cuts any text longer than its maximum length, also text the
// program writes. So the maximum in force is the user's limit or the length
// of the text shown, whichever is larger, renewed before every write of the
// program and after every edit of the user.
static void FitMaxLength(QLineEdit& edit, int32_t maxChars, qsizetype textLength) {
    const int limit = maxChars < 0 ? 32767 : maxChars;
    edit.setMaxLength(std::max(limit, static_cast<int>(textLength)));
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

bool QtLayer::PlatformAvailable(std::string& why) {
    std::string firstReason;
    for (const std::string& platform : RequestedPlatforms()) {
        std::string reason;
        if (PlatformUsable(platform, reason)) return true;
        if (firstReason.empty()) firstReason = reason;
    }
    if (firstReason.empty()) firstReason = "no Qt platform is named";
    why = "cannot open a window: " + firstReason +
          "; Quodlet needs a graphical display, e.g. run it under xvfb-run";
    return false;
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
}

QWidget* QtLayer::MainWindowForTests() {
    ApplyPendingImages();
    return state_->window.get();
}

QWidget* QtLayer::ControlWidgetForTests(int32_t control) {
    ApplyPendingImages();
    QtControl* found = state_->Find(control);
    return found == nullptr ? nullptr : found->widget;
}

bool QtLayer::SaveWindowPicture(const std::string& path) {
    if (!state_->window) return false;
    ApplyPendingImages();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return state_->window->grab().save(ToQt(path), "PNG");
}

void QtLayer::Show(const std::string& title, const std::string& text) {
    ApplyPendingImages();
    QMessageBox box(state_->window.get());
    box.setWindowTitle(ToQt(title));
    box.setTextFormat(Qt::PlainText);  // a path with "<" is not markup
    box.setText(ToQt(text));
    box.setIcon(QMessageBox::NoIcon);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

bool QtLayer::OpenWindow(int32_t window, int32_t innerWidth, int32_t innerHeight,
                         const std::string& title) {
    (void)window;  // the layer has one window; its number only names it
    if (state_->window || innerWidth <= 0 || innerHeight <= 0) return false;
    auto main = std::make_unique<MainWindow>();
    main->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                         Qt::WindowCloseButtonHint);
    main->onClose = [this] { PushEvent(Event{EventKind::Close, 0, ControlEventType::Other}); };
    main->setWindowTitle(ToQt(title));
    main->setWindowIcon(QIcon(PixmapOf(ProgramIcon())));
    main->setBackgroundRole(QPalette::Window);
    auto* central = new QWidget(main.get());
    central->setBackgroundRole(QPalette::Window);
    main->setCentralWidget(central);
    // The whole window, menu bar included, keeps the inner size: the menu
    // bar's height is taken from the area the controls live in.
    main->setFixedSize(innerWidth, innerHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        main->move(area.x() + std::max(0, (area.width() - innerWidth) / 2),
                   area.y() + std::max(0, (area.height() - innerHeight) / 2));
    }
    main->show();
    main->activateWindow();
    state_->central = central;
    state_->window = std::move(main);
    return true;
}

void QtLayer::CreateControl(ControlKind kind, int32_t number, int32_t x, int32_t y, int32_t width,
                            int32_t height, const std::string& text, bool centred) {
    if (state_->central == nullptr) return;
    if (QtControl* old = state_->Find(number)) {
        delete old->widget;
        state_->controls.erase(number);
    }
    ForgetShownImage(number);
    QWidget* parent = state_->central;
    const QString qtext = ToQt(text);
    const Qt::Alignment horizontal = centred ? Qt::AlignHCenter : Qt::AlignLeft;
    QWidget* widget = nullptr;
    switch (kind) {
        case ControlKind::Label: {
            auto* label = new QLabel(qtext, parent);
            label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            label->setTextFormat(Qt::PlainText);
            label->setFocusPolicy(Qt::NoFocus);
            widget = label;
            break;
        }
        case ControlKind::TextField:
        case ControlKind::ReadOnlyTextField: {
            auto* edit = new QLineEdit(parent);
            FitMaxLength(*edit, -1, qtext.size());
            edit->setText(qtext);
            edit->setAlignment(horizontal | Qt::AlignVCenter);
            if (kind == ControlKind::ReadOnlyTextField) {
                edit->setReadOnly(true);
            } else {
                QObject::connect(
                    edit, &QLineEdit::textEdited, edit, [this, number, edit](const QString& now) {
                        if (QtControl* control = state_->Find(number)) {
                            FitMaxLength(*edit, control->maxChars, now.size());
                        }
                        PushEvent(Event{EventKind::Control, number, ControlEventType::Change});
                    });
            }
            widget = edit;
            break;
        }
        case ControlKind::MultiLineText: {
            auto* lines = new QPlainTextEdit(parent);
            lines->setReadOnly(true);
            lines->setTextInteractionFlags(Qt::TextSelectableByMouse |
                                           Qt::TextSelectableByKeyboard);
            lines->setFocusPolicy(Qt::StrongFocus);
            lines->setFrameShape(QFrame::NoFrame);
            lines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            lines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            lines->setLineWrapMode(QPlainTextEdit::NoWrap);
            lines->setBackgroundVisible(false);
            // Read-only text without a border reads as part of the window.
            QPalette palette = lines->palette();
            palette.setColor(QPalette::Base, palette.color(QPalette::Window));
            lines->setPalette(palette);
            lines->setPlainText(QString(qtext).remove(QLatin1Char('\r')));
            widget = lines;
            break;
        }
        case ControlKind::CheckBox: {
            auto* box = new QCheckBox(qtext, parent);
            QObject::connect(box, &QCheckBox::clicked, box, [this, number] {
                PushEvent(Event{EventKind::Control, number, ControlEventType::Other});
            });
            widget = box;
            break;
        }
        case ControlKind::List: {
            auto* list = new QListWidget(parent);
            list->setSelectionMode(QAbstractItemView::SingleSelection);
            list->setSortingEnabled(false);
            list->setUniformItemSizes(true);
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            list->setHorizontalScrollBarPolicy(
                Qt::ScrollBarAlwaysOff);  // long lines are cut at the edge
            list->setTextElideMode(Qt::ElideNone);
            QObject::connect(list, &QListWidget::clicked, list, [this, number] {
                PushEvent(Event{EventKind::Control, number, ControlEventType::Other});
            });
            widget = list;
            break;
        }
        case ControlKind::Image: {
            auto* image = new QLabel(parent);
            image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            image->setFocusPolicy(Qt::NoFocus);
            widget = image;
            break;
        }
    }
    if (widget == nullptr) return;
    widget->setGeometry(x, y, width, height);
    widget->show();
    state_->controls[number] = QtControl{kind, widget, -1};
}

void QtLayer::LimitText(int32_t control, int32_t maxChars) {
    QtControl* found = state_->Find(control);
    if (found == nullptr || found->kind != ControlKind::TextField) return;
    found->maxChars = maxChars > 0 ? maxChars : -1;
    auto* edit = static_cast<QLineEdit*>(found->widget);
    FitMaxLength(*edit, found->maxChars, edit->text().size());
}

void QtLayer::SetAccessibleName(int32_t control, const std::string& name) {
    if (QtControl* found = state_->Find(control)) found->widget->setAccessibleName(ToQt(name));
}

void QtLayer::SetText(int32_t control, const std::string& text) {
    QtControl* found = state_->Find(control);
    if (found == nullptr) return;
    const QString qtext = ToQt(text);
    switch (found->kind) {
        case ControlKind::Label: static_cast<QLabel*>(found->widget)->setText(qtext); break;
        case ControlKind::TextField:
        case ControlKind::ReadOnlyTextField: {
            auto* edit = static_cast<QLineEdit*>(found->widget);
            FitMaxLength(*edit, found->maxChars, qtext.size());
            edit->setText(qtext);
            break;
        }
        case ControlKind::MultiLineText: {
            // Lines arrive separated by "\r\n"; Qt wants "\n" alone.
            auto* lines = static_cast<QPlainTextEdit*>(found->widget);
            const QString plain = QString(qtext).remove(QLatin1Char('\r'));
            // Setting the text lays out and repaints the whole control, the
            // dearest part of a refresh, though a step seldom changes it;
            // only the program writes it, so the same text is left alone.
            if (lines->toPlainText() != plain) lines->setPlainText(plain);
            break;
        }
        case ControlKind::CheckBox: static_cast<QCheckBox*>(found->widget)->setText(qtext); break;
        case ControlKind::List:
        case ControlKind::Image: break;
    }
}

std::string QtLayer::GetText(int32_t control) {
    QtControl* found = state_->Find(control);
    if (found == nullptr) return "";
    switch (found->kind) {
        case ControlKind::Label: return static_cast<QLabel*>(found->widget)->text().toStdString();
        case ControlKind::TextField:
        case ControlKind::ReadOnlyTextField:
            return static_cast<QLineEdit*>(found->widget)->text().toStdString();
        case ControlKind::MultiLineText:
            return static_cast<QPlainTextEdit*>(found->widget)
                ->toPlainText()
                .replace(QLatin1Char('\n'), QStringLiteral("\r\n"))
                .toStdString();
        case ControlKind::CheckBox:
            return static_cast<QCheckBox*>(found->widget)->text().toStdString();
        case ControlKind::List:
        case ControlKind::Image: break;
    }
    return "";
}

void QtLayer::SetCheck(int32_t control, int32_t checked) {
    if (auto* box = state_->FindAs<QCheckBox>(control, ControlKind::CheckBox)) {
        box->setChecked(checked != 0);
    }
}

int32_t QtLayer::GetCheck(int32_t control) {
    auto* box = state_->FindAs<QCheckBox>(control, ControlKind::CheckBox);
    return box != nullptr && box->isChecked() ? 1 : 0;
}

void QtLayer::ClearLines(int32_t control) {
    if (QListWidget* list = state_->FindList(control)) list->clear();
}

void QtLayer::AppendLine(int32_t control, const std::string& line) {
    if (QListWidget* list = state_->FindList(control)) list->addItem(ToQt(line));
}

int32_t QtLayer::CountLines(int32_t control) {
    QListWidget* list = state_->FindList(control);
    return list == nullptr ? 0 : static_cast<int32_t>(list->count());
}

std::string QtLayer::GetLine(int32_t control, int32_t index) {
    QListWidget* list = state_->FindList(control);
    if (list == nullptr || index < 0 || index >= list->count()) return "";
    return list->item(index)->text().toStdString();
}

void QtLayer::SelectLine(int32_t control, int32_t index) {
    QListWidget* list = state_->FindList(control);
    if (list == nullptr) return;
    if (index >= 0 && index < list->count()) {
        list->setCurrentRow(index);  // selects it and scrolls it into view
    } else {
        list->clearSelection();
        list->setCurrentRow(-1);
    }
}

bool QtLayer::CreateImage(int32_t image, const Picture& picture) {
    QPixmap pixmap = PixmapOf(picture);
    if (pixmap.isNull()) return false;
    state_->images[image] = std::move(pixmap);
    return true;
}

void QtLayer::DoShowImage(int32_t control, int32_t image) {
    for (auto& [pendingControl, pendingImage] : state_->pendingImages) {
        if (pendingControl == control) {
            pendingImage = image;
            return;
        }
    }
    state_->pendingImages.emplace_back(control, image);
}

void QtLayer::ApplyPendingImages() {
    for (const auto& [control, image] : state_->pendingImages) {
        auto* label = state_->FindAs<QLabel>(control, ControlKind::Image);
        if (label == nullptr) continue;
        const auto found = state_->images.find(image);
        if (found == state_->images.end()) {
            label->clear();
            continue;
        }
        label->setPixmap(found->second);
        label->resize(found->second.size());  // an image control takes the size of its picture
    }
    state_->pendingImages.clear();
}

void QtLayer::FreeImage(int32_t image) {
    state_->images.erase(image);
}

int32_t QtLayer::CreateFont(const std::string& face, int32_t points) {
    if (face.empty() || points <= 0) return -1;
    state_->fonts.push_back(ChooseFixedFont(ToQt(face), points));
    return static_cast<int32_t>(state_->fonts.size() - 1);
}

void QtLayer::SetFont(int32_t control, int32_t font) {
    QtControl* found = state_->Find(control);
    if (found == nullptr || font < 0 || font >= static_cast<int32_t>(state_->fonts.size())) return;
    found->widget->setFont(state_->fonts[static_cast<size_t>(font)]);
}

bool QtLayer::CreateMenuBar(int32_t window) {
    (void)window;
    if (!state_->window) return false;
    state_->menuBar = state_->window->menuBar();
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
    QObject::connect(action, &QAction::triggered, action, [this, item] {
        PushEvent(Event{EventKind::Menu, item, ControlEventType::Other});
    });
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
    (void)window;
    if (!state_->window) return;
    const QKeySequence sequence = SequenceOf(keyCode);
    if (sequence.isEmpty()) return;
    // A key given twice keeps one QShortcut (two would be ambiguous and
    // raise nothing); the later item wins.
    const bool known = state_->shortcutItems.count(keyCode) != 0;
    state_->shortcutItems[keyCode] = item;
    if (known) return;
    auto* shortcut = new QShortcut(sequence, state_->window.get());
    shortcut->setContext(Qt::WindowShortcut);  // also while a text field has the focus
    shortcut->setAutoRepeat(true);             // a held F7 keeps stepping
    QObject::connect(shortcut, &QShortcut::activated, shortcut, [this, keyCode] {
        const auto found = state_->shortcutItems.find(keyCode);
        if (found != state_->shortcutItems.end()) {
            PushEvent(Event{EventKind::Menu, found->second, ControlEventType::Other});
        }
    });
}

Event QtLayer::WaitEvent() {
    while (events_.empty()) {
        // Without a window nothing could ever arrive: answer as if closed.
        if (!state_->window) return Event{EventKind::Close, 0, ControlEventType::Other};
        ApplyPendingImages();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        state_->lastPump = std::chrono::steady_clock::now();
    }
    Event event = events_.front();
    events_.pop_front();
    return event;
}

void QtLayer::Pump() {
    // A Run calls this every 256 instructions, far more often than painting
    // and input need; letting Qt work only every few milliseconds keeps the
    // cost per instruction tiny while Escape is still seen within ~20 ms.
    constexpr auto kPumpInterval = std::chrono::milliseconds(4);
    const auto now = std::chrono::steady_clock::now();
    if (now - state_->lastPump < kPumpInterval) return;
    state_->lastPump = now;
    ApplyPendingImages();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtLayer::AddTimer(int32_t window, int32_t timer, int32_t periodMs) {
    std::unique_ptr<QTimer>& slot = state_->timers[{window, timer}];
    if (!slot) {
        slot = std::make_unique<QTimer>();
        QObject::connect(slot.get(), &QTimer::timeout, slot.get(), [this, timer] {
            PushEvent(Event{EventKind::Timer, timer, ControlEventType::Other});
        });
    }
    slot->start(std::max(periodMs, 1));  // restarts the period of a running timer
}

void QtLayer::RemoveTimer(int32_t window, int32_t timer) {
    state_->timers.erase({window, timer});
}

bool QtLayer::IsKeyDown(int32_t keyCode) {
    const int32_t virtualKey = keyCode & 0xFFFF;
    return virtualKey < kTrackedKeys && state_->keys &&
           state_->keys->held[static_cast<size_t>(virtualKey)];
}

std::string QtLayer::OpenFileDialog(const std::string& title, const std::string& folder,
                                    const std::string& filterList) {
    ApplyPendingImages();
    QFileDialog dialog(state_->window.get(), ToQt(title),
                       QFile::decodeName(QByteArray::fromStdString(folder)),
                       ToQt(QtFileFilter(filterList)));
    // Qt's own dialog: the desktop's dialogs refuse a name that does not
    // exist, and the program reports a missing file itself.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (dialog.exec() != QDialog::Accepted) return "";
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? std::string() : QFile::encodeName(chosen.first()).toStdString();
}

void QtLayer::Release() {
    state_->timers.clear();
    for (const auto& [number, control] : state_->controls) ForgetShownImage(number);
    state_->controls.clear();
    state_->pendingImages.clear();
    state_->shortcutItems.clear();
    state_->openMenus.clear();
    state_->menuBar = nullptr;
    state_->central = nullptr;
    state_->window.reset();  // deletes the controls, menus and shortcuts with it
    state_->images.clear();
    state_->fonts.clear();
    if (state_->keys) {
        if (qApp != nullptr) qApp->removeEventFilter(state_->keys.get());
        state_->keys.reset();
    }
}
