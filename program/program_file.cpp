#include "program/program_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "asm/asm_symbols.h"

bool IsSourcePath(const std::string& path) {
    constexpr std::string_view kExtension = ".asm";
    if (path.size() < kExtension.size()) return false;
    const std::string_view tail = std::string_view(path).substr(path.size() - kExtension.size());
    return std::equal(tail.begin(), tail.end(), kExtension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == b;
    });
}

std::string SymbolsPathOf(const std::string& imagePath) {
    return std::filesystem::path(imagePath).replace_extension(".sym").string();
}

namespace {

// The symbols file beside an image, when there is one.
void ReadSymbolsBeside(const std::string& path, ProgramFile& program) {
    const std::string symbolsPath = SymbolsPathOf(path);
    std::error_code error;
    if (symbolsPath == path || !std::filesystem::exists(symbolsPath, error)) return;
    program.symbolsPath = symbolsPath;
    std::vector<uint8_t> bytes;
    switch (ReadRegularFile(symbolsPath, kLargestSymbolsBytes, bytes)) {
        case FileRead::Loaded: break;
        case FileRead::TooBig:
            program.symbolsWarning =
                "larger than " + std::to_string(kLargestSymbolsBytes >> 20) + " MiB";
            return;
        case FileRead::Unreadable:
            program.symbolsWarning = "cannot be read: " + UnreadableReason(symbolsPath);
            return;
    }
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    ParseSymbolsFile(text, program.bytes, program.symbols, program.symbolsWarning);
}

// Text as sources are written: printable ASCII, tabs and line ends, with
// letters in it; program images nearly always hold other bytes (0x00 alone
// is NOP, and a NOP-free program of only printable bytes is rare).
bool LooksLikeText(const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) return false;
    bool letters = false;
    for (const uint8_t byte : bytes) {
        if (byte == '\n' || byte == '\r' || byte == '\t') continue;
        if (byte < 0x20 || byte > 0x7E) return false;
        letters = letters || (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
    }
    return letters && std::find(bytes.begin(), bytes.end(), '\n') != bytes.end();
}

}  // namespace

ProgramFile ReadProgramFile(const std::string& path, const ProgramOptions& options) {
    ProgramFile program;
    program.source = options.kind == ProgramKind::Source ||
                     (options.kind == ProgramKind::ByName && IsSourcePath(path));
    const size_t largest = program.source ? kLargestSourceBytes : options.largestImage;
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
        program.looksLikeSource = options.kind == ProgramKind::ByName && LooksLikeText(bytes);
        program.bytes = std::move(bytes);
        if (!program.looksLikeSource) ReadSymbolsBeside(path, program);
        return program;
    }
    AsmOptions assembler = options.assembler;
    assembler.sourcePath = path;
    program.assembly = Assemble(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()), assembler);
    if (!program.assembly.HasErrors()) {
        program.bytes = program.assembly.image;
        program.symbols = SymbolsOf(program.assembly);
    }
    program.text.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return program;
}
