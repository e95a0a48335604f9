#pragma once
// The window layer: everything the program asks of the desktop, addressed by
// the numbers of windows, controls, images, fonts, menu items and timers.
// One backend draws real windows (platform/qt), another keeps everything in
// memory for tests (platform/headless).
//
// Events flow one way: the backend turns what the user does into Events on
// the layer's own queue, and the program's single event loop takes them from
// there. Text or marks the program writes into a control raise no event.
//
// Operations on a number that names no control do nothing (getters answer
// with an empty text, 0 or no lines).

#include <array>
#include <cstdint>
#include <deque>
#include <string>

#include "core/messages.h"
#include "data/picture.h"

enum class ControlKind {
    Label,              // static centred text, never takes the focus
    TextField,          // one editable line; raises Change on every user edit
    ReadOnlyTextField,  // one line the user can select and copy but not alter
    MultiLineText,      // read-only lines, no border, no scroll bars, no wrap
    CheckBox,           // raises an event on every user click
    List,               // lines in the order added, one selected line
    Image,              // shows one picture
};

enum class EventKind {
    None,     // TakeEvent: nothing pending
    Close,    // the user asked to close the main window
    Menu,     // number: the menu item, chosen or raised by its shortcut
    Control,  // number: the control; type: Change for a user edit of a field
    Timer,    // number: the timer
};

enum class ControlEventType { Change, Other };

struct Event {
    EventKind kind = EventKind::None;
    int32_t number = 0;
    ControlEventType type = ControlEventType::Other;
};

class WindowLayer : public Messages {
public:
    // --- Window -------------------------------------------------------------
    // Opens the top-level window with an inner area of the given size, fixed
    // frame (title bar, system menu, minimise; no maximise, no resizing),
    // centred and shown. False when it cannot be opened.
    virtual bool OpenWindow(int32_t window, int32_t innerWidth, int32_t innerHeight,
                            const std::string& title) = 0;

    // --- Controls -----------------------------------------------------------
    // Creates a control of window 0. Position and size are in the window's
    // inner area below the menu bar. `centred` centres the text inside.
    virtual void CreateControl(ControlKind kind, int32_t number, int32_t x, int32_t y,
                               int32_t width, int32_t height, const std::string& text,
                               bool centred) = 0;
    // The user can type or paste at most maxChars characters into a text
    // field; text the program writes is shown whole.
    virtual void LimitText(int32_t control, int32_t maxChars) = 0;
    // The name by which screen readers and UI automation find a control.
    virtual void SetAccessibleName(int32_t control, const std::string& name) = 0;
    virtual void SetText(int32_t control, const std::string& text) = 0;
    virtual std::string GetText(int32_t control) = 0;
    virtual void SetCheck(int32_t control, int32_t checked) = 0;
    virtual int32_t GetCheck(int32_t control) = 0;  // 1 when checked, else 0
    virtual void ClearLines(int32_t control) = 0;
    virtual void AppendLine(int32_t control, const std::string& line) = 0;
    virtual int32_t CountLines(int32_t control) = 0;
    // The text of line `index` (from 0); empty for a line that does not exist.
    virtual std::string GetLine(int32_t control, int32_t index) = 0;
    virtual void SelectLine(int32_t control, int32_t index) = 0;

    // --- Images and fonts ---------------------------------------------------
    virtual bool CreateImage(int32_t image, const Picture& picture) = 0;
    // Shows an image on an image control. Showing the image a control
    // already shows does nothing: a Run updates the lamps after every
    // instruction and must not pay for a redraw each time.
    void ShowImage(int32_t control, int32_t image) {
        if (control >= 0 && control < kCachedControls) {
            if (shownImage_[static_cast<size_t>(control)] == image) return;
            shownImage_[static_cast<size_t>(control)] = image;
        }
        DoShowImage(control, image);
    }
    virtual void FreeImage(int32_t image) = 0;
    // Creates a font by face name and size in points; returns its number,
    // or -1 when it cannot be created.
    virtual int32_t CreateFont(const std::string& face, int32_t points) = 0;
    virtual void SetFont(int32_t control, int32_t font) = 0;

    // --- Menus and shortcuts ------------------------------------------------
    // False when the menu bar cannot be created.
    virtual bool CreateMenuBar(int32_t window) = 0;
    virtual void AddMenuTitle(const std::string& title) = 0;
    // Adds an item to the menu being built; "\t" separates the text from the
    // shortcut label shown right-aligned.
    virtual void AddMenuItem(int32_t item, const std::string& text) = 0;
    virtual void AddMenuSeparator() = 0;
    virtual void OpenSubmenu(const std::string& title) = 0;
    virtual void CloseSubmenu() = 0;
    // A key code (virtual key | modifiers) that raises a menu item whenever
    // the window is active, also while a text field has the focus.
    virtual void AddShortcut(int32_t window, int32_t keyCode, int32_t item) = 0;

    // --- Events, timer, keys ------------------------------------------------
    // Waits, without time-out, for the next event.
    virtual Event WaitEvent() = 0;
    // Takes the next pending event without waiting; kind None when there is
    // none. Called once per instruction during a Run, so it answers from the
    // queue and lets the platform catch up only every so often (Pump).
    Event TakeEvent() {
        // The usual answer, with no pump due and nothing queued, costs one
        // count: while an event is queued the count is parked at zero.
        if (--pollCountdown_ > 0) [[likely]] return Event{};
        return PumpAndTake();
    }
    // A timer of a window: each period raises a Timer event; ticks that fall
    // due while one is still queued are not accumulated. Adding a timer that
    // exists restarts its period.
    virtual void AddTimer(int32_t window, int32_t timer, int32_t periodMs) = 0;
    virtual void RemoveTimer(int32_t window, int32_t timer) = 0;
    // Whether the key (a virtual-key code such as KeyCode::kEscape) is held
    // down at this instant.
    virtual bool IsKeyDown(int32_t keyCode) = 0;

    // --- Dialogs and shutdown -----------------------------------------------
    // The open-file dialog. filterList holds "label|pattern" pairs separated
    // by "|". Returns the path the user typed or chose, whether it exists or
    // not, or an empty text when cancelled.
    virtual std::string OpenFileDialog(const std::string& title, const std::string& folder,
                                       const std::string& filterList) = 0;
    // Releases windows, controls, menus, timers, fonts and images.
    virtual void Release() = 0;

protected:
    virtual void DoShowImage(int32_t control, int32_t image) = 0;
    // Lets the platform do its own pending work (painting, input, shortcut
    // translation), which may push events. TakeEvent calls it once every
    // kPollStride calls; a backend may do less when little time has passed.
    virtual void Pump() = 0;

    // Queues an event for the loop. A timer tick is dropped while another
    // tick is still waiting, so ticks never pile up behind a busy thread.
    // Events enter the queue only here (TakeEvent relies on it); a backend
    // may take them out itself.
    void PushEvent(const Event& event) {
        if (event.kind == EventKind::Timer) {
            for (const Event& queued : events_) {
                if (queued.kind == EventKind::Timer && queued.number == event.number) return;
            }
        }
        events_.push_back(event);
        ParkPollCountdown();
    }
    // Forgets which image a control shows, for a control (re)created.
    void ForgetShownImage(int32_t control) {
        if (control >= 0 && control < kCachedControls)
            shownImage_[static_cast<size_t>(control)] = -1;
    }

    std::deque<Event> events_;

private:
    // TakeEvent's other case: the countdown ran out or was parked. Pumps
    // when due, then takes what is queued.
    Event PumpAndTake() {
        pollCountdown_ += parkedPolls_;  // the polls left before the pump
        parkedPolls_ = 0;
        if (pollCountdown_ <= 0) {
            pollCountdown_ = kPollStride;
            Pump();
        }
        Event event{};
        if (!events_.empty()) {
            event = events_.front();
            events_.pop_front();
        }
        if (!events_.empty()) ParkPollCountdown();
        return event;
    }
    // Sends the next TakeEvent to PumpAndTake by setting the countdown to 0,
    // keeping the polls it had left until the next pump aside.
    void ParkPollCountdown() {
        parkedPolls_ += pollCountdown_;
        pollCountdown_ = 0;
    }

    static constexpr int32_t kCachedControls = 64;
    static constexpr int32_t kPollStride = 256;
    int32_t pollCountdown_ = 1;  // TakeEvent calls until the next pump, or 0 when parked
    int32_t parkedPolls_ = 0;    // the countdown while parked
    std::array<int32_t, kCachedControls> shownImage_ = MakeUnshown();

    static constexpr std::array<int32_t, kCachedControls> MakeUnshown() {
        std::array<int32_t, kCachedControls> unshown{};
        unshown.fill(-1);
        return unshown;
    }
};
