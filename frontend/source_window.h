#pragma once
// The Source window: the program as the user wrote it, for a program read
// from an assembly source. It shows the source with line numbers, the line
// holding the instruction at pc (the current line, a mark of its own,
// never the selection), the breakpoints in a gutter, the assembler's
// warnings (each taking the user to its line) and a status line saying why
// the last Run, Step Over, Step Out or Run to Cursor stopped. A click in
// the gutter or F9 sets and clears the breakpoint of a line, F4 runs to the
// selected line, Ctrl+F finds a text and Ctrl+G a label's or address's
// line. Opened beside the main window when a source is loaded; a program
// image closes it. Its close button hides it; the Machine menu shows it
// again.
//
// Breakpoints in a program with a source belong to their lines: when the
// same file is loaded again, each moves with its line (MapLines), and one
// whose line no longer holds an instruction is dropped, the status line
// saying so. Loading a different file drops them all.

#include <string>

#include "core/run_loop.h"
#include "frontend/workbench.h"
#include "platform/window_layer.h"

// After a load: takes the new program's source (an empty `text` and
// assembly for a program image) and moves, keeps or drops the breakpoints
// as above; then shows the Source window for a source, or hides it.
void TakeLoadedSource(Workbench& workbench, WindowLayer& layer, const std::string& path,
                      bool isSource, const std::string& text, const Assembly& assembly);
// The program now in memory came from no file (an example, Zero ROM): the
// source is forgotten and its window hidden.
void ForgetSource(Workbench& workbench, WindowLayer& layer);

// Machine > Source Window: shows it again; a message when the program has
// no source.
void ShowSourceWindow(Workbench& workbench, WindowLayer& layer);

// Moves the current-line mark to pc's line, when the window exists. Only
// the lines whose marks change are written.
void RefreshSourceWindow(Workbench& workbench, WindowLayer& layer);
// Brings every line's breakpoint mark up to date.
void MarkSourceBreakpoints(Workbench& workbench, WindowLayer& layer);

// The status line's text for a run that ended with `stop`, at pc;
// `error` is the message a refused instruction at `errorAt` showed.
std::string StopReason(const Workbench& workbench, RunStop stop, const std::string& error,
                       int32_t errorAt);
void SetSourceStatus(Workbench& workbench, WindowLayer& layer, const std::string& status);

// An event of the Source window: its close button, a click in its lines,
// gutter or warnings, its own shortcuts. False when the event is not its.
bool SourceWindowEvent(Workbench& workbench, WindowLayer& layer, const Event& event);

// File > Reload on Change: the option toggled, the watch started or ended.
void ToggleReloadOnChange(Workbench& workbench, WindowLayer& layer);
// The file watched changed: loaded again and the CPU reset.
void WatchedFileChanged(Workbench& workbench, WindowLayer& layer);
