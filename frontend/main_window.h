#pragma once
#include "platform/window_layer.h"

// Creates the 45 controls, the two lamp images, the listing font, the menu
// bar and the three shortcuts of the main window (window 0 must be open).
void BuildMainWindow(WindowLayer& layer);
