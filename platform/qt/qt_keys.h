#pragma once
// Key codes (platform/key_codes.h) in Qt's terms, and the tracker that knows
// which keys are held down right now.

#include <QKeySequence>
#include <QObject>
#include <array>
#include <cstdint>

// The key sequence of a key code; empty for a key without a Qt key here.
QKeySequence SequenceOf(int32_t keyCode);

// Keys held down right now, by virtual-key number, fed by an application-
// wide event filter. Auto-repeat is ignored: X11 reports a held key as
// release/press pairs marked as repeats, and taking those at face value
// would let a poll see the key as up.
class KeyTracker : public QObject {
public:
    // Virtual-key numbers below this are tracked.
    static constexpr int32_t kTrackedKeys = 256;

    bool IsHeld(int32_t virtualKey) const {
        return virtualKey >= 0 && virtualKey < kTrackedKeys &&
               held_[static_cast<size_t>(virtualKey)];
    }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::array<bool, kTrackedKeys> held_{};
};
