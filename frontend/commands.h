#pragma once
// The window's commands, in one table: each row of the menu bar in display
// order, and for a command its item number, text, shortcut key and
// handler. The menus, the shortcuts, the router of menu events and
// Help > Keyboard Shortcuts are all built from it, so a new command is one
// row here (and its MenuItem number in display/controls.h).

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "frontend/workbench.h"
#include "platform/window_layer.h"

enum class MenuRow { Title, Command, Separator, Submenu, EndSubmenu };

using CommandHandler = void (*)(Workbench& workbench, WindowLayer& layer);
// Whether a checkable command's mark is on.
using CommandCheck = bool (*)(const Workbench& workbench);

struct CommandRow {
    MenuRow row;
    int32_t item = 0;                // Command: the menu item number its events carry
    std::string_view text{};         // "&" marks the mnemonic; no key label
    int32_t key = 0;                 // Command: its shortcut's key code, 0 for none
    CommandHandler run = nullptr;    // Command: what it does; none for Quit, which ends the loop
    CommandCheck checked = nullptr;  // Command: for a checkable one, whether it is checked
};

// Every row of the menu bar, in display order.
std::span<const CommandRow> CommandTable();

// The name of a key code as a menu shows it: "F7", "Ctrl+O", "Shift+F7".
std::string KeyLabel(int32_t keyCode);

// Builds the menu bar and the shortcuts from the table. Without a menu bar
// there are neither menus nor shortcuts; the controls work all the same.
void BuildMenus(WindowLayer& layer);

// Carries out the command of a menu item and brings the marks of the
// checkable items up to date; false for Quit. An item no row has does
// nothing.
bool RunCommand(Workbench& workbench, WindowLayer& layer, int32_t item);

// Sets the mark of every checkable item as the workbench stands.
void UpdateMenuChecks(const Workbench& workbench, WindowLayer& layer);

// Gives a window of the program's own the menu bar's shortcuts, so that
// they work while it is the active one.
void AddShortcutsTo(WindowLayer& layer, int32_t window);

// Help > Keyboard Shortcuts: a line per key, the key and what it does
// separated by a tab, lines by "\r\n".
std::string KeyboardShortcutsText();

// Help > About Quodlet: the version, what the program is, its licence and,
// when given, the toolkit it runs on.
std::string AboutText(const std::string& toolkitVersion);
