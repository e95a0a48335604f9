#include "program/program_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

bool IsSourcePath(const std::string& path) {
    constexpr std::string_view kExtension = ".asm";
    if (path.size() < kExtension.size()) return false;
    const std::string_view tail = std::string_view(path).substr(path.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

ProgramFile ReadProgramFile(const std::string& path, size_t largestImage) {
    ProgramFile program;
    program.source = IsSourcePath(path);
    const size_t largest = program.source ? kLargestSourceBytes : largestImage;
    std::error_code error;
    if (std::filesystem::is_regular_file(path, error)) {
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error) {
            program.size = size;
            if (size > largest) {
                program.read = FileRead::TooBig;
                return program;
            }
        }
    }
    std::vector<uint8_t> bytes;
    program.read = ReadRegularFile(path, largest, bytes);
    if (program.read != FileRead::Loaded) return program;
    program.size = bytes.size();
    if (!program.source) {
        program.bytes = std::move(bytes);
        return program;
    }
    program.assembly =
        Assemble(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!program.assembly.HasErrors()) program.bytes = program.assembly.image;
    return program;
}
