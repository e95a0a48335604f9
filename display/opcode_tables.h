#pragma once
// The two tables the code listing reads to name an instruction and to know
// how many bytes it occupies, indexed by the opcode byte. The processor core
// decodes on its own and never reads them, so the two may disagree: the
// listing names opcodes the core rejects.

#include <array>
#include <cstdint>
#include <string>

struct OpcodeTables {
    std::array<std::string, 256> MnemonicTable;  // e.g. "FIM P0", "JUN " (trailing blank)
    std::array<int32_t, 256> LengthTable{};      // 1 or 2
};

// Fills both tables from the built-in opcode data, texts first, then lengths.
// The MCS-4 system's tables name JCN's conditions as the chip does.
void FillOpcodeTables(OpcodeTables& tables, bool mcs4 = false);
