#pragma once
// What the fuzz targets share: a reader that turns the fuzzer's bytes into
// values, and the checks every target makes of what the window shows.
//
// A failed check prints what went wrong and aborts, which libFuzzer records
// as a crash with the input that caused it (and the replay test as a
// failure).

#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/machine_state.h"
#include "frontend/controls.h"
#include "frontend/workbench.h"
#include "platform/headless/headless_layer.h"

// The libFuzzer entry point each target defines.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

[[noreturn]] inline void FuzzFailure(const char* what, const std::string& detail) {
    std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
    std::abort();
}

inline void FuzzCheck(bool holds, const char* what, const std::string& detail = {}) {
    if (!holds) FuzzFailure(what, detail);
}

// Reads values from the fuzzer's bytes, front to back. Past the end every
// value is 0, so any input, the empty one too, decodes to something.
class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    [[nodiscard]] bool Empty() const { return position_ >= size_; }
    [[nodiscard]] size_t Remaining() const { return Empty() ? 0 : size_ - position_; }

    uint32_t Byte() { return Empty() ? 0 : data_[position_++]; }
    uint32_t Word() {
        const uint32_t low = Byte();
        return low | Byte() << 8;
    }
    uint32_t Long() {
        const uint32_t low = Word();
        return low | Word() << 16;
    }
    // A value in 0..count-1 (count > 0).
    uint32_t Below(uint32_t count) { return (count <= 256 ? Byte() : Long()) % count; }
    bool Flag() { return (Byte() & 1) != 0; }
    // Up to `most` bytes as a text, any characters.
    std::string Text(size_t most) {
        const size_t length = Below(static_cast<uint32_t>(most + 1));
        std::string text;
        while (text.size() < length && !Empty()) text += static_cast<char>(Byte());
        return text;
    }

private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

// Counts the messages the machine shows; the fuzz targets that step the core
// alone need no window.
struct CountingMessages : Messages {
    void Show(const std::string&, const std::string&) override { ++count; }
    int32_t count = 0;
};

// What every state of the window must look like, whatever was done before:
// a listing of 32 lines with exactly one selected, a stack list of three or
// four lines with one selected, and a RAM dump of 18 lines of 36 characters.
inline void CheckWindow(HeadlessLayer& layer) {
    const HeadlessControl& listing = layer.controls.at(Control::kCodeListing);
    FuzzCheck(listing.lines.size() == 32, "listing lines", std::to_string(listing.lines.size()));
    FuzzCheck(listing.selected >= 0 && listing.selected < 32, "listing selection",
              std::to_string(listing.selected));

    // Three slots on the compatible machine, four address registers on the
    // MCS-4 system.
    const HeadlessControl& stack = layer.controls.at(Control::kStack);
    FuzzCheck(stack.lines.size() == 3 || stack.lines.size() == 4, "stack lines",
              std::to_string(stack.lines.size()));
    FuzzCheck(stack.selected >= 0 && stack.selected < static_cast<int32_t>(stack.lines.size()),
              "stack selection", std::to_string(stack.selected));

    const std::string& dump = layer.controls.at(Control::kRamDump).text;
    size_t lines = 0;
    size_t start = 0;
    for (;;) {
        const size_t end = dump.find("\r\n", start);
        const size_t length = (end == std::string::npos ? dump.size() : end) - start;
        FuzzCheck(length == 36, "RAM dump line length", std::to_string(length));
        ++lines;
        if (end == std::string::npos) break;
        start = end + 2;
    }
    FuzzCheck(lines == 18, "RAM dump lines", std::to_string(lines));
}

// Every ROM entry a program can fetch holds a byte.
inline void CheckRomBytes(const MachineState& state) {
    for (size_t k = 0; k < state.RomImage.size(); ++k) {
        const int32_t byte = state.RomImage[k];
        if (byte < 0 || byte > 0xFF)
            FuzzFailure("ROM entry out of byte range",
                        std::to_string(k) + "=" + std::to_string(byte));
    }
}

// What a load may change, to prove that a refused one changed none of it.
struct LoadSnapshot {
    explicit LoadSnapshot(const Workbench& workbench)
        : rom(workbench.state.RomImage.begin(), workbench.state.RomImage.end()),
          programLength(workbench.programLength),
          loadFolder(workbench.loadFolder) {}

    void CheckUnchanged(const Workbench& workbench) const {
        FuzzCheck(std::equal(rom.begin(), rom.end(), workbench.state.RomImage.begin()),
                  "a refused file changed the program memory");
        FuzzCheck(workbench.programLength == programLength,
                  "a refused file changed the program length");
        FuzzCheck(workbench.loadFolder == loadFolder, "a refused file changed the folder");
    }

    std::vector<int32_t> rom;
    int32_t programLength;
    std::string loadFolder;
};

// A folder of this process's own for the files a target makes, removed when
// the process ends.
inline const std::filesystem::path& FuzzFolder() {
    struct Folder {
        Folder() {
            path = std::filesystem::temp_directory_path() /
                   ("quodlet_fuzz_" + std::to_string(static_cast<long>(::getpid())));
            std::filesystem::remove_all(path);
            std::filesystem::create_directories(path);
        }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
        std::filesystem::path path;
    };
    static const Folder folder;
    return folder.path;
}
