// Loads whatever the user may answer the open-file dialog with, through the
// real loader into the in-memory window: a file of any size and contents
// under any name (sizes around the 65536-byte limit made cheaply by
// repeating the input), a link to one, a folder, a missing path, a dangling
// link or a named pipe.
//
// Checked: a file of at most 65536 bytes fills program memory with exactly
// its bytes from address 0 and changes nothing beyond them; anything else
// shows its message and changes nothing at all; the window stays whole.

#include <sys/stat.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "frontend/app.h"
#include "frontend/loading.h"
#include "frontend/run_control.h"
#include "frontend/workbench.h"
#include "fuzz/fuzz_support.h"
#include "platform/headless/headless_layer.h"

namespace {

namespace fs = std::filesystem;

constexpr size_t kRomBytes = 65536;

enum class PathKind { File, LinkToFile, Folder, Missing, DanglingLink, Pipe };

PathKind DecodeKind(FuzzInput& input) {
    switch (input.Below(10)) {
        case 0: return PathKind::LinkToFile;
        case 1: return PathKind::Folder;
        case 2: return PathKind::Missing;
        case 3: return PathKind::DanglingLink;
        case 4: return PathKind::Pipe;
        default: return PathKind::File;
    }
}

// A file name made of the input's characters: anything but the separator and
// the terminator, so blanks, control and non-ASCII characters come up.
std::string DecodeName(FuzzInput& input) {
    std::string name = input.Text(16);
    std::replace(name.begin(), name.end(), '/', '_');
    std::replace(name.begin(), name.end(), '\0', '_');
    if (name.empty() || name == "." || name == "..") name = "p.bin";
    return name;
}

// The file's bytes: the rest of the input, or the rest repeated to a size
// near the limit or to any 16-bit size.
std::vector<char> DecodeContents(FuzzInput& input) {
    size_t size = 0;
    switch (input.Below(4)) {
        case 0: size = kRomBytes - 1 + input.Below(3); break;
        case 1: size = input.Word(); break;
        default: size = input.Remaining(); break;
    }
    std::vector<char> pattern;
    while (!input.Empty()) pattern.push_back(static_cast<char>(input.Byte()));
    std::vector<char> contents(size, 0);
    for (size_t k = 0; k < size && !pattern.empty(); ++k) contents[k] = pattern[k % pattern.size()];
    return contents;
}

// The ROM before the load: a pattern over every entry, so that any entry a
// load must not write shows whether it did.
int32_t OldByte(size_t k) {
    return static_cast<int32_t>((k * 13 + 5) & 0xFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzInput input(data, size);
    const PathKind kind = DecodeKind(input);
    const std::string name = DecodeName(input);
    const std::vector<char> contents = DecodeContents(input);

    // Each input in a fresh folder, so names never collide.
    // Links point into a folder of their own, out of the way of any name.
    const fs::path folder = FuzzFolder() / "load";
    const fs::path elsewhere = FuzzFolder() / "load targets";
    fs::remove_all(folder);
    fs::remove_all(elsewhere);
    fs::create_directories(folder);
    fs::create_directories(elsewhere);
    const fs::path path = folder / name;
    const fs::path target = elsewhere / "file";
    switch (kind) {
        case PathKind::File:
        case PathKind::LinkToFile: {
            const fs::path file = kind == PathKind::File ? path : target;
            std::ofstream(file, std::ios::binary)
                .write(contents.data(), static_cast<std::streamsize>(contents.size()));
            if (kind == PathKind::LinkToFile) fs::create_symlink(target, path);
            break;
        }
        case PathKind::Folder: fs::create_directories(path); break;
        case PathKind::Missing: break;
        case PathKind::DanglingLink: fs::create_symlink(elsewhere / "nothing here", path); break;
        case PathKind::Pipe: FuzzCheck(::mkfifo(path.c_str(), 0600) == 0, "mkfifo"); break;
    }

    const auto workbench = std::make_unique<Workbench>();
    HeadlessLayer layer;
    FuzzCheck(StartMainWindow(*workbench, layer), "the window opens");
    for (size_t k = 0; k < workbench->state.RomImage.size(); ++k)
        workbench->state.RomImage[k] = OldByte(k);
    const LoadSnapshot before(*workbench);

    layer.dialogAnswers.push_back(path.string());
    LoadProgramFile(*workbench, layer);

    CheckWindow(layer);
    CheckRomBytes(workbench->state);
    const bool isFile = kind == PathKind::File || kind == PathKind::LinkToFile;
    using Message = std::pair<std::string, std::string>;
    if (isFile && contents.size() <= kRomBytes) {
        if (!layer.messages.empty())
            FuzzFailure("a loadable file was refused", layer.messages[0].second);
        const auto& rom = workbench->state.RomImage;
        for (size_t k = 0; k < rom.size(); ++k) {
            const int32_t want =
                k < contents.size() ? static_cast<unsigned char>(contents[k]) : OldByte(k);
            if (rom[k] != want) FuzzFailure("loaded program memory", "entry " + std::to_string(k));
        }
        FuzzCheck(workbench->programLength == static_cast<int32_t>(contents.size()),
                  "program length after a load");
        FuzzCheck(workbench->loadFolder == folder.string() + "/", "folder after a load",
                  workbench->loadFolder);
    } else {
        const Message want = isFile ? Message{"Big size", "too big to fit in rom"}
                                    : Message{"file error", "cannot read\r\n" + path.string()};
        FuzzCheck(layer.messages == std::vector<Message>{want}, "refusal message",
                  layer.messages.empty() ? "none" : layer.messages[0].second);
        before.CheckUnchanged(*workbench);
    }
    return 0;
}
