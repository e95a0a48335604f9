#pragma once
// The main window as it is meant to be, written down once for the tests of
// both window layers: every control in creation order with its place, text,
// limit and accessible name; the menu bar; the shortcuts. Written from the
// layout, not from frontend/main_window.cpp, so that a slip there shows.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_layer.h"

struct ExpectedControl {
    int32_t number;
    ControlKind kind;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    std::string text;
    bool centred;
    int32_t maxChars;            // what the user may type; -1 for no limit
    std::string accessibleName;  // empty for a caption, whose text names it
};

// In creation order, which is also the Tab order. Register n: label 19 + n
// above field n, in column n mod 2 and row n div 2 of the register block.
inline std::vector<ExpectedControl> ExpectedControls() {
    std::vector<ExpectedControl> expected;
    for (int32_t n = 0; n < 16; ++n) {
        const int32_t x = 40 * (n % 2);
        const int32_t y = 40 * (n / 2);
        std::string name = "R";  // appended: GCC 12 warns falsely on "R" + ...
        name += std::to_string(n);
        expected.push_back({19 + n, ControlKind::Label, x, y, 40, 20, name, true, -1, ""});
        expected.push_back({n, ControlKind::TextField, x, y + 20, 40, 20, "FF", false, 2, name});
    }
    const std::vector<ExpectedControl> rest = {
        {18, ControlKind::CheckBox, 80, 0, 30, 20, "C", false, -1, "Carry"},
        {35, ControlKind::Label, 110, 0, 30, 20, "A", true, -1, ""},
        {16, ControlKind::TextField, 140, 0, 20, 20, "AA", true, 2, "Accumulator"},
        {36, ControlKind::Label, 160, 0, 40, 20, "PC", true, -1, ""},
        {17, ControlKind::TextField, 200, 0, 40, 20, "FF", true, 4, "Program counter"},
        {37, ControlKind::List, 90, 20, 200, 420, "", false, -1, "Code listing"},
        {42, ControlKind::List, 295, 20, 40, 50, "", false, -1, "Stack"},
        // The lamps stand right to left: bit 0 rightmost.
        {38, ControlKind::Image, 320, 0, 16, 16, "", false, -1, "Lamp bit 0"},
        {39, ControlKind::Image, 300, 0, 16, 16, "", false, -1, "Lamp bit 1"},
        {40, ControlKind::Image, 280, 0, 16, 16, "", false, -1, "Lamp bit 2"},
        {41, ControlKind::Image, 260, 0, 16, 16, "", false, -1, "Lamp bit 3"},
        {43, ControlKind::ReadOnlyTextField, 340, 0, 290, 20, "src", true, -1, "SRC"},
        {44, ControlKind::MultiLineText, 295, 105, 340, 335, "", false, -1, "RAM"},
    };
    expected.insert(expected.end(), rest.begin(), rest.end());
    return expected;
}

// The menu bar in display order, one entry per call that builds it, as the
// headless layer logs them: texts as read, without their mnemonic marks.
inline const std::vector<std::string> kExpectedMenuLog = {
    "title File",
    "item 0 Open\tCtrl+O",
    "item 9 Reload\tCtrl+R",
    "item 25 Reload on Change",
    "item 1 Quit",
    "title Debug",
    "item 2 Reset CPU",
    "item 3 Zero ROM",
    "separator",
    "item 6 Animate",
    "item 4 Step\tF7",
    "item 5 Run\tF5",
    "submenu Examples",
    "item 7 1. R2R3=R6+R7",
    "item 8 2. A^2",
    "end submenu",
    // The debugger's commands, after a separator at the end of Debug.
    "separator",
    "item 10 Step Over\tF8",
    "item 23 Step Out\tShift+F8",
    "item 11 Run to Cursor\tF4",
    "item 12 Toggle Breakpoint\tF9",
    "item 13 Clear Breakpoints",
    "item 14 Step Back\tShift+F7",
    "item 24 Go to Address...\tCtrl+G",
    // The MCS-4 system's optional stops, after a separator at the end of Debug.
    "separator",
    "item 21 Stop on Undefined Opcode",
    "item 22 Stop on Stack Overflow",
    // The machines, between Debug and Help.
    "title Machine",
    "item 17 Compatible Machine",
    "item 18 Intel MCS-4 System",
    "item 19 MCS-4 Exerciser Board",
    "item 40 Busicom 141-PF Calculator",
    "separator",
    "item 20 MCS-4 System Window",
    "item 26 Source Window",
    "item 41 Calculator Window",
    "submenu Speed",
    "item 42 Full Speed",
    "item 43 Real Time 1x",
    "item 44 Real Time 10x",
    "item 45 Real Time 100x",
    "end submenu",
    "title Help",
    "item 15 Keyboard Shortcuts",
    "item 16 About Quodlet",
};

struct ExpectedShortcut {
    int32_t keyCode;
    int32_t item;
};

inline const std::vector<ExpectedShortcut> kExpectedShortcuts = {
    {0x74, 5},      // F5: Run
    {0x76, 4},      // F7: Step
    {0x2004F, 0},   // Ctrl+O: Open
    {0x20052, 9},   // Ctrl+R: Reload
    {0x77, 10},     // F8: Step Over
    {0x73, 11},     // F4: Run to Cursor
    {0x78, 12},     // F9: Toggle Breakpoint
    {0x10076, 14},  // Shift+F7: Step Back
    {0x10077, 23},  // Shift+F8: Step Out
    {0x20047, 24},  // Ctrl+G: Go to Address
};
