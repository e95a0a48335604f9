#include "display/opcode_tables.h"

#include <cstddef>

#include "data/opcode_data.h"

void FillOpcodeTables(OpcodeTables& tables) {
    for (size_t opcode = 0; opcode < kOpcodeData.size(); ++opcode) {
        tables.MnemonicTable[opcode] = std::string(kOpcodeData[opcode].text);
    }
    for (size_t opcode = 0; opcode < kOpcodeData.size(); ++opcode) {
        tables.LengthTable[opcode] = kOpcodeData[opcode].length;
    }
}
