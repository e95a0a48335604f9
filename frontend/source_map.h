#pragma once
// What the Source window knows of a program assembled from a source: its
// lines as written, which line holds the instruction at each address and
// which address each line's instruction has, and the code labels that name
// addresses. Every question the window asks about lines, addresses and
// names goes through this file, so that another symbol table can stand in
// for the assembler's here alone.
//
// Also: how the lines of an older text of the source map to a newer one,
// for breakpoints to move with their lines when a source is reloaded.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "asm/assembler.h"

struct SourceMap {
    // The source's lines, without their line ends.
    std::vector<std::string> lines;
    // Per line: the address of its first instruction, or -1.
    std::vector<int32_t> lineAddress;
    // Per address: the line whose instruction starts there, or -1.
    std::vector<int32_t> addressLine;
    // Per address inside a statement's bytes past the first: where they
    // start (in any file, included ones too); else -1.
    std::vector<int32_t> startOf;
    std::vector<std::pair<int32_t, std::string>> labels;  // code labels by address, then name
};

// The map of a source `text` that assembled into `assembly`. Lines are
// counted from 0 here (the window shows them from 1). Only statements of
// the source itself that place bytes hold an instruction: lines of included
// files are left out.
SourceMap MapSource(std::string_view text, const Assembly& assembly);

// The line holding the instruction that starts at `address`, or -1.
int32_t LineOfAddress(const SourceMap& map, int32_t address);
// The address of the first instruction on `line`, or -1 when it has none.
int32_t AddressOfLine(const SourceMap& map, int32_t line);
// The address where the instruction holding `address` starts, when
// `address` lies inside it past its first byte; else -1.
int32_t InstructionAround(const SourceMap& map, int32_t address);
// An address by the nearest code label at or before it: "LOOP", "CONV+3";
// the address in hex ("1A2") when no label comes before it.
std::string NameOfAddress(const SourceMap& map, int32_t address);
// What the user typed to name an address: a code label (any case) or a hex
// address ("11A", "0x11A", "11Ah"); none when it is neither.
std::optional<int32_t> AddressOfName(const SourceMap& map, std::string_view name);

// For each line of `before`, the line of `after` it became, or -1 when it
// was removed. Lines are matched by their text, in order (the longest
// common subsequence); a line edited in place, between matched lines on
// both sides with as many lines between them in both texts, keeps its place
// among them.
std::vector<int32_t> MapLines(const std::vector<std::string>& before,
                              const std::vector<std::string>& after);
