#pragma once
// The 4004 assembler: source text in, ROM bytes, diagnostics, a listing and
// the symbol table out. Two passes over the source, so a label may be used
// before the line that defines it. No Qt, no I/O apart from AssembleFile.
//
// Source, one statement a line: [label] [operation [operands]] [comment].
// Labels end in ',' or ':'; comments start with '/' or ';'. Operands are
// separated by blanks and/or one comma, and an expression (numbers, names
// and '*' joined by '+' and '-') has no blanks inside. A line that starts
// with an address, one or two bytes and the code listing's text for them is
// a listing line and places exactly those bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "asm/file_io.h"

struct AsmDiagnostic {
    int32_t line = 0;    // from 1
    int32_t column = 0;  // from 1, in bytes of the line
    bool error = true;   // false: a warning
    std::string message;
};

// One per statement that places bytes, sets the address or defines a name.
struct AsmListingLine {
    int32_t address = 0;  // where its bytes go; a constant's value for a constant
    std::vector<uint8_t> bytes;
    int32_t line = 0;
    std::string source;  // the source line as written
};

struct AsmSymbol {
    std::string name;  // as first written
    int32_t value = 0;
    bool label = true;  // false: a constant (= / EQU)
};

struct Assembly {
    std::vector<uint8_t> image;              // ROM bytes 0..highest address written; empty when
                                             // nothing is written
    std::vector<AsmDiagnostic> diagnostics;  // in source order
    std::vector<AsmListingLine> listing;
    std::vector<AsmSymbol> symbols;  // in order of definition
    bool HasErrors() const;
};

Assembly Assemble(std::string_view source);

// "FILE:LINE:COLUMN: error: message" or "...: warning: message".
std::string FormatDiagnostic(const std::string& file, const AsmDiagnostic& diagnostic);

// Case-insensitive look-up of a label or constant.
std::optional<int32_t> FindSymbol(const Assembly& assembly, std::string_view name);

// A number in the assembler's syntax (decimal 12, 0x1F, 1FH, 0b1010), the
// whole text and at most 0x7FFFFFFF; false otherwise.
bool ParseAsmNumber(std::string_view text, int32_t& value);

// Reads a source file and assembles it; false with `why` (one line) when the
// file cannot be read.
bool AssembleFile(const std::string& path, Assembly& assembly, std::string& why);
