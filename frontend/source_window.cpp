#include "frontend/source_window.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/hex.h"
#include "debug/breakpoints.h"
#include "display/controls.h"
#include "frontend/breakpoint_marks.h"
#include "frontend/commands.h"
#include "frontend/controls.h"
#include "frontend/listing.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"

namespace {

constexpr int32_t kTabWidth = 8;
constexpr int32_t kLinesHeight = 360;
constexpr int32_t kWarningsHeight = 84;

// A line as the window shows it: tabs expanded to the next multiple of 8.
std::string Shown(const std::string& line) {
    if (line.find('\t') == std::string::npos) return line;
    std::string shown;
    for (const char c : line) {
        if (c != '\t') {
            shown += c;
        } else {
            shown.append(static_cast<size_t>(kTabWidth) - shown.size() % kTabWidth, ' ');
        }
    }
    return shown;
}

// "LOOP (line 12)": an address by its label and its line, when it has one.
std::string Where(const Workbench& workbench, int32_t address) {
    std::string where = NameOfAddress(workbench.source, address);
    const int32_t line = LineOfAddress(workbench.source, address);
    if (line >= 0) where += " (line " + std::to_string(line + 1) + ")";
    return where;
}

uint32_t FlagsOf(const Workbench& workbench, int32_t line) {
    uint32_t flags = 0;
    if (line == workbench.currentLine) flags |= LineFlag::kCurrent;
    const int32_t address = AddressOfLine(workbench.source, line);
    if (address >= 0 && HasBreakpoint(workbench.breakpoints, address))
        flags |= LineFlag::kBreakpoint;
    if (std::find(workbench.warningLines.begin(), workbench.warningLines.end(), line) !=
        workbench.warningLines.end())
        flags |= LineFlag::kWarning;
    return flags;
}

void MarkLine(Workbench& workbench, WindowLayer& layer, int32_t line) {
    if (line >= 0) layer.SetLineFlags(SourceControl::kLines, line, FlagsOf(workbench, line));
}

void Build(WindowLayer& layer) {
    using namespace SourceControl;
    layer.CreateControl(kSourceWindow, ControlKind::LineList, kLines, 0, 0, kSourceWindowWidth,
                        kLinesHeight, "", false);
    layer.SetAccessibleName(kLines, "Source");
    layer.CreateControl(kSourceWindow, ControlKind::List, kWarnings, 0, kLinesHeight + 4,
                        kSourceWindowWidth, kWarningsHeight, "", false);
    layer.SetAccessibleName(kWarnings, "Warnings");
    layer.CreateControl(kSourceWindow, ControlKind::ReadOnlyTextField, kStatus, 0,
                        kLinesHeight + kWarningsHeight + 8, kSourceWindowWidth, 24, "", false);
    layer.SetAccessibleName(kStatus, "Status");
    AddShortcutsTo(layer, kSourceWindow);
    // The window's own meaning of some of the menu bar's keys.
    layer.AddShortcut(kSourceWindow, KeyCode::kF9, MenuItem::kSourceToggleBreakpoint);
    layer.AddShortcut(kSourceWindow, KeyCode::kF4, MenuItem::kSourceRunToLine);
    layer.AddShortcut(kSourceWindow, KeyCode::kCtrlF, MenuItem::kSourceFind);
    layer.AddShortcut(kSourceWindow, KeyCode::kCtrlG, MenuItem::kSourceGoTo);
}

// Writes the whole source, its warnings and marks into the window.
void Fill(Workbench& workbench, WindowLayer& layer) {
    using namespace SourceControl;
    std::vector<std::string> shown;
    shown.reserve(workbench.source.lines.size());
    for (const std::string& line : workbench.source.lines) shown.push_back(Shown(line));
    layer.SetLines(kLines, shown);
    layer.ClearLines(kWarnings);
    workbench.currentLine = -1;
    for (const int32_t line : workbench.warningLines) MarkLine(workbench, layer, line);
    MarkSourceBreakpoints(workbench, layer);
    RefreshSourceWindow(workbench, layer);
    layer.SetText(kStatus, workbench.sourceStatus);
}

void OpenOrShow(Workbench& workbench, WindowLayer& layer) {
    const size_t slash = workbench.sourcePath.find_last_of('/');
    const std::string title =
        std::string(kSourceWindowTitle) + " - " +
        workbench.sourcePath.substr(slash == std::string::npos ? 0 : slash + 1);
    if (!workbench.sourceWindowBuilt) {
        if (!layer.OpenWindow(kSourceWindow, kSourceWindowWidth, kSourceWindowHeight, title))
            return;
        Build(layer);
        workbench.sourceWindowBuilt = true;
    } else {
        layer.SetWindowTitle(kSourceWindow, title);
        layer.ShowWindow(kSourceWindow, true);
    }
    workbench.sourceWindowShown = true;
}

void HideSourceWindow(Workbench& workbench, WindowLayer& layer) {
    if (!workbench.sourceWindowShown) return;
    layer.ShowWindow(kSourceWindow, false);
    workbench.sourceWindowShown = false;
}

// Moves the breakpoints of the program's older source to the lines they
// became in `after`; those whose line no longer holds an instruction are
// dropped. Returns the status line's note, empty when none was dropped.
std::string MoveBreakpoints(Workbench& workbench, const SourceMap& after) {
    const SourceMap& before = workbench.source;
    const std::vector<int32_t> mapped = MapLines(before.lines, after.lines);
    std::vector<int32_t> kept;
    std::vector<int32_t> droppedLines;
    int32_t dropped = 0;
    for (int32_t address = 0; address < kBreakpointAddresses; ++address) {
        if (!HasBreakpoint(workbench.breakpoints, address)) continue;
        const int32_t line = LineOfAddress(before, address);
        const int32_t moved = line < 0 ? -1 : mapped[static_cast<size_t>(line)];
        const int32_t now = AddressOfLine(after, moved);
        if (now >= 0) {
            kept.push_back(now);
        } else {
            ++dropped;
            if (line >= 0) droppedLines.push_back(line + 1);
        }
    }
    ClearBreakpoints(workbench.breakpoints);
    for (const int32_t address : kept) SetBreakpoint(workbench.breakpoints, address, true);
    if (dropped == 0) return {};
    std::string note = dropped == 1
                           ? "1 breakpoint was dropped: its line"
                           : std::to_string(dropped) + " breakpoints were dropped: their lines";
    note += " no longer hold";
    if (dropped == 1) note += "s";
    note += " an instruction";
    if (!droppedLines.empty()) {
        note += " (line";
        if (droppedLines.size() > 1) note += "s";
        for (size_t k = 0; k < droppedLines.size(); ++k)
            note += (k == 0 ? " " : ", ") + std::to_string(droppedLines[k]);
        note += ")";
    }
    return note + ".";
}

void ToggleLineBreakpoint(Workbench& workbench, WindowLayer& layer, int32_t line) {
    if (line < 0) return;
    const int32_t address = AddressOfLine(workbench.source, line);
    if (address < 0) {
        SetSourceStatus(workbench, layer,
                        "Line " + std::to_string(line + 1) + " holds no instruction.");
        return;
    }
    ToggleBreakpoint(workbench.breakpoints, address);
    MarkBreakpointLines(workbench, layer);
    MarkLine(workbench, layer, line);
}

void SelectSourceLine(WindowLayer& layer, int32_t line) {
    layer.SelectLine(SourceControl::kLines, line);
}

bool ContainsFolded(const std::string& line, const std::string& wanted) {
    return std::search(line.begin(), line.end(), wanted.begin(), wanted.end(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           }) != line.end();
}

void Find(Workbench& workbench, WindowLayer& layer) {
    std::string wanted = workbench.lastFind;
    if (!layer.AskText("Find", "Text to find:", wanted) || wanted.empty()) return;
    workbench.lastFind = wanted;
    const auto count = static_cast<int32_t>(workbench.source.lines.size());
    const int32_t from = layer.SelectedLine(SourceControl::kLines);
    for (int32_t k = 1; k <= count; ++k) {
        const int32_t line = (from + k + count) % count;
        if (ContainsFolded(workbench.source.lines[static_cast<size_t>(line)], wanted)) {
            SelectSourceLine(layer, line);
            return;
        }
    }
    SetSourceStatus(workbench, layer, "\"" + wanted + "\" is not in the source.");
}

void GoTo(Workbench& workbench, WindowLayer& layer) {
    std::string wanted;
    if (!layer.AskText("Go to", "Label or address:", wanted)) return;
    const std::optional<int32_t> address = AddressOfName(workbench.source, wanted);
    const int32_t line = address ? LineOfAddress(workbench.source, *address) : -1;
    if (line < 0) {
        SetSourceStatus(workbench, layer,
                        address
                            ? "No source line holds an instruction at " + PlainHex(*address) + "."
                            : "\"" + wanted + "\" is neither a label nor an address.");
        return;
    }
    SelectSourceLine(layer, line);
}

}  // namespace

void TakeLoadedSource(Workbench& workbench, WindowLayer& layer, const std::string& path,
                      bool isSource, const std::string& text, const Assembly& assembly) {
    const bool sameFile = path == workbench.loadedPath;
    workbench.loadedPath = path;
    workbench.sourceStatus.clear();
    SourceMap after;
    if (isSource) after = MapSource(text, assembly);
    if (!sameFile) {
        ClearBreakpoints(workbench.breakpoints);
    } else if (isSource && !workbench.source.lines.empty()) {
        workbench.sourceStatus = MoveBreakpoints(workbench, after);
    }
    workbench.source = std::move(after);
    workbench.sourcePath = isSource ? path : std::string();
    workbench.warningLines.clear();
    std::vector<std::string> warnings;
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        if (diagnostic.error || !diagnostic.file.empty()) continue;
        workbench.warningLines.push_back(diagnostic.line - 1);
        warnings.push_back("Line " + std::to_string(diagnostic.line) + ": " + diagnostic.message);
    }
    layer.WatchFile(isSource && workbench.reloadOnChange ? path : std::string());
    if (!isSource) {
        workbench.currentLine = -1;
        HideSourceWindow(workbench, layer);
        return;
    }
    // The same file again keeps the window hidden if the user closed it.
    if (!sameFile || !workbench.sourceWindowBuilt || workbench.sourceWindowShown)
        OpenOrShow(workbench, layer);
    if (!workbench.sourceWindowBuilt) return;
    Fill(workbench, layer);
    for (const std::string& warning : warnings) layer.AppendLine(SourceControl::kWarnings, warning);
}

void ForgetSource(Workbench& workbench, WindowLayer& layer) {
    workbench.loadedPath.clear();
    workbench.sourcePath.clear();
    workbench.source = SourceMap();
    workbench.warningLines.clear();
    workbench.currentLine = -1;
    layer.WatchFile(std::string());
    HideSourceWindow(workbench, layer);
}

void ShowSourceWindow(Workbench& workbench, WindowLayer& layer) {
    if (workbench.sourcePath.empty()) {
        layer.Show(kSourceWindowTitle,
                   "The program in memory came from no assembly source.\r\n"
                   "Open a source (.asm) to see it here.");
        return;
    }
    OpenOrShow(workbench, layer);
}

void RefreshSourceWindow(Workbench& workbench, WindowLayer& layer) {
    if (!workbench.sourceWindowBuilt || workbench.sourcePath.empty()) return;
    const int32_t line = LineOfAddress(workbench.source, CurrentPc(workbench));
    if (line == workbench.currentLine) return;
    const int32_t old = workbench.currentLine;
    workbench.currentLine = line;
    MarkLine(workbench, layer, old);
    MarkLine(workbench, layer, line);
    if (line >= 0) layer.ScrollToLine(SourceControl::kLines, line);
}

void MarkSourceBreakpoints(Workbench& workbench, WindowLayer& layer) {
    if (!workbench.sourceWindowBuilt || workbench.sourcePath.empty()) return;
    const auto count = static_cast<int32_t>(workbench.source.lines.size());
    for (int32_t line = 0; line < count; ++line) {
        if (AddressOfLine(workbench.source, line) >= 0) MarkLine(workbench, layer, line);
    }
}

std::string StopReason(const Workbench& workbench, RunStop stop, const std::string& error,
                       int32_t errorAt) {
    const std::string where = Where(workbench, CurrentPc(workbench));
    switch (stop) {
        case RunStop::Breakpoint: return "Stopped at the breakpoint at " + where + ".";
        case RunStop::Escape: return "Stopped by Escape at " + where + ".";
        case RunStop::Bound: return "Stopped at the end of the program, at " + where + ".";
        case RunStop::Error:
            return "Stopped by an error at " + Where(workbench, errorAt) + ": " + error;
        case RunStop::Until: return "Reached " + where + ".";
        case RunStop::Returned: return "Returned to " + where + ".";
        case RunStop::Undefined: return "Stopped before an undefined opcode at " + where + ".";
        case RunStop::Overflow: return "Stopped before a stack overflow at " + where + ".";
        case RunStop::Interrupted: return "Interrupted at " + where + ".";
        case RunStop::Steps:
        case RunStop::Idle:  // the runner's stops only
        case RunStop::Stuck:
        case RunStop::None: break;
    }
    return "Stopped at " + where + ".";
}

void SetSourceStatus(Workbench& workbench, WindowLayer& layer, const std::string& status) {
    workbench.sourceStatus = status;
    if (workbench.sourceWindowBuilt) layer.SetText(SourceControl::kStatus, status);
}

bool SourceWindowEvent(Workbench& workbench, WindowLayer& layer, const Event& event) {
    using namespace SourceControl;
    if (event.kind == EventKind::Close && event.number == kSourceWindow) {
        HideSourceWindow(workbench, layer);
        return true;
    }
    if (event.kind == EventKind::FileChanged) {
        WatchedFileChanged(workbench, layer);
        return true;
    }
    const int32_t selected = layer.SelectedLine(kLines);
    if (event.kind == EventKind::Menu) {
        switch (event.number) {
            case MenuItem::kSourceToggleBreakpoint:
                ToggleLineBreakpoint(workbench, layer, selected);
                return true;
            case MenuItem::kSourceRunToLine: {
                const int32_t address = AddressOfLine(workbench.source, selected);
                if (selected >= 0 && address < 0) {
                    SetSourceStatus(workbench, layer,
                                    "Line " + std::to_string(selected + 1) +
                                        " holds no instruction to run to.");
                } else if (address >= 0) {
                    RunToAddress(workbench, layer, address);
                }
                return true;
            }
            case MenuItem::kSourceFind: Find(workbench, layer); return true;
            case MenuItem::kSourceGoTo: GoTo(workbench, layer); return true;
            default: return false;
        }
    }
    if (event.kind != EventKind::Control) return false;
    if (event.number == kLines) {
        if (event.type == ControlEventType::Gutter)
            ToggleLineBreakpoint(workbench, layer, selected);
        return true;
    }
    if (event.number == kWarnings) {
        const int32_t warning = layer.SelectedLine(kWarnings);
        if (warning >= 0 && static_cast<size_t>(warning) < workbench.warningLines.size())
            SelectSourceLine(layer, workbench.warningLines[static_cast<size_t>(warning)]);
        return true;
    }
    return event.number == kStatus;
}

void ToggleReloadOnChange(Workbench& workbench, WindowLayer& layer) {
    workbench.reloadOnChange = !workbench.reloadOnChange;
    layer.WatchFile(workbench.reloadOnChange ? workbench.sourcePath : std::string());
}

void WatchedFileChanged(Workbench& workbench, WindowLayer& layer) {
    if (!workbench.reloadOnChange || workbench.sourcePath.empty()) return;
    // An editor that deletes the file before writing it anew: the change
    // that matters is the one that brings it back.
    std::error_code error;
    if (!std::filesystem::exists(workbench.sourcePath, error)) return;
    if (Running(workbench) != 0) {
        Running(workbench) = 0;
        layer.RemoveTimer(kMainWindow, kAnimationTimer);
    }
    const std::string path = workbench.sourcePath;
    LoadProgramPath(workbench, layer, path);
    ResetCpuCommand(workbench, layer);
}
