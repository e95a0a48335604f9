#pragma once
// The window layer on Qt Widgets: fixed-size windows whose controls are
// placed by pixel, a menu bar, shortcuts, one timer per number, and an
// Escape poll fed by an application-wide key filter. Qt types stay in the
// implementation so the program and benchmarks can include this cheaply.

#include <memory>
#include <string>
#include <vector>

#include "platform/window_layer.h"

class QWidget;
struct QtLayerState;

// The filter list of the open-file dialog ("label|pattern|label|pattern")
// in Qt's form ("label (pattern);;label (pattern)"). A label that already
// names its pattern in brackets is kept as it is.
std::string QtFileFilter(const std::string& filterList);

class QtLayer : public WindowLayer {
public:
    // Whether a Qt window can be opened here (a display, or a platform such
    // as offscreen). When not, `why` says in one line what failed. Never
    // aborts; call it before constructing a QtLayer.
    static bool PlatformAvailable(std::string& why);

    // "Qt " and the version of the Qt library in use.
    static std::string ToolkitVersion();

    // Creates the QApplication, unless one exists already (tests make their
    // own); argc and argv must outlive the layer.
    QtLayer(int& argc, char** argv);
    ~QtLayer() override;
    QtLayer(const QtLayer&) = delete;
    QtLayer& operator=(const QtLayer&) = delete;

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

    // From now on SIGTERM and SIGINT raise Terminate instead of ending the
    // process at once, so that the program shuts down in whatever state it
    // is: in a Run, an animation, a message box or the open-file dialog.
    // One layer at a time takes them over; its destructor gives them back.
    // For the program, and for tests that send themselves a signal.
    void TerminateOnSignals();

    // The main window (nullptr before OpenWindow and after Release), for
    // tests and benchmarks. Like the other test hooks it changes nothing:
    // pictures asked for since Qt last ran are not yet on their labels.
    QWidget* MainWindowForTests();
    // The window of that number (nullptr when it is not open), for tests.
    QWidget* WindowForTests(int32_t window);
    // The widget of a control (nullptr for an unknown number), for tests.
    QWidget* ControlWidgetForTests(int32_t control);
    // Lets Qt run (painting what is pending), then saves the whole window,
    // menu bar included, as a PNG picture. False when there is no window or the file
    // cannot be written.
    bool SaveWindowPicture(const std::string& path);
    // The same for the open windows named, side by side in that order, their
    // top edges aligned; a window that is not open is left out.
    bool SaveWindowsPicture(const std::string& path, const std::vector<int32_t>& windows);

private:
    std::unique_ptr<QtLayerState> state_;
};
