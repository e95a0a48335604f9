#include "frontend/loading.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "asm/assembler.h"
#include "core/machine_state.h"
#include "frontend/listing.h"

namespace {

// A program image fills at most ROM addresses 0..0xFFFF; RomImage entry
// 65536 is never loaded.
constexpr std::uintmax_t kMaxImageBytes = kProgramBytes;

void ReportTooBig(WindowLayer& layer) {
    layer.Show("Big size", "too big to fit in rom");
}

void ReportUnreadable(WindowLayer& layer, const std::string& path) {
    layer.Show("file error", "cannot read\r\n" + path);
}

// The folder part of a path, ending in "/"; empty for a bare name. Only "/"
// separates: a backslash is an ordinary character of a file name here.
std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of('/');
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

// A source file the window assembles holds at most this many bytes.
constexpr size_t kMaxSourceBytes = size_t{64} << 20;
// An assembly error box lists this many errors at most.
constexpr size_t kErrorsListed = 10;
constexpr char kAssemblyErrorTitle[] = "Assembly error";

bool IsAssemblySource(const std::string& path);
bool ReadImageReporting(WindowLayer& layer, const std::string& path, std::vector<uint8_t>& bytes);
bool AssembleSource(WindowLayer& layer, const std::string& path, std::vector<uint8_t>& bytes);

// The open dialog's choices, the first shown first.
constexpr char kOpenFilters[] =
    "4004 programs (*.bin *.asm)|*.bin;*.asm|Binary files (*.bin)|*.bin|All files (*)|*";

}  // namespace

FileRead ReadProgramImage(const std::string& path, std::vector<uint8_t>& bytes) {
    return ReadRegularFile(path, kMaxImageBytes, bytes);
}

void LoadProgramFile(Debugger& debugger, WindowLayer& layer) {
    const std::string path =
        layer.OpenFileDialog("Please choose file to load", debugger.loadFolder, kOpenFilters);
    if (path.empty()) return;
    LoadProgramPath(debugger, layer, path);
}

void ReloadProgramFile(Debugger& debugger, WindowLayer& layer) {
    if (debugger.lastFile.empty()) return;
    // A copy: loading sets lastFile again.
    const std::string path = debugger.lastFile;
    LoadProgramPath(debugger, layer, path);
}

void LoadProgramPath(Debugger& debugger, WindowLayer& layer, const std::string& path) {
    // Refused or not, this is the file Reload opens again: the user mends
    // it in an editor and asks for it anew.
    debugger.lastFile = path;

    // Read everything before touching the machine, so that a refused file
    // leaves it as it was.
    std::vector<uint8_t> bytes;
    if (IsAssemblySource(path)) {
        if (!AssembleSource(layer, path, bytes)) return;
    } else if (!ReadImageReporting(layer, path, bytes)) {
        return;
    }
    debugger.loadFolder = FolderOf(path);
    // Instructions before the load ran on another program: Step Back stops here.
    HistoryBarrier(debugger.history);
    std::copy(bytes.begin(), bytes.end(), debugger.state.RomImage.begin());
    debugger.programLength = static_cast<int32_t>(bytes.size());
    RebuildListingFromZeroFollowingPc(debugger, layer);
}

namespace {

bool IsAssemblySource(const std::string& path) {
    constexpr std::string_view kExtension = ".asm";
    if (path.size() < kExtension.size()) return false;
    const std::string_view end = std::string_view(path).substr(path.size() - kExtension.size());
    for (size_t i = 0; i < end.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(end[i])) != kExtension[i]) return false;
    }
    return true;
}

// The bytes of a program image, or false when it was refused with a message.
bool ReadImageReporting(WindowLayer& layer, const std::string& path, std::vector<uint8_t>& bytes) {
    // The size comes first, so that a file too big is called so even where
    // it could not be read. A folder or a missing path has no size here and
    // is refused as unreadable below.
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error && size > kMaxImageBytes) {
            ReportTooBig(layer);
            return false;
        }
    }
    switch (ReadProgramImage(path, bytes)) {
        case FileRead::Loaded: return true;
        case FileRead::TooBig: ReportTooBig(layer); return false;
        case FileRead::Unreadable: ReportUnreadable(layer, path); return false;
    }
    return false;
}

// The bytes a source file assembles to, or false when it was refused with a
// message: unreadable, too big, or with errors, the first of which are
// listed by line and column.
bool AssembleSource(WindowLayer& layer, const std::string& path, std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> source;
    switch (ReadRegularFile(path, kMaxSourceBytes, source)) {
        case FileRead::Loaded: break;
        case FileRead::TooBig:
            layer.Show(kAssemblyErrorTitle, "The source is larger than " +
                                                std::to_string(kMaxSourceBytes >> 20) + " MiB.");
            return false;
        case FileRead::Unreadable: ReportUnreadable(layer, path); return false;
    }
    const Assembly assembly =
        Assemble(std::string_view(reinterpret_cast<const char*>(source.data()), source.size()));
    if (!assembly.HasErrors()) {
        bytes = assembly.image;
        return true;
    }
    std::string text;
    size_t errors = 0;
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        if (!diagnostic.error) continue;
        if (++errors > kErrorsListed) continue;
        if (!text.empty()) text += "\r\n";
        text += std::to_string(diagnostic.line) + ":" + std::to_string(diagnostic.column) + ": " +
                diagnostic.message;
    }
    if (errors > kErrorsListed) {
        text += "\r\n(" + std::to_string(errors - kErrorsListed) + " more errors)";
    }
    layer.Show(kAssemblyErrorTitle, text);
    return false;
}

}  // namespace

void LoadExample(Debugger& debugger, WindowLayer& layer, std::span<const int32_t> example) {
    const std::span<const int32_t> program =
        example.first(std::min<size_t>(example.size(), kMaxImageBytes));
    HistoryBarrier(debugger.history);
    std::copy(program.begin(), program.end(), debugger.state.RomImage.begin());
    RebuildListingFromZeroFollowingPc(debugger, layer);
    debugger.programLength = static_cast<int32_t>(program.size());
}

void ZeroRomCommand(Debugger& debugger, WindowLayer& layer) {
    HistoryBarrier(debugger.history);
    ZeroRom(debugger.state);
    RebuildListingFromZeroFollowingPc(debugger, layer);
}
