#include "frontend/app.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "display/opcode_tables.h"
#include "frontend/breakpoint_marks.h"
#include "frontend/busicom_window.h"
#include "frontend/commands.h"
#include "frontend/controls.h"
#include "frontend/loading.h"
#include "frontend/main_window.h"
#include "frontend/mcs4_window.h"
#include "frontend/run_control.h"
#include "frontend/source_window.h"

namespace {

// RunQuodlet's exit code when the main window cannot be opened.
constexpr int kNoWindow = 1;

// The working directory, ending in a separator; empty (the dialog's own
// choice) when it cannot be determined.
std::string WorkingFolder() {
    std::error_code error;
    std::string folder = std::filesystem::current_path(error).string();
    if (error || folder.empty()) return std::string();
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    return folder;
}

}  // namespace

int RunQuodlet(Workbench& workbench, WindowLayer& layer, const std::string& programFile) {
    if (!StartMainWindow(workbench, layer)) return kNoWindow;
    if (!programFile.empty()) LoadProgramPath(workbench, layer, programFile);
    for (;;) {
        const Event event = layer.WaitEvent();
        if (!HandleEvent(workbench, layer, event)) break;
    }
    // An animation in progress is simply abandoned.
    layer.FreeImage(Image::kLampOff);
    layer.FreeImage(Image::kLampOn);
    layer.Release();
    return 0;
}

bool StartMainWindow(Workbench& workbench, WindowLayer& layer) {
    if (!layer.OpenWindow(kMainWindow, kWindowWidth, kWindowHeight,
                          WindowTitle(workbench.machine))) {
        layer.Release();
        return false;
    }
    BuildMainWindow(layer);
    StartUp(workbench, layer);
    return true;
}

void StartUp(Workbench& workbench, WindowLayer& layer) {
    workbench.loadFolder = WorkingFolder();
    workbench.programLength = kProgramLengthBeforeLoading;
    FillOpcodeTables(workbench.tables);
    FillOpcodeTables(workbench.mcs4Tables, true);
    if (Mcs4Chosen(workbench)) SyncMcs4Rom(workbench);
    UpdateMenuChecks(workbench, layer);
    // A reset machine, shown, with the listing from address 0.
    ResetCpuCommand(workbench, layer);
    if (workbench.machine == MachineKind::Busicom) ShowBusicomWindow(workbench, layer);
}

bool HandleEvent(Workbench& workbench, WindowLayer& layer, const Event& event) {
    // What happens in the MCS-4 system's window, its close button included.
    if (Mcs4WindowEvent(workbench, layer, event)) return true;
    // The Source window's, and the watched file's changes.
    if (SourceWindowEvent(workbench, layer, event)) return true;
    // And in the calculator's, its keys typed on the keyboard included.
    if (BusicomWindowEvent(workbench, layer, event)) return true;
    switch (event.kind) {
        case EventKind::Close:
        case EventKind::Terminate: return false;
        case EventKind::Menu: return RunCommand(workbench, layer, event.number);
        case EventKind::Control:
            if (event.number == Control::kCodeListing &&
                event.type == ControlEventType::DoubleClick) {
                ToggleBreakpointCommand(workbench, layer);
            } else {
                ApplyFieldEdit(workbench, layer, event);
            }
            break;
        case EventKind::Timer:
            if (event.number == kAnimationTimer) AnimationTick(workbench, layer);
            break;
        case EventKind::FileChanged:
        case EventKind::None: break;
    }
    return true;
}
