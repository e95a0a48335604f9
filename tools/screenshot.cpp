// Saves a picture of the main window as a user sees it after loading the
// squaring example, resetting and stepping three times: the README's
// screenshot. Run it under a display (xvfb-run) with the output path.

#include <cstdio>
#include <memory>
#include <string>

#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/qt/qt_layer.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quodlet_screenshot OUTPUT.png\n");
        return 2;
    }
    std::string why;
    if (!QtLayer::PlatformAvailable(why)) {
        std::fprintf(stderr, "quodlet_screenshot: %s\n", why.c_str());
        return 1;
    }
    const std::string output = argv[1];
    int qtArgc = 1;
    QtLayer layer(qtArgc, argv);
    auto workbench = std::make_unique<Workbench>();
    if (!StartMainWindow(*workbench, layer)) {
        std::fprintf(stderr, "quodlet_screenshot: the main window could not be opened\n");
        return 1;
    }
    for (const int32_t item : {MenuItem::kExampleSquare, MenuItem::kResetCpu, MenuItem::kStep,
                               MenuItem::kStep, MenuItem::kStep}) {
        HandleEvent(*workbench, layer, Event{EventKind::Menu, item, ControlEventType::Other});
    }
    const bool saved = layer.SaveWindowPicture(output);
    layer.Release();
    if (!saved) {
        std::fprintf(stderr, "quodlet_screenshot: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
