#include "frontend/commands.h"

#include <array>

#include "data/examples.h"
#include "display/controls.h"
#include "frontend/breakpoint_marks.h"
#include "frontend/busicom_window.h"
#include "frontend/controls.h"
#include "frontend/listing.h"
#include "frontend/loading.h"
#include "frontend/mcs4_window.h"
#include "frontend/run_control.h"
#include "frontend/source_window.h"
#include "platform/key_codes.h"

namespace {

void ShowKeyboardShortcuts(Workbench& /*workbench*/, WindowLayer& layer) {
    layer.Show("Keyboard Shortcuts", KeyboardShortcutsText());
}

void ShowAbout(Workbench& workbench, WindowLayer& layer) {
    layer.Show("About Quodlet", AboutText(workbench.toolkitVersion));
}

template <MachineKind machine>
void Choose(Workbench& workbench, WindowLayer& layer) {
    SelectMachine(workbench, layer, machine);
}
template <MachineKind machine>
bool Chosen(const Workbench& workbench) {
    return workbench.machine == machine;
}

// A Run of the MCS-4 machines at full speed (0) or keeping real time.
template <int32_t speed>
void SetSpeed(Workbench& workbench, WindowLayer& /*layer*/) {
    workbench.speed = speed;
}
template <int32_t speed>
bool SpeedIs(const Workbench& workbench) {
    return workbench.speed == speed;
}

// The menu bar in display order; item numbers are not in display order.
// "&" marks each entry's mnemonic, unique within its menu.
constexpr auto kCommands = std::to_array<CommandRow>({
    {MenuRow::Title, 0, "&File"},
    {MenuRow::Command, MenuItem::kOpen, "&Open", KeyCode::kCtrlO, LoadProgramFile},
    {MenuRow::Command, MenuItem::kReload, "&Reload", KeyCode::kCtrlR, ReloadProgramFile},
    {MenuRow::Command, MenuItem::kReloadOnChange, "Reload on &Change", 0, ToggleReloadOnChange,
     [](const Workbench& workbench) { return workbench.reloadOnChange; }},
    {MenuRow::Command, MenuItem::kQuit, "&Quit"},
    {MenuRow::Title, 0, "&Debug"},
    {MenuRow::Command, MenuItem::kResetCpu, "&Reset CPU", 0, ResetCpuCommand},
    {MenuRow::Command, MenuItem::kZeroRom, "&Zero ROM", 0, ZeroRomCommand},
    {MenuRow::Separator},
    {MenuRow::Command, MenuItem::kAnimate, "&Animate", 0, AnimateCommand},
    {MenuRow::Command, MenuItem::kStep, "&Step", KeyCode::kF7, StepCommand},
    {MenuRow::Command, MenuItem::kRun, "R&un", KeyCode::kF5, RunProgram},
    {MenuRow::Submenu, 0, "&Examples"},
    {MenuRow::Command, MenuItem::kExampleSum, "&1. R2R3=R6+R7", 0,
     [](Workbench& workbench, WindowLayer& layer) { LoadExample(workbench, layer, ExampleSum); }},
    {MenuRow::Command, MenuItem::kExampleSquare, "&2. A^2", 0,
     [](Workbench& workbench, WindowLayer& layer) {
         LoadExample(workbench, layer, ExampleSquare);
     }},
    {MenuRow::EndSubmenu},
    {MenuRow::Separator},
    {MenuRow::Command, MenuItem::kStepOver, "Step &Over", KeyCode::kF8, StepOverCommand},
    {MenuRow::Command, MenuItem::kStepOut, "Ste&p Out", KeyCode::kShift | KeyCode::kF8,
     StepOutCommand},
    {MenuRow::Command, MenuItem::kRunToCursor, "Run &to Cursor", KeyCode::kF4, RunToCursorCommand},
    {MenuRow::Command, MenuItem::kToggleBreakpoint, "Toggle &Breakpoint", KeyCode::kF9,
     ToggleBreakpointCommand},
    {MenuRow::Command, MenuItem::kClearBreakpoints, "&Clear Breakpoints", 0,
     ClearBreakpointsCommand},
    {MenuRow::Command, MenuItem::kStepBack, "Step Bac&k", KeyCode::kShift | KeyCode::kF7,
     StepBackCommand},
    {MenuRow::Command, MenuItem::kGoToAddress, "&Go to Address...", KeyCode::kCtrlG,
     GoToAddressCommand},
    // The MCS-4 system's optional stops.
    {MenuRow::Separator},
    {MenuRow::Command, MenuItem::kStopOnUndefined, "Stop on Un&defined Opcode", 0,
     [](Workbench& workbench, WindowLayer& /*layer*/) {
         workbench.stops.undefinedOpcode = !workbench.stops.undefinedOpcode;
     },
     [](const Workbench& workbench) { return workbench.stops.undefinedOpcode; }},
    {MenuRow::Command, MenuItem::kStopOnOverflow, "Stop on Stack O&verflow", 0,
     [](Workbench& workbench, WindowLayer& /*layer*/) {
         workbench.stops.stackOverflow = !workbench.stops.stackOverflow;
     },
     [](const Workbench& workbench) { return workbench.stops.stackOverflow; }},
    {MenuRow::Title, 0, "&Machine"},
    {MenuRow::Command, MenuItem::kMachineCompatible, "&Compatible Machine", 0,
     Choose<MachineKind::Compatible>, Chosen<MachineKind::Compatible>},
    {MenuRow::Command, MenuItem::kMachineMcs4, "Intel &MCS-4 System", 0, Choose<MachineKind::Mcs4>,
     Chosen<MachineKind::Mcs4>},
    {MenuRow::Command, MenuItem::kMachineExerciser, "MCS-4 &Exerciser Board", 0,
     Choose<MachineKind::Exerciser>, Chosen<MachineKind::Exerciser>},
    {MenuRow::Command, MenuItem::kMachineBusicom, "&Busicom 141-PF Calculator", 0,
     Choose<MachineKind::Busicom>, Chosen<MachineKind::Busicom>},
    {MenuRow::Separator},
    {MenuRow::Command, MenuItem::kMcs4Window, "MCS-4 System &Window", 0, ShowMcs4Window},
    {MenuRow::Command, MenuItem::kSourceWindow, "&Source Window", 0, ShowSourceWindow},
    {MenuRow::Command, MenuItem::kBusicomWindow, "C&alculator Window", 0, ShowBusicomWindow},
    {MenuRow::Submenu, 0, "S&peed"},
    {MenuRow::Command, MenuItem::kSpeedFull, "&Full Speed", 0, SetSpeed<0>, SpeedIs<0>},
    {MenuRow::Command, MenuItem::kSpeed1x, "Real Time &1x", 0, SetSpeed<1>, SpeedIs<1>},
    {MenuRow::Command, MenuItem::kSpeed10x, "Real Time 1&0x", 0, SetSpeed<10>, SpeedIs<10>},
    {MenuRow::Command, MenuItem::kSpeed100x, "Real Time 100&x", 0, SetSpeed<100>, SpeedIs<100>},
    {MenuRow::EndSubmenu},
    {MenuRow::Title, 0, "&Help"},
    {MenuRow::Command, MenuItem::kKeyboardShortcuts, "&Keyboard Shortcuts", 0,
     ShowKeyboardShortcuts},
    {MenuRow::Command, MenuItem::kAbout, "&About Quodlet", 0, ShowAbout},
});

// A menu text as the user reads it: without the mnemonic marks.
std::string ReadableMenuText(std::string_view text) {
    std::string readable;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        readable += text[i];
    }
    return readable;
}

}  // namespace

std::span<const CommandRow> CommandTable() {
    return kCommands;
}

std::string KeyLabel(int32_t keyCode) {
    std::string label;
    if ((keyCode & KeyCode::kControl) != 0) label += "Ctrl+";
    if ((keyCode & KeyCode::kShift) != 0) label += "Shift+";
    if ((keyCode & KeyCode::kAlt) != 0) label += "Alt+";
    const int32_t key = keyCode & KeyCode::kKeyMask;
    if (key >= KeyCode::kF1 && key < KeyCode::kF1 + 24) {
        label += "F" + std::to_string(key - KeyCode::kF1 + 1);
    } else if (key == KeyCode::kEscape) {
        label += "Escape";
    } else {
        label += static_cast<char>(key);
    }
    return label;
}

void BuildMenus(WindowLayer& layer) {
    if (!layer.CreateMenuBar(kMainWindow)) return;
    for (const CommandRow& row : kCommands) {
        const std::string text(row.text);
        switch (row.row) {
            case MenuRow::Title: layer.AddMenuTitle(text); break;
            case MenuRow::Command:
                layer.AddMenuItem(row.item, row.key == 0 ? text : text + "\t" + KeyLabel(row.key));
                break;
            case MenuRow::Separator: layer.AddMenuSeparator(); break;
            case MenuRow::Submenu: layer.OpenSubmenu(text); break;
            case MenuRow::EndSubmenu: layer.CloseSubmenu(); break;
        }
    }
    AddShortcutsTo(layer, kMainWindow);
}

void AddShortcutsTo(WindowLayer& layer, int32_t window) {
    for (const CommandRow& row : kCommands) {
        if (row.row == MenuRow::Command && row.key != 0)
            layer.AddShortcut(window, row.key, row.item);
    }
}

void UpdateMenuChecks(const Workbench& workbench, WindowLayer& layer) {
    for (const CommandRow& row : kCommands) {
        if (row.checked != nullptr) layer.SetMenuCheck(row.item, row.checked(workbench));
    }
}

bool RunCommand(Workbench& workbench, WindowLayer& layer, int32_t item) {
    if (item == MenuItem::kQuit) return false;
    for (const CommandRow& row : kCommands) {
        if (row.row == MenuRow::Command && row.item == item && row.run != nullptr) {
            row.run(workbench, layer);
            UpdateMenuChecks(workbench, layer);
            break;
        }
    }
    return true;
}

std::string KeyboardShortcutsText() {
    std::string text;
    for (const CommandRow& row : kCommands) {
        if (row.row != MenuRow::Command || row.key == 0) continue;
        text += KeyLabel(row.key) + "\t" + ReadableMenuText(row.text) + "\r\n";
    }
    text += "Escape, held\tStops a Run or an animation\r\n";
    text +=
        "F9 in the Source window\tSets or clears the selected line's breakpoint (so does a "
        "click in its gutter)\r\n"
        "F4 in the Source window\tRuns to the selected line\r\n"
        "Ctrl+F in the Source window\tFinds a text in the source\r\n"
        "Ctrl+G in the Source window\tSelects the line of a label or an address\r\n";
    for (const CommandRow& row : kCommands) {
        if (row.row != MenuRow::Title) continue;
        const size_t mark = row.text.find('&');
        if (mark == std::string_view::npos || mark + 1 >= row.text.size()) continue;
        text += "Alt+" + std::string(1, row.text[mark + 1]) + "\tOpens the " +
                ReadableMenuText(row.text) + " menu\r\n";
    }
    text += "Underlined letter\tChooses that entry of an open menu\r\n";
    text += BusicomKeyboardText();
    return text;
}

std::string AboutText(const std::string& toolkitVersion) {
    std::string text = std::string("Quodlet ") + QUODLET_VERSION +
                       "\r\nAn emulator and single-step debugger for the Intel 4004."
                       "\r\nLicence: MIT";
    if (!toolkitVersion.empty()) text += "\r\nBuilt on " + toolkitVersion;
    return text;
}
