#pragma once
// The 4004 assembler: source text in, ROM bytes, diagnostics, a listing and
// the symbol table out. Two passes over the source, so a label may be used
// before the line that defines it. No Qt, no I/O apart from AssembleFile and
// the files a source includes.
//
// Source, one statement a line: [label] [operation [operands]] [comment].
// Labels end in ',' or ':', or stand in column 1 without either; comments
// start with ';' (and '/' where it does not divide). Operands are separated
// by commas and/or blanks; blanks around an operator belong to the
// expression. A line that starts with an address and the bytes of a listing
// places exactly those bytes.
//
// The source may be written for one of several assemblers (AsmSyntax): each
// reads its own names for register pairs and JCN conditions and its own
// directives. The rules are chosen by the caller, by the source's first line
// ("; quodlet-asm --syntax as"), or by a sign only one of them writes
// (`cpu 4004`, `#define`, `org rom`); otherwise Quodlet's own.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/file_io.h"

// The assembler whose rules a source is read by.
enum class AsmSyntax : uint8_t {
    kQuodlet,    // Quodlet's own: the README's syntax, and its listing's lines
    kIntel,      // the MCS-4 Assembly Language Programming Manual's (Pyntel4004's too)
    kAs,         // Macroassembler AS with `cpu 4004`: the subset 4004 programs use
    kK4004,      // K4004's assembler
    kUz80as,     // uz80as (TASM style)
    kCodeabbey,  // CodeAbbey's intel4004 emulator
};

// The machine the program is for: it names the JCN conditions under
// Quodlet's rules and decides what draws "not executed by this machine".
enum class AsmMachine : uint8_t {
    kCompatible,  // the machine Quodlet emulates by default
    kMcs4,        // Intel's MCS-4 system (also the exerciser's board)
};

struct AsmOptions {
    // The rules to read by; none: the first line's choice, else a sign in
    // the source, else Quodlet's own.
    std::optional<AsmSyntax> syntax;
    // The machine; none: the first line's choice, else the compatible one.
    std::optional<AsmMachine> machine;
    // The source's file. Includes are found from its folder and may not
    // leave that folder's tree; empty: the source may include nothing.
    std::string sourcePath;
    // More folders whose files may be included (-I), also when they lie
    // outside the source's folder.
    std::vector<std::string> includeDirs;
    // The moment DATE and TIME name, in seconds since 1970 (UTC). None: the
    // environment's SOURCE_DATE_EPOCH when set, else the clock (local time).
    std::optional<int64_t> sourceDateEpoch;
};

// Source files (the main one and each included file) larger than this are
// refused rather than read; the includes of one source together as well.
inline constexpr size_t kAsmLargestSource = size_t{64} << 20;

struct AsmDiagnostic {
    int32_t line = 0;    // from 1
    int32_t column = 0;  // from 1, in bytes of the line
    bool error = true;   // false: a warning
    std::string message;
    std::string file;  // the included file it is in; empty: the source itself
};

// One per statement that places bytes, sets the address or defines a name.
struct AsmListingLine {
    int32_t address = 0;  // where its bytes go; a constant's value for a constant
    std::vector<uint8_t> bytes;
    int32_t line = 0;
    std::string source;  // the source line as written
    int32_t file = 0;    // 0: the source itself; else an included file
};

struct AsmSymbol {
    std::string name;  // as first written
    int32_t value = 0;
    bool label = true;  // false: a constant (= / EQU) or a register alias
};

struct Assembly {
    std::vector<uint8_t> image;              // ROM bytes 0..highest address written; empty when
                                             // nothing is written
    std::vector<AsmDiagnostic> diagnostics;  // in source order
    std::vector<AsmListingLine> listing;
    std::vector<AsmSymbol> symbols;          // in order of definition
    AsmSyntax syntax = AsmSyntax::kQuodlet;  // the rules the source was read by
    AsmMachine machine = AsmMachine::kCompatible;
    std::string syntaxReason;  // why those rules: "`cpu 4004` on line 2", "--syntax", ...
    bool HasErrors() const;
};

Assembly Assemble(std::string_view source, const AsmOptions& options = {});

// "FILE:LINE:COLUMN: error: message" or "...: warning: message"; `file` is
// the source's name, used unless the diagnostic is in an included file.
// Control characters in the names are shown escaped.
std::string FormatDiagnostic(const std::string& file, const AsmDiagnostic& diagnostic);

// Case-insensitive look-up of a label or constant.
std::optional<int32_t> FindSymbol(const Assembly& assembly, std::string_view name);

// A number in Quodlet's own syntax (decimal 12, 0x1F, 1FH, 0b1010), the
// whole text and at most 0x7FFFFFFF; false otherwise. The command-line
// tools read addresses with it; sources take more forms (see the README).
bool ParseAsmNumber(std::string_view text, int32_t& value);

// Reads a source file (a regular file of at most kAsmLargestSource bytes;
// never waits on a named pipe) and assembles it, its path taken as the
// options' sourcePath when that is empty. False with `why` (one line) when
// the file cannot be read.
bool AssembleFile(const std::string& path, Assembly& assembly, std::string& why,
                  const AsmOptions& options = {});

// The names --syntax and --machine take: "quodlet", "intel", "as", "k4004",
// "uz80as", "codeabbey"; "compatible", "mcs4", "exerciser", "busicom"
// (the MCS-4 system). Case is ignored.
std::optional<AsmSyntax> ParseAsmSyntax(std::string_view name);
std::optional<AsmMachine> ParseAsmMachine(std::string_view name);
std::string_view AsmSyntaxName(AsmSyntax syntax);     // "as"
std::string_view AsmSyntaxTitle(AsmSyntax syntax);    // "AS" (for messages)
std::string_view AsmMachineName(AsmMachine machine);  // "compatible", "mcs4"
inline constexpr std::string_view kAsmSyntaxNames = "quodlet, intel, as, k4004, uz80as, codeabbey";
inline constexpr std::string_view kAsmMachineNames = "compatible, mcs4, exerciser, busicom";
