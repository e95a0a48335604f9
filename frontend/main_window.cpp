#include "frontend/main_window.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "data/lamps.h"
#include "frontend/controls.h"

namespace {

struct ControlLayout {
    int32_t number;
    ControlKind kind;
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    const char* text;
    bool centred;
};

constexpr bool kCentred = true;
constexpr bool kLeft = false;

// Every control of the main window in the order of its creation, which is
// also the Tab order. Register n: label 19 + n above field n, column n mod 2,
// row n div 2. The lamps stand right to left: 38 (bit 0) at x 320 down to
// 41 (bit 3) at x 260, so the port reads as a binary number.
constexpr std::array<ControlLayout, Control::kCount> kControls = {{
    {19, ControlKind::Label, 0, 0, 40, 20, "R0", kCentred},
    {0, ControlKind::TextField, 0, 20, 40, 20, "FF", kLeft},
    {20, ControlKind::Label, 40, 0, 40, 20, "R1", kCentred},
    {1, ControlKind::TextField, 40, 20, 40, 20, "FF", kLeft},
    {21, ControlKind::Label, 0, 40, 40, 20, "R2", kCentred},
    {2, ControlKind::TextField, 0, 60, 40, 20, "FF", kLeft},
    {22, ControlKind::Label, 40, 40, 40, 20, "R3", kCentred},
    {3, ControlKind::TextField, 40, 60, 40, 20, "FF", kLeft},
    {23, ControlKind::Label, 0, 80, 40, 20, "R4", kCentred},
    {4, ControlKind::TextField, 0, 100, 40, 20, "FF", kLeft},
    {24, ControlKind::Label, 40, 80, 40, 20, "R5", kCentred},
    {5, ControlKind::TextField, 40, 100, 40, 20, "FF", kLeft},
    {25, ControlKind::Label, 0, 120, 40, 20, "R6", kCentred},
    {6, ControlKind::TextField, 0, 140, 40, 20, "FF", kLeft},
    {26, ControlKind::Label, 40, 120, 40, 20, "R7", kCentred},
    {7, ControlKind::TextField, 40, 140, 40, 20, "FF", kLeft},
    {27, ControlKind::Label, 0, 160, 40, 20, "R8", kCentred},
    {8, ControlKind::TextField, 0, 180, 40, 20, "FF", kLeft},
    {28, ControlKind::Label, 40, 160, 40, 20, "R9", kCentred},
    {9, ControlKind::TextField, 40, 180, 40, 20, "FF", kLeft},
    {29, ControlKind::Label, 0, 200, 40, 20, "R10", kCentred},
    {10, ControlKind::TextField, 0, 220, 40, 20, "FF", kLeft},
    {30, ControlKind::Label, 40, 200, 40, 20, "R11", kCentred},
    {11, ControlKind::TextField, 40, 220, 40, 20, "FF", kLeft},
    {31, ControlKind::Label, 0, 240, 40, 20, "R12", kCentred},
    {12, ControlKind::TextField, 0, 260, 40, 20, "FF", kLeft},
    {32, ControlKind::Label, 40, 240, 40, 20, "R13", kCentred},
    {13, ControlKind::TextField, 40, 260, 40, 20, "FF", kLeft},
    {33, ControlKind::Label, 0, 280, 40, 20, "R14", kCentred},
    {14, ControlKind::TextField, 0, 300, 40, 20, "FF", kLeft},
    {34, ControlKind::Label, 40, 280, 40, 20, "R15", kCentred},
    {15, ControlKind::TextField, 40, 300, 40, 20, "FF", kLeft},
    {Control::kCarry, ControlKind::CheckBox, 80, 0, 30, 20, "C", kLeft},
    {Control::kAccumulatorLabel, ControlKind::Label, 110, 0, 30, 20, "A", kCentred},
    {Control::kAccumulator, ControlKind::TextField, 140, 0, 20, 20, "AA", kCentred},
    {Control::kProgramCounterLabel, ControlKind::Label, 160, 0, 40, 20, "PC", kCentred},
    {Control::kProgramCounter, ControlKind::TextField, 200, 0, 40, 20, "FF", kCentred},
    {Control::kCodeListing, ControlKind::List, 90, 20, 200, 420, "", kLeft},
    {Control::kStack, ControlKind::List, 295, 20, 40, 50, "", kLeft},
    // The field limits and the lamp images come between the lists and the
    // lamps (kControlsBeforeLamps).
    {38, ControlKind::Image, 320, 0, 16, 16, "", kLeft},
    {39, ControlKind::Image, 300, 0, 16, 16, "", kLeft},
    {40, ControlKind::Image, 280, 0, 16, 16, "", kLeft},
    {41, ControlKind::Image, 260, 0, 16, 16, "", kLeft},
    {Control::kSrc, ControlKind::ReadOnlyTextField, 340, 0, 290, 20, "src", kCentred},
    {Control::kRamDump, ControlKind::MultiLineText, 295, 105, 340, 335, "", kLeft},
}};
constexpr size_t kControlsBeforeLamps = 39;
static_assert(kControls[kControlsBeforeLamps].number == Control::kFirstLamp);

constexpr int32_t kRegisterDigits = 2;
constexpr int32_t kProgramCounterDigits = 4;
constexpr char kListingFace[] = "Courier";
constexpr int32_t kListingPoints = 8;

enum class MenuEntryKind { Title, Item, Separator, Submenu, EndSubmenu };

struct MenuEntry {
    MenuEntryKind kind;
    int32_t item;
    const char* text;
};

// The menu bar in display order; item numbers are not in display order.
// "&" marks each entry's mnemonic, unique within its menu.
constexpr std::array<MenuEntry, 24> kMenus = {{
    {MenuEntryKind::Title, 0, "&File"},
    {MenuEntryKind::Item, MenuItem::kOpen, "&Open\tCtrl+O"},
    {MenuEntryKind::Item, MenuItem::kReload, "&Reload\tCtrl+R"},
    {MenuEntryKind::Item, MenuItem::kQuit, "&Quit"},
    {MenuEntryKind::Title, 0, "&Debug"},
    {MenuEntryKind::Item, MenuItem::kResetCpu, "&Reset CPU"},
    {MenuEntryKind::Item, MenuItem::kZeroRom, "&Zero ROM"},
    {MenuEntryKind::Separator, 0, ""},
    {MenuEntryKind::Item, MenuItem::kAnimate, "&Animate"},
    {MenuEntryKind::Item, MenuItem::kStep, "&Step\tF7"},
    {MenuEntryKind::Item, MenuItem::kRun, "R&un\tF5"},
    {MenuEntryKind::Submenu, 0, "&Examples"},
    {MenuEntryKind::Item, MenuItem::kExampleSum, "&1. R2R3=R6+R7"},
    {MenuEntryKind::Item, MenuItem::kExampleSquare, "&2. A^2"},
    {MenuEntryKind::EndSubmenu, 0, ""},
    {MenuEntryKind::Separator, 0, ""},
    {MenuEntryKind::Item, MenuItem::kStepOver, "Step &Over\tF8"},
    {MenuEntryKind::Item, MenuItem::kRunToCursor, "Run &to Cursor\tF4"},
    {MenuEntryKind::Item, MenuItem::kToggleBreakpoint, "Toggle &Breakpoint\tF9"},
    {MenuEntryKind::Item, MenuItem::kClearBreakpoints, "&Clear Breakpoints"},
    {MenuEntryKind::Item, MenuItem::kStepBack, "Step Bac&k\tShift+F7"},
    {MenuEntryKind::Title, 0, "&Help"},
    {MenuEntryKind::Item, MenuItem::kKeyboardShortcuts, "&Keyboard Shortcuts"},
    {MenuEntryKind::Item, MenuItem::kAbout, "&About Quodlet"},
}};

struct Shortcut {
    int32_t keyCode;
    int32_t item;
};

constexpr std::array<Shortcut, 8> kShortcuts = {{
    {KeyCode::kF5, MenuItem::kRun},
    {KeyCode::kF7, MenuItem::kStep},
    {KeyCode::kCtrlO, MenuItem::kOpen},
    {KeyCode::kCtrlR, MenuItem::kReload},
    {KeyCode::kF8, MenuItem::kStepOver},
    {KeyCode::kF4, MenuItem::kRunToCursor},
    {KeyCode::kF9, MenuItem::kToggleBreakpoint},
    {KeyCode::kShift | KeyCode::kF7, MenuItem::kStepBack},
}};

// The name by which screen readers and UI automation find a control that
// shows part of the machine; captions need none, their text is their name.
std::string AccessibleNameOf(int32_t number) {
    if (number >= Control::kFirstRegister && number < Control::kFirstRegister + kRegisterCount) {
        std::string name = "R";  // appended, not "R" + ...: GCC 12 warns falsely on that
        return name += std::to_string(number - Control::kFirstRegister);
    }
    if (number >= Control::kFirstLamp && number < Control::kFirstLamp + kLampCount) {
        std::string name = "Lamp bit ";
        return name += std::to_string(number - Control::kFirstLamp);
    }
    switch (number) {
        case Control::kAccumulator: return "Accumulator";
        case Control::kProgramCounter: return "Program counter";
        case Control::kCarry: return "Carry";
        case Control::kCodeListing: return "Code listing";
        case Control::kStack: return "Stack";
        case Control::kSrc: return "SRC";
        case Control::kRamDump: return "RAM";
        default: return std::string();
    }
}

void CreateControls(WindowLayer& layer, std::span<const ControlLayout> controls) {
    for (const ControlLayout& c : controls) {
        layer.CreateControl(kMainWindow, c.kind, c.number, c.x, c.y, c.width, c.height, c.text,
                            c.centred);
        const std::string name = AccessibleNameOf(c.number);
        if (!name.empty()) layer.SetAccessibleName(c.number, name);
        // A lamp starts dark.
        if (c.kind == ControlKind::Image) layer.ShowImage(c.number, Image::kLampOff);
    }
}

void LimitFields(WindowLayer& layer) {
    for (int32_t n = 0; n < kRegisterCount; ++n)
        layer.LimitText(Control::kFirstRegister + n, kRegisterDigits);
    layer.LimitText(Control::kProgramCounter, kProgramCounterDigits);
    layer.LimitText(Control::kAccumulator, kRegisterDigits);
}

void GiveListingFont(WindowLayer& layer) {
    const int32_t font = layer.CreateFont(kListingFace, kListingPoints);
    if (font < 0) return;  // both keep the default font
    layer.SetFont(Control::kCodeListing, font);
    layer.SetFont(Control::kRamDump, font);
}

// The menu bar and the shortcuts. Without a menu bar there are neither
// menus nor shortcuts; the controls work all the same.
void BuildMenus(WindowLayer& layer) {
    if (!layer.CreateMenuBar(kMainWindow)) return;
    for (const MenuEntry& entry : kMenus) {
        switch (entry.kind) {
            case MenuEntryKind::Title: layer.AddMenuTitle(entry.text); break;
            case MenuEntryKind::Item: layer.AddMenuItem(entry.item, entry.text); break;
            case MenuEntryKind::Separator: layer.AddMenuSeparator(); break;
            case MenuEntryKind::Submenu: layer.OpenSubmenu(entry.text); break;
            case MenuEntryKind::EndSubmenu: layer.CloseSubmenu(); break;
        }
    }
    for (const Shortcut& shortcut : kShortcuts) {
        layer.AddShortcut(kMainWindow, shortcut.keyCode, shortcut.item);
    }
}

// A menu text as the user reads it: without the mnemonic marks and the
// shortcut's label.
std::string ReadableMenuText(std::string_view text) {
    std::string readable;
    for (size_t i = 0; i < text.size() && text[i] != '\t'; ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        readable += text[i];
    }
    return readable;
}

}  // namespace

std::string KeyboardShortcutsText() {
    std::string text;
    for (const MenuEntry& entry : kMenus) {
        const std::string_view entryText = entry.text;
        const size_t tab = entryText.find('\t');
        if (entry.kind != MenuEntryKind::Item || tab == std::string_view::npos) continue;
        text +=
            std::string(entryText.substr(tab + 1)) + "\t" + ReadableMenuText(entryText) + "\r\n";
    }
    text += "Escape, held\tStops a Run or an animation\r\n";
    for (const MenuEntry& entry : kMenus) {
        if (entry.kind != MenuEntryKind::Title) continue;
        const std::string_view title = entry.text;
        const size_t mark = title.find('&');
        if (mark == std::string_view::npos || mark + 1 >= title.size()) continue;
        text += "Alt+" + std::string(1, title[mark + 1]) + "\tOpens the " +
                ReadableMenuText(title) + " menu\r\n";
    }
    text += "Underlined letter\tChooses that entry of an open menu";
    return text;
}

std::string AboutText(const std::string& toolkitVersion) {
    std::string text = std::string("Quodlet ") + QUODLET_VERSION +
                       "\r\nAn emulator and single-step debugger for the Intel 4004."
                       "\r\nLicence: MIT";
    if (!toolkitVersion.empty()) text += "\r\nBuilt on " + toolkitVersion;
    return text;
}

void BuildMainWindow(WindowLayer& layer) {
    const std::span<const ControlLayout> controls(kControls);
    CreateControls(layer, controls.first(kControlsBeforeLamps));
    LimitFields(layer);
    layer.CreateImage(Image::kLampOff, LampPicture(Image::kLampOff));
    layer.CreateImage(Image::kLampOn, LampPicture(Image::kLampOn));
    CreateControls(layer, controls.subspan(kControlsBeforeLamps));
    GiveListingFont(layer);
    BuildMenus(layer);
}
