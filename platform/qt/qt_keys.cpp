#include "platform/qt/qt_keys.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/key_codes.h"

namespace {

// Virtual-key numbers and the Qt keys they stand for, beside letters and
// digits (which share their codes with Qt) and function keys.
struct KeyPair {
    int32_t virtualKey;
    int qtKey;
};

constexpr std::array<KeyPair, 27> kNamedKeys = {{
    {0x08, Qt::Key_Backspace}, {0x09, Qt::Key_Tab},    {0x0D, Qt::Key_Return},
    {0x0D, Qt::Key_Enter},     {0x10, Qt::Key_Shift},  {0x11, Qt::Key_Control},
    {0x12, Qt::Key_Alt},       {0x13, Qt::Key_Pause},  {0x14, Qt::Key_CapsLock},
    {0x1B, Qt::Key_Escape},    {0x20, Qt::Key_Space},  {0x21, Qt::Key_PageUp},
    {0x22, Qt::Key_PageDown},  {0x23, Qt::Key_End},    {0x24, Qt::Key_Home},
    {0x25, Qt::Key_Left},      {0x26, Qt::Key_Up},     {0x27, Qt::Key_Right},
    {0x28, Qt::Key_Down},      {0x2D, Qt::Key_Insert}, {0x2E, Qt::Key_Delete},
    {0x6A, Qt::Key_Asterisk},  {0x6B, Qt::Key_Plus},   {0x6D, Qt::Key_Minus},
    {0x6E, Qt::Key_Period},    {0x6F, Qt::Key_Slash},  {0xBB, Qt::Key_Equal},
}};
constexpr int32_t kFunctionKeys = 24;  // F1..F24

int QtKeyOf(int32_t virtualKey) {
    if ((virtualKey >= '0' && virtualKey <= '9') || (virtualKey >= 'A' && virtualKey <= 'Z')) {
        return virtualKey;
    }
    if (virtualKey >= KeyCode::kF1 && virtualKey < KeyCode::kF1 + kFunctionKeys) {
        return Qt::Key_F1 + (virtualKey - KeyCode::kF1);
    }
    for (const KeyPair& pair : kNamedKeys) {
        if (pair.virtualKey == virtualKey) return pair.qtKey;
    }
    return 0;
}

// 0 for a key without a virtual-key number here.
int32_t VirtualKeyOf(int qtKey) {
    if ((qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) || (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)) {
        return qtKey;
    }
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeys) {
        return KeyCode::kF1 + (qtKey - Qt::Key_F1);
    }
    if (qtKey == Qt::Key_Backtab) return 0x09;
    for (const KeyPair& pair : kNamedKeys) {
        if (pair.qtKey == qtKey) return pair.virtualKey;
    }
    return 0;
}

}  // namespace

QKeySequence SequenceOf(int32_t keyCode) {
    const int key = QtKeyOf(keyCode & KeyCode::kKeyMask);
    if (key == 0) return QKeySequence();
    Qt::KeyboardModifiers modifiers;
    if (keyCode & KeyCode::kShift) modifiers |= Qt::ShiftModifier;
    if (keyCode & KeyCode::kControl) modifiers |= Qt::ControlModifier;
    if (keyCode & KeyCode::kAlt) modifiers |= Qt::AltModifier;
    return QKeySequence(QKeyCombination(modifiers, static_cast<Qt::Key>(key)));
}

bool KeyTracker::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:  // a press taken by a shortcut arrives only as this
        case QEvent::KeyRelease: {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->isAutoRepeat()) break;
            const int32_t virtualKey = VirtualKeyOf(key->key());
            if (virtualKey > 0 && virtualKey < kTrackedKeys) {
                held_[static_cast<size_t>(virtualKey)] = event->type() != QEvent::KeyRelease;
            }
            break;
        }
        case QEvent::ApplicationStateChange:
            // The release of a key held while the user switched away goes to
            // another program: forget every key rather than keep one stuck.
            if (static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
                Qt::ApplicationActive) {
                held_.fill(false);
            }
            break;
        default: break;
    }
    return QObject::eventFilter(watched, event);
}
