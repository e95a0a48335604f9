#include "asm/asm_tool.h"

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "asm/asm_symbols.h"
#include "asm/asm_text.h"
#include "asm/assembler.h"
#include "asm/dialect.h"
#include "asm/file_io.h"
#include "core/hex.h"

#ifndef QUODLET_VERSION
#define QUODLET_VERSION "unknown"
#endif

namespace {

constexpr std::string_view kUsage =
    "Usage: quodlet-asm SOURCE [-o OUT.bin] [-l LISTING] [--symbols] [--syntax NAME]\n"
    "                   [--machine NAME] [-I DIR]\n"
    "Assembles 4004 source into a ROM image: byte k is ROM address k, from 0\n"
    "to the highest address the program writes.\n"
    "\n"
    "  -o OUT.bin   the image (default: SOURCE with the extension .bin)\n"
    "  -l LISTING   also write a listing: address, bytes and source line\n"
    "  --symbols    print the labels and their addresses, and write the symbols\n"
    "               file OUT.sym beside the image: each label and the source line\n"
    "               of each instruction, which the window and quodlet-run read\n"
    "               when they open OUT.bin (its format is in the README)\n"
    "  --syntax NAME  read the source by another assembler's rules: quodlet (the\n"
    "               default), intel, as, k4004, uz80as or codeabbey\n"
    "  --machine NAME  the machine the program is for: compatible (the default),\n"
    "               mcs4 or exerciser; it names the JCN conditions and decides\n"
    "               what is \"not executed by this machine\"\n"
    "  -I DIR       let the source include files from DIR (may be repeated)\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "\n"
    "Without --syntax, a first line such as \"; quodlet-asm --syntax as\" chooses\n"
    "the rules, else a sign only one assembler's sources have (AS's cpu 4004,\n"
    "uz80as's #define, Pyntel4004's org rom), else Quodlet's own.\n"
    "\n"
    "Errors and warnings go to stderr as FILE:LINE:COLUMN: error: message.\n"
    "On any error nothing is written and existing files stay as they were.\n";

struct Options {
    std::string source;
    std::string output;
    std::string listing;
    bool symbols = false;
    std::string symbolsFile;  // with --symbols: the image's path with the extension .sym
    AsmOptions assembler;
};

int UsageError(std::ostream& err, const std::string& message) {
    err << "quodlet-asm: " << Escaped(message) << "\nTry 'quodlet-asm --help'.\n";
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

// The listing file: address, bytes and the source line, which reads back
// as source giving the same bytes. A first line names the rules when they
// are not Quodlet's own for the compatible machine.
std::string ListingText(const Assembly& assembly) {
    std::string text;
    if (assembly.syntax != AsmSyntax::kQuodlet || assembly.machine != AsmMachine::kCompatible) {
        text += SyntaxMarker(assembly.syntax, assembly.machine) + "\n";
    }
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

// Reads the arguments; the exit status when the tool is done with them.
std::optional<int> ReadArguments(std::span<const std::string> args, Options& options,
                                 std::ostream& out, std::ostream& err) {
    for (size_t k = 0; k < args.size(); ++k) {
        std::string arg = args[k];
        std::optional<std::string> value;
        if (const size_t equals = arg.find('='); arg.rfind("--", 0) == 0 && equals != arg.npos) {
            value = arg.substr(equals + 1);
            arg.resize(equals);
        }
        if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return 0;
        }
        if (arg == "--version") {
            out << "quodlet-asm " << QUODLET_VERSION << "\n";
            return 0;
        }
        const bool takesValue =
            arg == "-o" || arg == "-l" || arg == "-I" || arg == "--syntax" || arg == "--machine";
        if (takesValue && !value) {
            if (k + 1 == args.size()) {
                return UsageError(err, arg + (arg == "-I"     ? " needs a folder"
                                              : arg[1] == '-' ? " needs a name"
                                                              : " needs a file name"));
            }
            value = args[++k];
        }
        if (arg == "-o" || arg == "-l") {
            (arg == "-o" ? options.output : options.listing) = *value;
        } else if (arg == "-I") {
            options.assembler.includeDirs.push_back(*value);
        } else if (arg == "--syntax") {
            options.assembler.syntax = ParseAsmSyntax(*value);
            if (!options.assembler.syntax) {
                return UsageError(err, "unknown syntax '" + *value + "'; the syntaxes are " +
                                           std::string(kAsmSyntaxNames));
            }
        } else if (arg == "--machine") {
            options.assembler.machine = ParseAsmMachine(*value);
            if (!options.assembler.machine) {
                return UsageError(err, "unknown machine '" + *value + "'; the machines are " +
                                           std::string(kAsmMachineNames));
            }
        } else if (arg == "--symbols" && !value) {
            options.symbols = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError(err, "unknown option " + args[k]);
        } else if (!options.source.empty()) {
            return UsageError(err, "one source file at a time");
        } else {
            options.source = arg;
        }
    }
    if (options.source.empty()) return UsageError(err, "no source file");
    if (options.output.empty()) {
        options.output = std::filesystem::path(options.source).replace_extension(".bin").string();
    }
    // The image or the listing written over the source would lose it.
    if (SameFile(options.output, options.source) || options.output == options.source) {
        return UsageError(err, "the output " + options.output + " is the source file itself");
    }
    if (!options.listing.empty() &&
        (SameFile(options.listing, options.source) || options.listing == options.source)) {
        return UsageError(err, "the listing " + options.listing + " is the source file itself");
    }
    if (!options.listing.empty() &&
        (SameFile(options.listing, options.output) || options.listing == options.output)) {
        return UsageError(err, "the listing and the output are the same file");
    }
    if (options.symbols) {
        // Where the window and quodlet-run look for it (SymbolsPathOf).
        options.symbolsFile =
            std::filesystem::path(options.output).replace_extension(".sym").string();
        for (const std::string& other : {options.source, options.output, options.listing}) {
            if (SameFile(options.symbolsFile, other) || options.symbolsFile == other) {
                return UsageError(err, "the symbols file " + options.symbolsFile + " would be " +
                                           (other == options.source   ? "the source file itself"
                                            : other == options.output ? "the output"
                                                                      : "the listing"));
            }
        }
    }
    return std::nullopt;
}

}  // namespace

int RunAssembler(std::span<const std::string> arguments, std::ostream& out, std::ostream& err) {
    Options options;
    if (const std::optional<int> done = ReadArguments(arguments, options, out, err)) return *done;

    Assembly assembly;
    std::string why;
    if (!AssembleFile(options.source, assembly, why, options.assembler)) {
        err << "quodlet-asm: " << why << "\n";
        return 1;
    }
    // All at once: the error stream is unbuffered, and a file may have a
    // million.
    std::string report;
    if (assembly.syntax != AsmSyntax::kQuodlet && !options.assembler.syntax) {
        report += "quodlet-asm: note: " + Escaped(options.source) + " is read by " +
                  std::string(AsmSyntaxTitle(assembly.syntax)) +
                  " rules: " + Escaped(assembly.syntaxReason) + "\n";
    }
    for (const AsmDiagnostic& diagnostic : assembly.diagnostics) {
        report += FormatDiagnostic(options.source, diagnostic);
        report += '\n';
    }
    err << report;
    if (assembly.HasErrors()) return 1;

    // All files or none: a listing that cannot be written must not leave a
    // new image behind, so every place is checked before any is written.
    for (const std::string& path : {options.output, options.listing, options.symbolsFile}) {
        if (!path.empty() && !CanWrite(path, why)) {
            err << "quodlet-asm: " << Escaped(why) << "\n";
            return 1;
        }
    }
    const std::string_view image(reinterpret_cast<const char*>(assembly.image.data()),
                                 assembly.image.size());
    if (!WriteFileAtomically(options.output, image, why)) {
        err << "quodlet-asm: " << Escaped(why) << "\n";
        return 1;
    }
    if (assembly.image.empty()) {
        err << "quodlet-asm: warning: " << Escaped(options.source) << " places no bytes; "
            << Escaped(options.output) << " is empty\n";
    }
    if (!options.listing.empty() &&
        !WriteFileAtomically(options.listing, ListingText(assembly), why)) {
        err << "quodlet-asm: " << Escaped(why) << "\n";
        return 1;
    }
    if (options.symbols) {
        const std::string name = std::filesystem::path(options.source).filename().string();
        if (!WriteFileAtomically(options.symbolsFile,
                                 SymbolsFileText(SymbolsOf(assembly), Escaped(name)), why)) {
            err << "quodlet-asm: " << Escaped(why) << "\n";
            return 1;
        }
        std::string symbols;
        for (const AsmSymbol& symbol : assembly.symbols) {
            if (symbol.label) symbols += PaddedHex(symbol.value, 3) + " " + symbol.name + "\n";
        }
        out << symbols;
    }
    return 0;
}
