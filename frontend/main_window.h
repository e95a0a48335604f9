#pragma once
#include <string>

#include "platform/window_layer.h"

// Fills the open main window: every control in its place and Tab order, the
// lamp pictures, the fixed-pitch font of the listing and the RAM dump, the
// menus and their keys. The front end calls it once, right after opening.
void BuildMainWindow(WindowLayer& layer);

// Help > Keyboard Shortcuts: a line per key, the key and what it does
// separated by a tab, lines by "\r\n".
std::string KeyboardShortcutsText();

// Help > About Quodlet: the version, what the program is, its licence and,
// when given, the toolkit it runs on.
std::string AboutText(const std::string& toolkitVersion);
