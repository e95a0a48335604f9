// quodlet-asm: assembles a 4004 source file into a ROM image.
//
//   quodlet-asm SOURCE [-o OUT.bin] [-l LISTING] [--symbols]
//
// Diagnostics go to stderr, one a line, as FILE:LINE:COLUMN: error: ...
// Exit status 0 on success, 1 on a usage or file error or any assembly
// error. Nothing is written unless the whole source assembles.

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "asm/assembler.h"
#include "core/hex.h"

#ifndef QUODLET_VERSION
#define QUODLET_VERSION "unknown"
#endif

namespace {

constexpr std::string_view kUsage =
    "Usage: quodlet-asm SOURCE [-o OUT.bin] [-l LISTING] [--symbols]\n"
    "Assembles 4004 source into a ROM image: byte k is ROM address k, from 0\n"
    "to the highest address the program writes.\n"
    "\n"
    "  -o OUT.bin   the image (default: SOURCE with the extension .bin)\n"
    "  -l LISTING   also write a listing: address, bytes and source line\n"
    "  --symbols    print the labels and their addresses\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "\n"
    "Errors and warnings go to stderr as FILE:LINE:COLUMN: error: message.\n"
    "On any error nothing is written and existing files stay as they were.\n";

struct Options {
    std::string source;
    std::string output;
    std::string listing;
    bool symbols = false;
};

int UsageError(const std::string& message) {
    std::fprintf(stderr, "quodlet-asm: %s\nTry 'quodlet-asm --help'.\n", message.c_str());
    return 1;
}

// True when two paths name the same existing file.
bool SameFile(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

// Whether a file can be written at path: its folder exists and takes new
// files, and path is no folder itself.
bool CanWrite(const std::string& path, std::string& why) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::is_directory(path, error)) {
        why = path + ": is a folder";
        return false;
    }
    const fs::path parent = fs::path(path).parent_path();
    const fs::path folder = parent.empty() ? fs::path(".") : parent;
    if (!fs::is_directory(folder, error)) {
        why = path + ": no folder " + folder.string();
        return false;
    }
    if (::access(folder.c_str(), W_OK) != 0) {
        why = path + ": cannot write in " + folder.string();
        return false;
    }
    return true;
}

std::string ListingText(const Assembly& assembly) {
    std::string text;
    for (const AsmListingLine& line : assembly.listing) {
        text += PaddedHex(line.address, 3);
        std::string bytes;
        for (const uint8_t byte : line.bytes) {
            bytes += ' ';
            bytes += PaddedHex(byte, 2);
        }
        // Two bytes take six characters; DB lines with more keep them all.
        if (bytes.size() < 6) bytes.resize(6, ' ');
        text += bytes;
        text += "  ";
        text += line.source;
        text += '\n';
    }
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    const std::vector<std::string> args(argv + 1, argv + argc);
    for (size_t k = 0; k < args.size(); ++k) {
        const std::string& arg = args[k];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage.data(), stdout);
            return 0;
        }
        if (arg == "--version") {
            std::printf("quodlet-asm %s\n", QUODLET_VERSION);
            return 0;
        }
        if (arg == "-o" || arg == "-l") {
            if (k + 1 == args.size()) return UsageError(arg + " needs a file name");
            (arg == "-o" ? options.output : options.listing) = args[++k];
        } else if (arg == "--symbols") {
            options.symbols = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError("unknown option " + arg);
        } else if (!options.source.empty()) {
            return UsageError("one source file at a time");
        } else {
            options.source = arg;
        }
    }
    if (options.source.empty()) return UsageError("no source file");
    if (options.output.empty()) {
        options.output = std::filesystem::path(options.source).replace_extension(".bin").string();
    }
    // The image or the listing written over the source would lose it.
    if (SameFile(options.output, options.source) || options.output == options.source) {
        return UsageError("the output " + options.output + " is the source file itself");
    }
    if (!options.listing.empty() &&
        (SameFile(options.listing, options.source) || options.listing == options.source)) {
        return UsageError("the listing " + options.listing + " is the source file itself");
    }
    if (!options.listing.empty() &&
        (SameFile(options.listing, options.output) || options.listing == options.output)) {
        return UsageError("the listing and the output are the same file");
    }

    Assembly assembly;
    std::string why;
    if (!AssembleFile(options.source, assembly, why)) {
        std::fprintf(stderr, "quodlet-asm: %s\n", why.c_str());
        return 1;
    }
    // All at once: stderr is unbuffered, and a file may have a million.
    std::string report;
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        report += FormatDiagnostic(options.source, diagnostic);
        report += '\n';
    }
    std::fwrite(report.data(), 1, report.size(), stderr);
    if (assembly.HasErrors()) return 1;

    // Both files or neither: a listing that cannot be written must not leave
    // a new image behind, so both places are checked before either is written.
    for (const std::string& path : {options.output, options.listing}) {
        if (!path.empty() && !CanWrite(path, why)) {
            std::fprintf(stderr, "quodlet-asm: %s\n", why.c_str());
            return 1;
        }
    }
    const std::string_view image(reinterpret_cast<const char*>(assembly.image.data()),
                                 assembly.image.size());
    if (!WriteFileAtomically(options.output, image, why)) {
        std::fprintf(stderr, "quodlet-asm: %s\n", why.c_str());
        return 1;
    }
    if (assembly.image.empty()) {
        std::fprintf(stderr, "quodlet-asm: warning: %s places no bytes; %s is empty\n",
                     options.source.c_str(), options.output.c_str());
    }
    if (!options.listing.empty() &&
        !WriteFileAtomically(options.listing, ListingText(assembly), why)) {
        std::fprintf(stderr, "quodlet-asm: %s\n", why.c_str());
        return 1;
    }
    if (options.symbols) {
        for (const AsmSymbol& symbol : assembly.symbols) {
            if (symbol.label) {
                std::printf("%s %s\n", PaddedHex(symbol.value, 3).c_str(), symbol.name.c_str());
            }
        }
    }
    return 0;
}
