#include "frontend/loading.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "core/machine_state.h"
#include "frontend/listing.h"
#include "frontend/source_window.h"
#include "program/program_file.h"

namespace {

// An assembly error box lists this many errors at most.
constexpr size_t kErrorsListed = 10;
constexpr char kAssemblyErrorTitle[] = "Assembly error";

// The open dialog's choices, the first shown first.
constexpr char kOpenFilters[] =
    "4004 programs (*.bin *.asm)|*.bin;*.asm|Binary files (*.bin)|*.bin|All files (*)|*";

// The folder part of a path, ending in "/"; empty for a bare name. Only "/"
// separates: a backslash is an ordinary character of a file name here.
std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of('/');
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// A source's errors, or its warnings, by line and column: the first
// kErrorsListed of them.
std::string DiagnosticsText(const Assembly& assembly, bool errors) {
    std::string text;
    size_t count = 0;
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        if (diagnostic.error != errors) continue;
        if (++count > kErrorsListed) continue;
        if (!text.empty()) text += "\r\n";
        if (!diagnostic.file.empty()) text += diagnostic.file + ":";
        text += std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) + ": " +
                diagnostic.message;
    }
    if (count > kErrorsListed) {
        text += "\r\n(" + std::to_string(count - kErrorsListed) + " more " +
                (errors ? "errors" : "warnings") + ")";
    }
    return text;
}

// Tells the user why a program file brought no program.
void ReportRefusal(WindowLayer& layer, const std::string& path, const ProgramFile& program,
                   bool mcs4) {
    switch (program.read) {
        case FileRead::TooBig:
            if (program.source) {
                layer.Show(kAssemblyErrorTitle, "The source is larger than " +
                                                    std::to_string(kLargestSourceBytes >> 20) +
                                                    " MiB.");
            } else if (mcs4) {
                layer.Show("Big size", "too big to fit in rom: " + std::to_string(program.size) +
                                           " bytes, and the MCS-4 system's ROM holds " +
                                           std::to_string(kMcs4RomBytes));
            } else {
                layer.Show("Big size", "too big to fit in rom");
            }
            return;
        case FileRead::Unreadable: layer.Show("file error", "cannot read\r\n" + path); return;
        case FileRead::Loaded:
            layer.Show(kAssemblyErrorTitle, DiagnosticsText(program.assembly, true));
    }
}

}  // namespace

void LoadProgramFile(Workbench& workbench, WindowLayer& layer) {
    const std::string path =
        layer.OpenFileDialog("Please choose file to load", workbench.loadFolder, kOpenFilters);
    if (path.empty()) return;
    LoadProgramPath(workbench, layer, path);
}

void ReloadProgramFile(Workbench& workbench, WindowLayer& layer) {
    if (workbench.lastFile.empty()) return;
    // A copy: loading sets lastFile again.
    const std::string path = workbench.lastFile;
    LoadProgramPath(workbench, layer, path);
}

void LoadProgramPath(Workbench& workbench, WindowLayer& layer, const std::string& path) {
    // A source reloaded is read by the rules it was read by before, unless
    // the command line chose rules for every source.
    const std::optional<AsmSyntax> syntax =
        workbench.syntax ? workbench.syntax
                         : (path == workbench.lastFile ? workbench.reloadSyntax : std::nullopt);
    // Refused or not, this is the file Reload opens again: the user mends
    // it in an editor and asks for it anew.
    workbench.lastFile = path;

    // Read everything before touching the machine, so that a refused file
    // leaves it as it was.
    const bool mcs4 = Mcs4Chosen(workbench);
    ProgramOptions options;
    options.largestImage = mcs4 ? kMcs4RomBytes : kProgramBytes;
    options.assembler.syntax = syntax;
    options.assembler.machine = mcs4 ? AsmMachine::kMcs4 : AsmMachine::kCompatible;
    ProgramFile program = ReadProgramFile(path, options);
    workbench.reloadSyntax = program.source && program.read == FileRead::Loaded
                                 ? std::optional(program.assembly.syntax)
                                 : syntax;
    if (!program.Loaded()) {
        ReportRefusal(layer, path, program, mcs4);
        return;
    }
    workbench.loadFolder = FolderOf(path);
    // Instructions before the load ran on another program: Step Back stops here.
    std::copy(program.bytes.begin(), program.bytes.end(),
              ChangeMachine(workbench).RomImage.begin());
    workbench.programLength = static_cast<int32_t>(program.bytes.size());
    workbench.symbols = std::move(program.symbols);
    SyncMcs4Rom(workbench);
    RebuildListingFromZeroFollowingPc(workbench, layer);
    TakeLoadedSource(workbench, layer, path, program.source, program.text, program.assembly);
    // Warnings do not stop a load; they are shown once it is done.
    const std::string warnings = DiagnosticsText(program.assembly, false);
    if (!warnings.empty()) layer.Show("Assembly warnings", warnings);
    if (!program.symbolsWarning.empty()) {
        layer.Show("Symbols file", "The program is loaded without its labels: " +
                                       program.symbolsPath + ": " + program.symbolsWarning);
    }
}

void LoadExample(Workbench& workbench, WindowLayer& layer, std::span<const int32_t> example) {
    const std::span<const int32_t> program =
        example.first(std::min<size_t>(example.size(), kProgramBytes));
    std::copy(program.begin(), program.end(), ChangeMachine(workbench).RomImage.begin());
    workbench.symbols = {};
    SyncMcs4Rom(workbench);
    ForgetSource(workbench, layer);
    RebuildListingFromZeroFollowingPc(workbench, layer);
    workbench.programLength = static_cast<int32_t>(program.size());
}

void ZeroRomCommand(Workbench& workbench, WindowLayer& layer) {
    ZeroRom(ChangeMachine(workbench));
    workbench.symbols = {};
    SyncMcs4Rom(workbench);
    ForgetSource(workbench, layer);
    RebuildListingFromZeroFollowingPc(workbench, layer);
}
