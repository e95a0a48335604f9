#include "asm/asm_symbols.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "data/opcode_data.h"

ProgramSymbols SymbolsOf(const Assembly& assembly) {
    std::vector<CodeLabel> labels;
    for (const AsmSymbol& symbol : assembly.symbols) {
        if (symbol.label && symbol.value >= 0 && symbol.value <= 0xFFF)
            labels.push_back({symbol.value, symbol.name});
    }
    std::vector<SourcePlace> places;
    for (const AsmListingLine& line : assembly.listing) {
        const auto size = static_cast<int32_t>(line.bytes.size());
        for (int32_t at = 0; at < size;) {
            const int32_t length =
                std::min(kOpcodeData[line.bytes[static_cast<size_t>(at)]].length, size - at);
            places.push_back({line.address + at, length, line.file == 0 ? line.line : 0});
            at += length;
        }
    }
    return {std::move(labels), std::move(places)};
}
