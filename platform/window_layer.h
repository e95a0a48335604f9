#pragma once
// The window layer: everything the program asks of the desktop, addressed by
// the numbers of windows, controls, images, fonts, menu items and timers.
// One backend draws real windows (platform/qt), another keeps everything in
// memory for tests (platform/headless); both keep every rule written here,
// and one contract suite (tests/contract/window_layer_contract.h) holds
// them to it.
//
// General rules:
// - Events flow one way: a backend turns what the user does into Events on a
//   queue of its own, and the program's single event loop takes them with
//   WaitEvent or TakeEvent. Text, marks, selections or pictures the program
//   writes into a control raise no event.
// - Terminate: the session asked the program to end (a logout, SIGTERM,
//   Ctrl+C in its terminal; how it reaches the layer is the backend's).
//   Once raised it stays: every later WaitEvent and TakeEvent answers
//   Terminate, ahead of any event still queued and also without a window.
//   A message box or open-file dialog open at that moment closes at once,
//   the dialog as cancelled; later ones return at once without showing.
// - Windows are opened by OpenWindow under numbers of the program's choice
//   and stay open until Release; the program hides and shows them. The first
//   one opened is the main window, the only one with a menu bar. An
//   operation naming a window number that is not open does nothing
//   (CreateMenuBar answers false).
// - Control numbers are the program's across all windows: every operation
//   but CreateControl names a control by its number alone. An operation on
//   a control number that names no control, or on a control of a kind the
//   operation does not list, does nothing; getters then answer an empty
//   text, 0 or no lines.

#include <cstdint>
#include <string>
#include <vector>

#include "core/messages.h"
#include "data/picture.h"

enum class ControlKind {
    Label,              // static centred text, never takes the focus
    TextField,          // one editable line; raises Change on every user edit
    ReadOnlyTextField,  // one line the user can select and copy but not alter
    MultiLineText,      // read-only lines, no border, no scroll bars, no wrap
    CheckBox,           // raises an event on every user click
    List,               // lines in the order added, at most one selected line
    Image,              // shows one picture
    Button,             // a push button with a caption; raises an event on every click
    LineList,           // read-only numbered lines with marks and a gutter (below)
};

// The marks of a LineList line, any of them together (SetLineFlags).
namespace LineFlag {
constexpr uint32_t kCurrent = 1;     // the line being executed: a colour behind it and an arrow
constexpr uint32_t kBreakpoint = 2;  // a dot in the gutter
constexpr uint32_t kWarning = 4;     // a warning sign in the gutter
constexpr uint32_t kRedText = 8;     // the line's text in red
constexpr uint32_t kAll = 15;
}  // namespace LineFlag

enum class EventKind {
    None,         // TakeEvent: nothing pending
    Close,        // number: the window whose closing the user asked for; it stays open
    Menu,         // number: the menu item, chosen or raised by its shortcut
    Control,      // number: the control; type: Change for a user edit of a field
    Timer,        // number: the timer
    Terminate,    // the session asked the program to end (see above)
    FileChanged,  // the file WatchFile watches was written, replaced or removed
};

// Change: a user edit of a field. DoubleClick: a double-click on a list
// line, which selects the line first. Other: anything else.
// Gutter: a click in a LineList's gutter, which selects the line first.
enum class ControlEventType { Change, Other, DoubleClick, Gutter };

struct Event {
    EventKind kind = EventKind::None;
    int32_t number = 0;
    ControlEventType type = ControlEventType::Other;
};

// Messages::Show is the modal message box: a title, a text shown as plain
// text and one OK button; it returns when the user has closed it, or once
// Terminate is raised.
class WindowLayer : public Messages {
public:
    // --- Windows --------------------------------------------------------------
    // Opens a top-level window with an inner area of the given size, fixed
    // frame (title bar, system menu, minimise; no maximise, no resizing),
    // shown. The first window opened (the first again after Release) is the
    // main window, centred on the screen; a later one opens beside it, to its
    // right as far as the screen allows, top edges aligned. False when it
    // cannot be opened: a size that is not positive, or a window of that
    // number already open.
    virtual bool OpenWindow(int32_t window, int32_t innerWidth, int32_t innerHeight,
                            const std::string& title) = 0;
    // Hides an open window (the main window too), or shows it again in front
    // of the others. A hidden window keeps its controls, shortcuts and
    // timers; the user reaches none of its controls or shortcuts.
    virtual void ShowWindow(int32_t window, bool shown) = 0;
    // Sets an open window's title.
    virtual void SetWindowTitle(int32_t window, const std::string& title) = 0;

    // --- Controls -------------------------------------------------------------
    // Creates a control in an open window (nothing for a window that is not
    // open). Position and size are in the window's inner area, below the
    // menu bar in the main window. `text` is the initial text of a label, a
    // field, a multi-line text or a check box's or button's caption; `centred` centres a
    // field's text. A number that names a control already, in any window,
    // replaces it. Every kind.
    virtual void CreateControl(int32_t window, ControlKind kind, int32_t number, int32_t x,
                               int32_t y, int32_t width, int32_t height, const std::string& text,
                               bool centred) = 0;
    // TextField: the user can type or paste at most maxChars characters;
    // 0 or less lifts the limit. Text the program writes is shown whole.
    virtual void LimitText(int32_t control, int32_t maxChars) = 0;
    // Every kind: the name by which screen readers and UI automation find it.
    virtual void SetAccessibleName(int32_t control, const std::string& name) = 0;
    // Label, TextField, ReadOnlyTextField, MultiLineText (lines separated by
    // "\r\n"), CheckBox and Button (their caption). Raises no event.
    virtual void SetText(int32_t control, const std::string& text) = 0;
    // The kinds of SetText: the text shown, a multi-line text's lines
    // separated by "\r\n".
    virtual std::string GetText(int32_t control) = 0;
    // CheckBox: marks it when checked is not 0. Raises no event.
    virtual void SetCheck(int32_t control, int32_t checked) = 0;
    // CheckBox: 1 when marked, else 0.
    virtual int32_t GetCheck(int32_t control) = 0;
    // List: removes every line; no line is selected.
    virtual void ClearLines(int32_t control) = 0;
    // List: adds a line after the last.
    virtual void AppendLine(int32_t control, const std::string& line) = 0;
    // List: the number of lines.
    virtual int32_t CountLines(int32_t control) = 0;
    // List: the text of line `index` (from 0); empty for an index outside
    // 0..CountLines - 1.
    virtual std::string GetLine(int32_t control, int32_t index) = 0;
    // List: selects line `index` and scrolls it into view; an index outside
    // 0..CountLines - 1 leaves no line selected.
    virtual void SelectLine(int32_t control, int32_t index) = 0;
    // List: the selected line, or -1 when none is.
    virtual int32_t SelectedLine(int32_t control) = 0;
    // List: marks line `index` with a colour behind it, its accessible
    // description then being `description`; an empty description removes
    // the mark. The line's text stays as it is. Lines come unmarked from
    // AppendLine and ClearLines removes them with their marks. An index
    // outside 0..CountLines - 1 does nothing. Cheap when the line already
    // has that mark. Raises no event.
    virtual void SetLineMark(int32_t control, int32_t index, const std::string& description) = 0;
    // List: the description of line `index`'s mark; empty when the line is
    // unmarked or does not exist.
    virtual std::string GetLineMark(int32_t control, int32_t index) = 0;

    // --- Images and fonts -----------------------------------------------------
    // Makes `picture` image number `image`, replacing a picture of that
    // number. False, and nothing changed, for a picture without pixels or
    // whose pixel count is not width x height.
    virtual bool CreateImage(int32_t image, const Picture& picture) = 0;
    // Image: shows image `image` on the control; a number that names no
    // image (not yet created, or freed) clears it. Either way the control
    // then shows what the image number holds at the time: showing an image
    // before creating it, then again after, shows the picture. Cheap to call
    // again with the image a control already shows.
    virtual void ShowImage(int32_t control, int32_t image) = 0;
    // Forgets image `image`; controls showing it keep their picture until
    // they are shown another.
    virtual void FreeImage(int32_t image) = 0;
    // Creates a font by face name and size in points; returns its number,
    // from 0 up, or -1 when it cannot be created (no face, points not
    // positive).
    virtual int32_t CreateFont(const std::string& face, int32_t points) = 0;
    // Every kind: sets the control's font; a number that names no font does
    // nothing.
    virtual void SetFont(int32_t control, int32_t font) = 0;

    // --- Menus and shortcuts --------------------------------------------------
    // Creates the main window's menu bar; false for another window number,
    // or when it cannot be created. The calls below build it in display
    // order and do nothing without it. In the texts they take, "&" before a
    // character makes it the entry's mnemonic, shown underlined: Alt with it
    // opens a menu of the bar, the character alone chooses an entry of an
    // open menu. "&&" is a plain "&". The text screen readers read has no
    // mnemonic mark.
    virtual bool CreateMenuBar(int32_t window) = 0;
    // Starts a new menu on the bar; items go into it.
    virtual void AddMenuTitle(const std::string& title) = 0;
    // Adds an item to the menu being built; "\t" separates the text from the
    // shortcut label shown right-aligned. Choosing it raises Menu `item`.
    virtual void AddMenuItem(int32_t item, const std::string& text) = 0;
    virtual void AddMenuSeparator() = 0;
    // Starts a submenu inside the menu being built; items go into it until
    // CloseSubmenu.
    virtual void OpenSubmenu(const std::string& title) = 0;
    virtual void CloseSubmenu() = 0;
    // Shows a check mark beside the menu bar's item `item` when `checked`,
    // and removes it when not. The layer never changes a mark by itself:
    // choosing a marked or unmarked item raises its Menu event and leaves
    // the mark as the program set it. Nothing for an item not on the bar.
    virtual void SetMenuCheck(int32_t item, bool checked) = 0;
    // A key code (platform/key_codes.h) that raises Menu `item` whenever
    // that window is active, also while a text field has the focus. Giving a
    // key again in the same window moves it to the later item; each window
    // has shortcuts of its own. Nothing for a window that is not open.
    virtual void AddShortcut(int32_t window, int32_t keyCode, int32_t item) = 0;

    // --- Events, timers, keys -------------------------------------------------
    // Waits, without time-out, for the next event. Without a window (never
    // opened, or released) it answers Close with number 0. Once Terminate
    // is raised it answers Terminate.
    virtual Event WaitEvent() = 0;
    // Lets the platform catch up on its own pending work (painting, input)
    // when that is due, then takes the next pending event without waiting;
    // kind None when there is none, Terminate once that is raised. A Run
    // calls it every 4096 instructions, at the history's snapshots, to keep
    // the window alive and to end when Terminate comes.
    virtual Event TakeEvent() = 0;
    // A timer of an open window, hidden or not: each period raises a Timer
    // event; a tick that falls due while one of the same timer is still
    // queued is dropped. Timer numbers are the program's across all windows:
    // adding a timer that exists restarts its period, as a timer of the
    // window named. Nothing for a window that is not open.
    virtual void AddTimer(int32_t window, int32_t timer, int32_t periodMs) = 0;
    // Stops and forgets the timer, if it is that window's.
    virtual void RemoveTimer(int32_t window, int32_t timer) = 0;
    // Whether the key (a key code's virtual-key part, such as
    // KeyCode::kEscape) is held down at this instant. What the layer knows
    // of the keyboard changes only while the platform runs: in WaitEvent,
    // TakeEvent, a dialog or the message box. Between those the answer
    // stays what it was, so a Run asks once after each TakeEvent and knows
    // the key's state before every instruction without asking again.
    virtual bool IsKeyDown(int32_t keyCode) = 0;

    // While `busy` is true every window shows the busy cursor, the usual one
    // again once it is false; setting what is set already does nothing, and
    // Release ends it. For the time a command keeps the thread. Nothing
    // without a window.
    virtual void SetBusy(bool busy) = 0;

    // Puts `text` on the desktop's clipboard as plain text, in place of what
    // it held; lines separated by "\n".
    virtual void SetClipboardText(const std::string& text) = 0;

    // --- Dialogs and shutdown -------------------------------------------------
    // The open-file dialog, modal. filterList holds "label|pattern" pairs
    // separated by "|", the first shown first. Returns the path the user
    // typed or chose, whether it exists or not, or an empty text when
    // cancelled (also by Terminate).
    virtual std::string OpenFileDialog(const std::string& title, const std::string& folder,
                                       const std::string& filterList) = 0;
    // Releases every window, the controls, menus, shortcuts, timers, fonts
    // and images. Calling it again does nothing.
    virtual void Release() = 0;

    // --- Line lists, text input, file watching ---------------------------------
    // LineList: a read-only list of lines shown in a fixed-width font, each
    // with its number (from 1) in a gutter at its left, and marks
    // (LineFlag) that the program sets. At most one line is selected, a mark
    // of its own, distinct from kCurrent. A click on a line selects it and
    // raises Control with type Other; a click in its gutter selects it and
    // raises Control with type Gutter. CountLines, GetLine, SelectLine
    // (which scrolls the line into view) and SelectedLine take it as they
    // take a List. Built for long sources: replacing thousands of lines
    // costs a few milliseconds, and a change of marks repaints only the lines
    // it touches.
    //
    // LineList: replaces every line; the lines come without marks, no line
    // is selected and the first line is shown at the top. Raises no event.
    virtual void SetLines(int32_t control, const std::vector<std::string>& lines) = 0;
    // LineList: sets line `index`'s marks to `flags` (LineFlag bits; others
    // are ignored). An index outside 0..CountLines - 1 does nothing. Cheap
    // when the line has those marks already. Raises no event.
    virtual void SetLineFlags(int32_t control, int32_t index, uint32_t flags) = 0;
    // LineList: line `index`'s marks; 0 for a line that does not exist.
    virtual uint32_t GetLineFlags(int32_t control, int32_t index) = 0;
    // LineList: scrolls so that line `index` is in view, the selection
    // unchanged; an index outside 0..CountLines - 1 does nothing.
    virtual void ScrollToLine(int32_t control, int32_t index) = 0;
    // LineList: the first line in view, from 0; 0 for an empty list.
    virtual int32_t FirstShownLine(int32_t control) = 0;

    // A modal dialog asking for one line of text: a title, a prompt and a
    // field holding `answer` at first, with OK and Cancel. True with the
    // text typed in `answer` on OK; false, `answer` unchanged, on Cancel,
    // the window's close button, Escape, or Terminate (which closes it as it
    // closes a message box).
    virtual bool AskText(const std::string& title, const std::string& prompt,
                         std::string& answer) = 0;

    // Watches one file: once it is written, replaced, renamed or removed,
    // a FileChanged event comes (several changes in a row may come as one).
    // A path given again watches it anew (a file replaced by an editor is
    // watched again under its name); an empty path stops watching. A path
    // that does not exist is watched for nothing. Release stops it.
    virtual void WatchFile(const std::string& path) = 0;
};
