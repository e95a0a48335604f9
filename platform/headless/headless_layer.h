#pragma once
// An in-memory window layer for tests. It keeps every control's content and
// properties where a test can read them, records message boxes, dialogs,
// menus, shortcuts, timers and images, and lets a test script what the user
// does: each scripted action takes effect when the event loop reaches it,
// as it would if the user did it at that moment.

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/event_queue.h"
#include "platform/window_layer.h"

struct HeadlessControl {
    int32_t window = 0;  // the window it is in
    ControlKind kind = ControlKind::Label;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    std::string text;            // text fields, labels, multi-line text
    std::string accessibleName;  // what screen readers call it
    bool centred = false;
    int32_t maxChars = -1;           // -1: no limit
    int32_t checked = 0;             // check box
    std::vector<std::string> lines;  // lists
    std::vector<std::string> marks;  // lists: each line's mark description, empty for none
    int32_t selected = -1;           // lists: selected line, -1 for none
    int32_t image = -1;              // image controls: image shown, -1 for none
    Picture picture;                 // image controls: the picture shown
    int32_t font = -1;               // -1: the default font
    int32_t creationOrder = 0;       // 0 for the first control created
    std::vector<uint32_t> flags;     // line lists: each line's LineFlag marks
    int32_t firstShown = 0;          // line lists: the first line in view
    int32_t flagWrites = 0;          // line lists: SetLineFlags calls that changed a line
};

// A line list shows its height divided by this many lines.
inline constexpr int32_t kHeadlessLineHeight = 16;

struct TextDialogCall {
    std::string title;
    std::string prompt;
    std::string initial;
};

struct HeadlessWindow {
    int32_t innerWidth = 0;
    int32_t innerHeight = 0;
    std::string title;
    bool shown = true;
    std::map<int32_t, int32_t> shortcuts;  // key code -> menu item
};

struct DialogCall {
    std::string title;
    std::string folder;
    std::string filterList;
};

class HeadlessLayer : public WindowLayer {
public:
    // --- What the program built (read by tests) -----------------------------
    // Kept after Release, so that a test can read what the program left;
    // the layer's own operations no longer reach it then.
    // The main window: open, its number, size and title.
    bool windowOpen = false;
    int32_t windowNumber = -1;
    int32_t innerWidth = 0;
    int32_t innerHeight = 0;
    std::string title;
    // Every open window, the main one included; emptied by Release.
    std::map<int32_t, HeadlessWindow> windows;
    std::map<int32_t, HeadlessControl> controls;
    std::map<int32_t, Picture> images;                   // images that exist
    std::vector<int32_t> freedImages;                    // in the order freed
    std::vector<std::pair<std::string, int32_t>> fonts;  // face, points; index = font number
    // The menu bar as built, one entry per call, texts as screen readers
    // read them: "title File", "item 0 Open\tCtrl+O", "separator",
    // "submenu Examples", "end submenu".
    std::vector<std::string> menuLog;
    // The mnemonic of each entry of menuLog, upper case; 0 for none.
    std::vector<char> menuMnemonics;
    bool menuBarCreated = false;
    std::map<int32_t, bool> menuChecks;    // menu item -> its check mark, once set
    std::string clipboard;                 // what SetClipboardText put there last
    std::map<int32_t, int32_t> shortcuts;  // the main window's: key code -> menu item
    std::map<int32_t, int32_t> timers;     // timer number -> period, while it exists
    int32_t timerAdds = 0;                 // how often AddTimer was called
    std::vector<std::pair<std::string, std::string>> messages;  // title, text
    std::vector<DialogCall> dialogCalls;
    bool released = false;
    bool ranDry = false;        // WaitEvent found nothing more to do
    int32_t escapePolls = 0;    // IsKeyDown(Escape) calls so far
    bool busy = false;          // the busy cursor is shown
    bool terminated = false;    // Terminate is raised
    std::vector<bool> busyLog;  // every change of `busy`, in order

    // --- Failures to simulate -----------------------------------------------
    bool failOpenWindow = false;
    bool failMenuBar = false;
    bool failFont = false;

    // --- Scripting the user -------------------------------------------------
    // Each call appends one step; steps run in order when the loop waits for
    // an event. When no step is left, an existing timer ticks; with no timer
    // either, WaitEvent answers Close and sets ranDry.
    void ChooseMenu(int32_t item);
    // Presses a key with modifiers in the main window, or in the window
    // named: raises the menu item of that window's shortcut, if one is
    // registered and the window is shown, else nothing.
    void PressKey(int32_t keyCode);
    void PressKeyIn(int32_t window, int32_t keyCode);
    // Types characters at the end of a field's text, one at a time; each
    // accepted character raises a Change event, characters beyond the
    // field's limit are refused and raise none.
    void TypeText(int32_t control, const std::string& text);
    // Selects the whole text of a field and pastes `text` over it, cut to
    // the field's limit; one Change event.
    void PasteOver(int32_t control, const std::string& text);
    // Selects the whole text of a field and deletes it; one Change event.
    void ClearField(int32_t control);
    // The steps on controls do nothing to a control in a hidden window.
    // Clicks the check box: toggles the mark and raises one event.
    void ClickCheckBox(int32_t control);
    // Clicks the button: one event.
    void ClickButton(int32_t control);
    // Clicks line `index` of a list: selects it and raises one event.
    void ClickLine(int32_t control, int32_t index);
    // Double-clicks line `index` of a list: the click of ClickLine, then a
    // DoubleClick event (only for a line that exists).
    void DoubleClickLine(int32_t control, int32_t index);
    void Tick(int32_t timer);
    // The user closes the main window, or the window named if it is open:
    // Close with its number.
    void Close();
    void CloseWindow(int32_t window);
    // Runs arbitrary test code when the loop reaches this step.
    void Call(std::function<void()> step);
    // Answers for the next open-file dialogs, in order; "" cancels. With no
    // answer left, a dialog is cancelled.
    std::deque<std::string> dialogAnswers;
    // Escape goes down after `takes` more TakeEvent calls: the next `takes`
    // find it up, and the one after puts it down, as a key pressed while a
    // Run keeps the thread reaches a real window at the Run's next event
    // take. 0 puts it down at once. It stays down until ReleaseEscape.
    void HoldEscapeAfter(int32_t takes);
    void ReleaseEscape();
    // The session asks the program to end: raises Terminate when the loop
    // reaches this step.
    void Terminate();
    // Raises Terminate after `takes` more TakeEvent calls, counted as
    // HoldEscapeAfter counts them: the next `takes` go as usual, the one
    // after raises it and answers it. 0 raises it at once.
    void TerminateAfter(int32_t takes);
    // Raises Terminate while the next message box or open-file dialog is
    // open: it is recorded as shown, then closes at once, the dialog as
    // cancelled without taking an answer.
    void TerminateInNextModal();

    // --- WindowLayer ----------------------------------------------------------
    void Show(const std::string& title, const std::string& text) override;
    bool OpenWindow(int32_t window, int32_t innerWidth, int32_t innerHeight,
                    const std::string& title) override;
    void ShowWindow(int32_t window, bool shown) override;
    void SetWindowTitle(int32_t window, const std::string& title) override;
    void CreateControl(int32_t window, ControlKind kind, int32_t number, int32_t x, int32_t y,
                       int32_t width, int32_t height, const std::string& text,
                       bool centred) override;
    void LimitText(int32_t control, int32_t maxChars) override;
    void SetAccessibleName(int32_t control, const std::string& name) override;
    void SetText(int32_t control, const std::string& text) override;
    std::string GetText(int32_t control) override;
    void SetCheck(int32_t control, int32_t checked) override;
    int32_t GetCheck(int32_t control) override;
    void ClearLines(int32_t control) override;
    void AppendLine(int32_t control, const std::string& line) override;
    int32_t CountLines(int32_t control) override;
    std::string GetLine(int32_t control, int32_t index) override;
    void SelectLine(int32_t control, int32_t index) override;
    int32_t SelectedLine(int32_t control) override;
    void SetLineMark(int32_t control, int32_t index, const std::string& description) override;
    std::string GetLineMark(int32_t control, int32_t index) override;
    bool CreateImage(int32_t image, const Picture& picture) override;
    void ShowImage(int32_t control, int32_t image) override;
    void FreeImage(int32_t image) override;
    int32_t CreateFont(const std::string& face, int32_t points) override;
    void SetFont(int32_t control, int32_t font) override;
    bool CreateMenuBar(int32_t window) override;
    void AddMenuTitle(const std::string& title) override;
    void AddMenuItem(int32_t item, const std::string& text) override;
    void AddMenuSeparator() override;
    void OpenSubmenu(const std::string& title) override;
    void CloseSubmenu() override;
    void SetMenuCheck(int32_t item, bool checked) override;
    void AddShortcut(int32_t window, int32_t keyCode, int32_t item) override;
    Event WaitEvent() override;
    Event TakeEvent() override;
    void AddTimer(int32_t window, int32_t timer, int32_t periodMs) override;
    void RemoveTimer(int32_t window, int32_t timer) override;
    bool IsKeyDown(int32_t keyCode) override;
    void SetBusy(bool busy) override;
    void SetClipboardText(const std::string& text) override;
    std::string OpenFileDialog(const std::string& title, const std::string& folder,
                               const std::string& filterList) override;
    void Release() override;
    void SetLines(int32_t control, const std::vector<std::string>& lines) override;
    void SetLineFlags(int32_t control, int32_t index, uint32_t flags) override;
    uint32_t GetLineFlags(int32_t control, int32_t index) override;
    void ScrollToLine(int32_t control, int32_t index) override;
    int32_t FirstShownLine(int32_t control) override;
    bool AskText(const std::string& title, const std::string& prompt, std::string& answer) override;
    void WatchFile(const std::string& path) override;

    // --- Line lists, text input and file watching (scripted and read) ---------
    // Clicks the gutter of line `index` of a line list: selects it and raises
    // a Gutter event (only for a line that exists).
    void ClickGutter(int32_t control, int32_t index);
    // Answers for the next text dialogs, in order; nullopt cancels. With no
    // answer left, a dialog is cancelled.
    std::deque<std::optional<std::string>> textAnswers;
    std::vector<TextDialogCall> textDialogCalls;
    // The file watched; empty for none.
    std::string watchedFile;
    // The watched file changes on disk: FileChanged, when a file is watched.
    void ChangeWatchedFile();

protected:
    // What every TakeEvent does before it runs a step: a scripted Escape
    // that is due goes down, a scripted Terminate that is due is raised. For
    // a TakeEvent of a test's own.
    void PassEventTake();

private:
    // The control of that number while the window is open, else nullptr;
    // of the given kind only, when one is named.
    HeadlessControl* Find(int32_t control);
    HeadlessControl* Find(int32_t control, ControlKind kind);
    HeadlessControl* FindList(int32_t control);  // a List or a LineList
    // The same, for the user: nothing in a hidden window.
    HeadlessControl* FindShown(int32_t control, ControlKind kind);
    // The open window of that number, else nullptr.
    HeadlessWindow* FindWindow(int32_t window);
    // Runs the next scripted step, if any; false when none was left.
    bool RunNextStep();
    // In a message box or dialog: raises Terminate if the script asked for
    // it there; true then.
    bool ModalTerminated();
    bool HasTextKind(ControlKind kind) const;
    // Adds a menu entry to menuLog and menuMnemonics.
    void LogMenuEntry(const std::string& prefix, const std::string& text);

    // Marks the controls showing `image` as holding an older picture than
    // the number now names, so that showing it again copies it anew.
    void ForgetShown(int32_t image);

    EventQueue events_;
    std::deque<std::function<void()>> steps_;
    // Image controls whose picture is no longer what their `image` names.
    std::vector<int32_t> stalePictures_;
    // 0 outside any menu, 1 in a menu, 2 and more in submenus.
    int32_t menuDepth_ = 0;
    std::set<int32_t> menuItems_;              // the items on the menu bar
    std::map<int32_t, int32_t> timerWindows_;  // timer number -> its window
    bool escapeHeld_ = false;
    int32_t escapeTakesLeft_ = -1;     // TakeEvent calls before Escape goes down; -1 none
    int32_t terminateTakesLeft_ = -1;  // TakeEvent calls before Terminate; -1 none
    bool terminateInModal_ = false;
};
