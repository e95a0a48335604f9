#include "frontend/loading.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include "core/machine_state.h"
#include "display/disassembler.h"

namespace {

// A program image fills at most ROM addresses 0..0xFFFF; RomImage entry
// 65536 is never loaded.
constexpr std::uintmax_t kMaxImageBytes = 65536;

// The listing from address 0, then the line of pc (which a load never moves).
void RebuildListing(Debugger& debugger, WindowLayer& layer) {
    debugger.listingAddress = 0;
    FillCodeListing(debugger.state, debugger.tables, debugger.listingAddress, layer);
    FollowPc(debugger.state, debugger.tables, debugger.listingAddress, layer);
}

void ReportUnreadable(WindowLayer& layer, const std::string& path) {
    layer.Show("file error", "cannot read\r\n" + path);
}

// Reads at most kMaxImageBytes bytes of a regular file into `bytes`; false
// when the path is no regular file or cannot be read. Reading stops at the
// limit, so a file that grows after its size was tested cannot overrun ROM.
bool ReadImage(const std::string& path, std::vector<char>& bytes) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return false;
    std::ifstream file(path, std::ios::binary);
    if (!file.is_open()) return false;
    bytes.resize(kMaxImageBytes);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (file.bad()) return false;
    bytes.resize(static_cast<size_t>(file.gcount()));
    return true;
}

std::string FolderOf(const std::string& path) {
    const size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

}  // namespace

void LoadProgramFile(Debugger& debugger, WindowLayer& layer) {
    const std::string path = layer.OpenFileDialog("Please choose file to load", debugger.loadFolder,
                                                  "Binary files (*.bin)|*.bin");
    if (path.empty()) return;

    // A folder or a missing path has no size here and is refused as
    // unreadable below.
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error && size > kMaxImageBytes) {
            layer.Show("Big size", "too big to fit in rom");
            return;
        }
    }

    // Read everything before touching the machine, so that a read error
    // leaves it as it was.
    std::vector<char> bytes;
    if (!ReadImage(path, bytes)) {
        ReportUnreadable(layer, path);
        return;
    }

    debugger.loadFolder = FolderOf(path);
    std::transform(bytes.begin(), bytes.end(), debugger.state.RomImage.begin(), [](char byte) {
        return static_cast<int32_t>(static_cast<unsigned char>(byte));
    });
    debugger.programLength = static_cast<int32_t>(bytes.size());
    RebuildListing(debugger, layer);
}

void LoadExample(Debugger& debugger, WindowLayer& layer, std::span<const int32_t> example) {
    const std::span<const int32_t> program =
        example.first(std::min<size_t>(example.size(), kMaxImageBytes));
    debugger.listingAddress = 0;
    std::copy(program.begin(), program.end(), debugger.state.RomImage.begin());
    FillCodeListing(debugger.state, debugger.tables, debugger.listingAddress, layer);
    FollowPc(debugger.state, debugger.tables, debugger.listingAddress, layer);
    debugger.programLength = static_cast<int32_t>(program.size());
}

void ZeroRomCommand(Debugger& debugger, WindowLayer& layer) {
    ZeroRom(debugger.state);
    RebuildListing(debugger, layer);
}
