#pragma once
#include "platform/window_layer.h"

// Fills the open main window: every control in its place and Tab order, the
// lamp pictures, the fixed-pitch font of the listing and the RAM dump, the
// menus and their keys. The front end calls it once, right after opening.
void BuildMainWindow(WindowLayer& layer);
