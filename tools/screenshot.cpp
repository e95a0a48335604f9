// Saves the README's pictures as a user sees them. Run it under a display
// (xvfb-run) with the output paths:
// - OUTPUT.png: the main window after loading the squaring example,
//   resetting and stepping three times;
// - OUTPUT.png SOURCE.asm BOTH.png: then also the main window and the
//   Source window side by side, after opening the source, setting a
//   breakpoint on the source line of its last label but one, running to it
//   and selecting the line of its first label;
// - --busicom ROM OUTPUT.png: the main window and the calculator's side by
//   side after 12.3 x 4.56 = was keyed on the calculator's program.

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "core/mcs4_step.h"
#include "frontend/app.h"
#include "frontend/controls.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "platform/qt/qt_layer.h"

namespace {

bool SaveSourcePicture(Workbench& workbench, QtLayer& layer, const std::string& source,
                       const std::string& output) {
    LoadProgramPath(workbench, layer, source);
    ResetCpuCommand(workbench, layer);
    const auto& labels = workbench.source.labels;
    if (labels.size() < 2) return false;
    layer.SelectLine(SourceControl::kLines,
                     LineOfAddress(workbench.source, labels[labels.size() - 2].first));
    HandleEvent(workbench, layer,
                Event{EventKind::Control, SourceControl::kLines, ControlEventType::Gutter});
    HandleEvent(workbench, layer, Event{EventKind::Menu, MenuItem::kRun, ControlEventType::Other});
    layer.SelectLine(SourceControl::kLines, LineOfAddress(workbench.source, labels[0].first));
    return layer.SaveWindowsPicture(output, {kMainWindow, kSourceWindow});
}

// The calculator keyed as a user would, each key given time to be read and
// the program time to print.
bool SaveBusicomPicture(Workbench& workbench, QtLayer& layer, const std::string& rom,
                        const std::string& output) {
    SelectMachine(workbench, layer, MachineKind::Busicom);
    LoadProgramPath(workbench, layer, rom);
    for (const char* name : {"1", "2", ".", "3", "*", "4", ".", "5", "6", "="}) {
        if (const BusicomKey* key = BusicomKeyByName(name)) {
            PressBusicomKey(ChangeMcs4(workbench), *key);
        }
        // Half a second of the chip's time per key, 4 seconds at the end.
        const int64_t until =
            workbench.mcs4.cycles + (std::strcmp(name, "=") == 0 ? 370000 : 46000);
        while (workbench.mcs4.cycles < until) StepMcs4<Mcs4Board::Busicom>(workbench.mcs4);
    }
    HandleEvent(workbench, layer, Event{EventKind::Menu, MenuItem::kStep, ControlEventType::Other});
    return layer.SaveWindowsPicture(output, {kMainWindow, kBusicomWindow});
}

}  // namespace

int main(int argc, char** argv) {
    const bool busicom = argc == 4 && std::strcmp(argv[1], "--busicom") == 0;
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr,
                     "usage: quodlet_screenshot OUTPUT.png [SOURCE.asm BOTH.png]\n"
                     "       quodlet_screenshot --busicom ROM OUTPUT.png\n");
        return 2;
    }
    std::string why;
    if (!QtLayer::PlatformAvailable(why)) {
        std::fprintf(stderr, "quodlet_screenshot: %s\n", why.c_str());
        return 1;
    }
    const std::string output = argv[argc - 1];
    int qtArgc = 1;
    QtLayer layer(qtArgc, argv);
    auto workbench = std::make_unique<Workbench>();
    if (!StartMainWindow(*workbench, layer)) {
        std::fprintf(stderr, "quodlet_screenshot: the main window could not be opened\n");
        return 1;
    }
    bool saved = false;
    if (busicom) {
        saved = SaveBusicomPicture(*workbench, layer, argv[2], output);
    } else {
        for (const int32_t item : {MenuItem::kExampleSquare, MenuItem::kResetCpu, MenuItem::kStep,
                                   MenuItem::kStep, MenuItem::kStep}) {
            HandleEvent(*workbench, layer, Event{EventKind::Menu, item, ControlEventType::Other});
        }
        saved = layer.SaveWindowPicture(argv[1]);
        if (saved && argc == 4) saved = SaveSourcePicture(*workbench, layer, argv[2], argv[3]);
    }
    layer.Release();
    if (!saved) {
        std::fprintf(stderr, "quodlet_screenshot: cannot write %s\n", output.c_str());
        return 1;
    }
    return 0;
}
