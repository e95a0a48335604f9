#pragma once
// A program's symbols: the code labels its source defined and the source
// line each instruction came from. The listing, the runner and the windows
// share them. They come from an assembly (asm/asm_symbols.h) or from the
// symbols file quodlet-asm --symbols writes beside an image, whose text is
// read and written here:
//
//   ; comments start with ';', anywhere on a line
//   004 LOOP     ADDRESS NAME: a code label
//   004 :7       ADDRESS :LINE: the instruction at ADDRESS is on source line
//                LINE (from 1; 0 for an instruction from an included file)
//
// ADDRESS is hexadecimal, 0..FFF, with or without leading zeros; LINE is
// decimal. Entries may come in any order; one address may have several
// labels (the first written names it) but one line only.
//
// Every look-up is a binary search over sorted vectors: the listing asks
// for a few labels per line on every Step.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct CodeLabel {
    int32_t address = 0;  // 0..0xFFF
    std::string name;     // as written in the source
};

// Where an instruction starts, the bytes it takes and its source line.
struct SourcePlace {
    int32_t address = 0;  // 0..0xFFF
    int32_t length = 1;   // 1 or 2
    int32_t line = 0;     // from 1; 0: not a line of the source itself
};

class ProgramSymbols {
public:
    ProgramSymbols() = default;
    // Sorts both by address, labels of one address in the order given.
    // Places that start inside an earlier one are dropped; a place's length
    // is cut so that it ends where the next one starts.
    ProgramSymbols(std::vector<CodeLabel> labels, std::vector<SourcePlace> places);

    [[nodiscard]] bool Empty() const { return labels_.empty() && places_.empty(); }
    [[nodiscard]] const std::vector<CodeLabel>& Labels() const { return labels_; }
    [[nodiscard]] const std::vector<SourcePlace>& Places() const { return places_; }

    // The label naming exactly this address (the first defined there), or
    // nullptr.
    [[nodiscard]] const std::string* LabelAt(int32_t address) const;
    // "LOOP" at a label, "LOOP+3" (decimal, as the assembler reads it) after
    // the nearest label below it within the program's instructions, else
    // the address in three hex digits, "01D".
    [[nodiscard]] std::string NameOf(int32_t address) const;
    // The address of a code label, its name in any case.
    [[nodiscard]] std::optional<int32_t> FindLabel(std::string_view name) const;

    // The instruction whose bytes hold `address`, when the symbols know it.
    [[nodiscard]] std::optional<SourcePlace> PlaceOf(int32_t address) const;
    // The source line of the instruction holding `address` (also its second
    // byte); none outside the instructions or for an included file's.
    [[nodiscard]] std::optional<int32_t> LineOf(int32_t address) const;
    // The lowest address of an instruction on source line `line`.
    [[nodiscard]] std::optional<int32_t> AddressOfLine(int32_t line) const;

private:
    std::vector<CodeLabel> labels_;                       // by address
    std::vector<std::pair<std::string, int32_t>> names_;  // upper-case name, address; by name
    std::vector<SourcePlace> places_;                     // by address, none overlapping
    std::vector<std::pair<int32_t, int32_t>> lines_;      // line, address; by line, then address
};

// The symbols file's text: a comment naming `source` and the format, the
// places and labels in address order.
std::string SymbolsFileText(const ProgramSymbols& symbols, std::string_view source);

// Reads a symbols file's text; `image` gives each instruction its length.
// False, with `why` naming the first bad line ("line 3: ..."), when any line
// is malformed: then `symbols` is left as it was.
bool ParseSymbolsFile(std::string_view text, std::span<const uint8_t> image,
                      ProgramSymbols& symbols, std::string& why);
